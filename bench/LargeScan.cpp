#include "LargeScan.h"

#include <cstdio>
#include <map>
#include <memory>

#include "BenchFiles.h"
#include "PluginSession.h"
#include "ReferenceWriter.h"

namespace kelbench {
namespace {

constexpr int64_t kLargestMiB = 64;

SvfSample writeSample(int64_t mib) {
    SvfSample sample;
    sample.path = scratchPath("sample-" + std::to_string(mib) + ".svf");
    {
        PluginSession session(sample.path, 1);
        if (!session.ready() ||
            kelFailed(session.target().writeDeviceDR(0, scanData(), nullptr, bitsOf(mib),
                                                     KelPluginInterface::KELJTAG_RUN_TEST_IDLE,
                                                     kNoContext)) ||
            !session.close()) {
            sample.error = "the plug-in did not write the sample file";
            return sample;
        }
    }
    sample.bytes = fileSize(sample.path);

    const std::string referencePath = scratchPath("reference-check.svf");
    FILE* stream = std::fopen(referencePath.c_str(), "wb");
    if (stream == nullptr) {
        sample.error = "cannot write the reference file";
        return sample;
    }
    writeReferenceSdr(stream, scanData(), bitsOf(mib));
    std::fclose(stream);
    const std::string reference = readWhole(referencePath);
    removeFile(referencePath);
    const std::string written = readWhole(sample.path);
    const size_t at = written.find("SDR ");
    if (at == std::string::npos || written.compare(at, reference.size(), reference) != 0) {
        sample.error = "the plug-in's SDR statement differs from the reference writer's";
    }
    return sample;
}

}  // namespace

std::string readWhole(const std::string& path) {
    std::string text;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char chunk[65536];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) != 0) {
            text.append(chunk, got);
        }
        std::fclose(file);
    }
    return text;
}

const uint8_t* scanData() {
    static const std::unique_ptr<uint8_t[]> bytes = patternBytes(kLargestMiB * kMiB);
    return bytes.get();
}

const SvfSample& svfSample(int64_t mib) {
    static std::map<int64_t, SvfSample> samples;
    auto found = samples.find(mib);
    if (found == samples.end()) {
        found = samples.emplace(mib, writeSample(mib)).first;
    }
    return found->second;
}

}  // namespace kelbench
