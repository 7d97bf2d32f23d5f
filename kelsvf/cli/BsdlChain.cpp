#include "cli/BsdlChain.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "PartRules.h"
#include "kelbsdl/BsdlReader.h"

namespace kelsvf {
namespace {

namespace fs = std::filesystem;

std::string lower(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return result;
}

std::string hex32(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", value);
    return text;
}

// The part of a file; null with `problem` set (unreadable) when there is none.
std::shared_ptr<const kelbsdl::Description> readPart(const std::string& path,
                                                     PartProblem& problem) {
    kelbsdl::Reading reading;
    std::string why;
    if (!kelbsdl::readBsdlFile(path, reading, why)) {
        problem = {"cannot read the BSDL file " + path + ": " + why, true};
        return nullptr;
    }
    if (reading.failed) {
        problem = {path + ":" + std::to_string(reading.error.position.line) + ":" +
                       std::to_string(reading.error.position.column) +
                       ": error: " + reading.error.message,
                   true};
        return nullptr;
    }
    return std::make_shared<const kelbsdl::Description>(std::move(reading.description));
}

bool fitsSimulation(const kelbsdl::Description& part, const std::string& path,
                    PartProblem& problem) {
    if (part.instructionLength > check::kMaxIrLength) {
        problem = {path + ": INSTRUCTION_LENGTH " + std::to_string(part.instructionLength) +
                       " is more than the simulated chain holds (" +
                       std::to_string(check::kMaxIrLength) + ")",
                   false};
        return false;
    }
    return true;
}

}  // namespace

bool isBsdlPath(std::string_view entry) {
    const std::string name = lower(entry);
    return name.find('/') != std::string::npos || name.ends_with(".bsd") ||
           name.ends_with(".bsdl") || name.ends_with(".bsm");
}

bool attachBsdlFiles(check::ChainDescription& chain, const std::vector<std::string>& paths,
                     PartProblem& problem) {
    for (size_t i = 0; i < paths.size() && i < chain.devices.size(); ++i) {
        if (paths[i].empty()) {
            continue;
        }
        std::shared_ptr<const kelbsdl::Description> part = readPart(paths[i], problem);
        if (part == nullptr || !fitsSimulation(*part, paths[i], problem)) {
            return false;
        }
        check::describePart(chain.devices[i], std::move(part));
    }
    return true;
}

bool attachBsdlFolder(check::ChainDescription& chain, const std::string& folder,
                      std::vector<std::string>& notes, PartProblem& problem) {
    std::error_code error;
    std::vector<std::string> files;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (entry->is_regular_file(error) && isBsdlPath(entry->path().filename().string())) {
            files.push_back(entry->path().string());
        }
    }
    if (error) {
        problem = {"cannot read the BSDL folder " + folder + ": " + error.message(), true};
        return false;
    }
    std::sort(files.begin(), files.end());
    std::vector<std::pair<std::string, std::shared_ptr<const kelbsdl::Description>>> parts;
    for (const std::string& file : files) {
        PartProblem unread;
        if (std::shared_ptr<const kelbsdl::Description> part = readPart(file, unread)) {
            parts.emplace_back(file, std::move(part));
        } else {
            notes.push_back("--bsdl-dir: skipped " + unread.text);
        }
    }
    for (size_t i = 0; i < chain.devices.size(); ++i) {
        check::DeviceDescription& device = chain.devices[i];
        if (device.part || device.idcode.value_or(0) == 0) {
            continue;
        }
        std::vector<size_t> matches;
        for (size_t k = 0; k < parts.size(); ++k) {
            const auto& idcodes = parts[k].second->idcodes;
            if (std::any_of(idcodes.begin(), idcodes.end(), [&](const kelbsdl::BitPattern& id) {
                    return id.matches(uint64_t{*device.idcode});
                })) {
                matches.push_back(k);
            }
        }
        const std::string which =
            "device " + std::to_string(i) + " (IDCODE " + hex32(*device.idcode) + ")";
        if (matches.empty()) {
            notes.push_back("--bsdl-dir: no BSDL file in " + folder + " matches " + which);
            continue;
        }
        const auto& [file, part] = parts[matches.front()];
        if (matches.size() > 1) {
            notes.push_back("--bsdl-dir: " + std::to_string(matches.size()) + " BSDL files match " +
                            which + "; " + file + " is taken");
        }
        if (part->instructionLength != device.irLength) {
            problem = {"--bsdl-dir: " + file + " matches " + which +
                           ", but its INSTRUCTION_LENGTH " +
                           std::to_string(part->instructionLength) +
                           " is not the device's IR length " + std::to_string(device.irLength),
                       false};
            return false;
        }
        check::describePart(device, part);
    }
    return true;
}

}  // namespace kelsvf
