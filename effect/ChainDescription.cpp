#include "ChainDescription.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace kelsvf::check {
namespace {

std::vector<std::string_view> splitAt(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    while (true) {
        const size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) {
            return parts;
        }
        text.remove_prefix(at + 1);
    }
}

// "'TEXT'", built without the operator+ of a literal and a temporary, which GCC 12 at -O3
// takes for an overlapping copy.
std::string quoted(std::string_view text) {
    std::string result;
    result.reserve(text.size() + 2);
    return result.append(1, '\'').append(text).append(1, '\'');
}

std::optional<uint32_t> parseIrLength(std::string_view text, std::string& error) {
    uint32_t value = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || status != std::errc() || end != text.data() + text.size()) {
        error = quoted(text) + " is no IR length (a decimal number of bits)";
        return std::nullopt;
    }
    if (value == 0 || value > kMaxIrLength) {
        error = std::string("IR length ").append(text).append(" is not between 1 and ") +
                std::to_string(kMaxIrLength);
        return std::nullopt;
    }
    return value;
}

std::optional<uint32_t> parseIdcode(std::string_view text, std::string& error) {
    std::string_view digits = text;
    if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
    }
    uint32_t value = 0;
    const auto [end, status] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (digits.empty() || digits.size() > 8 || status != std::errc() ||
        end != digits.data() + digits.size()) {
        error = quoted(text) + " is no IDCODE (up to 8 hex digits, 0x allowed)";
        return std::nullopt;
    }
    return value;
}

// Bit 0 of an IDCODE is always 1; 0 stands for a device without one.
bool checkIdcodeBit0(uint32_t idcode, std::string& error) {
    if (idcode != 0 && (idcode & 1u) == 0) {
        char text[16];
        std::snprintf(text, sizeof text, "%08x", idcode);
        error = std::string("IDCODE ") + text + " is no IDCODE: its bit 0 is always 1";
        return false;
    }
    return true;
}

std::optional<uint64_t> parseOpcode(std::string_view text, uint32_t irLength, std::string& error) {
    std::string_view digits = text;
    if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
    }
    uint64_t value = 0;
    const auto [end, status] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (digits.empty() || status != std::errc() || end != digits.data() + digits.size()) {
        error = quoted(text) + " is no instruction code (hex digits, 0x allowed)";
        return std::nullopt;
    }
    const uint64_t allOnes = irLength >= 64 ? ~uint64_t{0} : (uint64_t{1} << irLength) - 1;
    if (value > allOnes || value == allOnes) {
        error = "instruction code " + std::string(text) + " does not fit an IR of " +
                std::to_string(irLength) + " bits, or is BYPASS (all ones)";
        return std::nullopt;
    }
    return value;
}

bool checkDeviceCount(size_t count, std::string& error) {
    if (count > kMaxDevices) {
        error = std::to_string(count) + " devices are more than a chain holds (" +
                std::to_string(kMaxDevices) + ")";
        return false;
    }
    return true;
}

// A chain-description line's IDCODE, read exactly as the plug-in reads it (strtoul of the
// last eight characters after an optional 0x).
uint32_t chainFileIdcode(std::string_view line) {
    std::string upper(line.substr(0, line.find('\0')));
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    std::string_view digits = upper;
    if (digits.starts_with("0X")) {
        digits.remove_prefix(2);
    }
    if (digits.size() > 8) {
        digits.remove_prefix(digits.size() - 8);
    }
    return static_cast<uint32_t>(std::strtoul(std::string(digits).c_str(), nullptr, 16) &
                                 0xFFFFFFFFu);
}

}  // namespace

const KnownInstruction* DeviceDescription::instruction(uint64_t opcode) const {
    for (const KnownInstruction& known : instructions) {
        if (known.opcode == opcode) {
            return &known;
        }
    }
    return nullptr;
}

uint64_t ChainDescription::irPathLength() const {
    uint64_t total = 0;
    for (const DeviceDescription& device : devices) {
        total += device.irLength;
    }
    return total;
}

std::string ChainDescription::describe() const {
    std::string text =
        std::to_string(devices.size()) + (devices.size() == 1 ? " device" : " devices");
    text += " (IR ";
    for (size_t i = 0; i < devices.size(); ++i) {
        text += i == 0 ? "" : ", ";
        text += std::to_string(devices[i].irLength);
        if (devices[i].part) {
            text += " " + devices[i].part->entity;
        } else if (devices[i].idcode) {
            char idcode[16];
            std::snprintf(idcode, sizeof idcode, ":%08x", *devices[i].idcode);
            text += idcode;
        }
        for (const KnownInstruction& known : devices[i].instructions) {
            if (known.capturesIdcode && !devices[i].part) {
                char opcode[24];
                std::snprintf(opcode, sizeof opcode, ":%llx",
                              static_cast<unsigned long long>(known.opcode));
                text += opcode;
            }
        }
    }
    return text + ")";
}

std::optional<ChainDescription> parseChainOption(std::string_view text, std::string& error) {
    ChainDescription chain;
    for (const std::string_view device : splitAt(text, ',')) {
        const std::vector<std::string_view> fields = splitAt(device, ':');
        const std::optional<uint32_t> irLength = parseIrLength(fields[0], error);
        if (!irLength) {
            return std::nullopt;
        }
        DeviceDescription parsed{*irLength, std::nullopt, {}};
        if (fields.size() > 3) {
            error = quoted(device) + " has more than IRLEN:IDCODE:OPCODE";
            return std::nullopt;
        }
        if (fields.size() >= 2) {
            const std::optional<uint32_t> idcode = parseIdcode(fields[1], error);
            if (!idcode || !checkIdcodeBit0(*idcode, error)) {
                return std::nullopt;
            }
            parsed.idcode = idcode;
        }
        if (fields.size() == 3) {
            const std::optional<uint64_t> opcode = parseOpcode(fields[2], *irLength, error);
            if (!opcode) {
                return std::nullopt;
            }
            if (*parsed.idcode == 0) {
                error = quoted(device) + ": a device without an IDCODE has no IDCODE instruction";
                return std::nullopt;
            }
            parsed.instructions.push_back({*opcode, "IDCODE", 32, true});
        }
        chain.devices.push_back(parsed);
    }
    if (!checkDeviceCount(chain.devices.size(), error)) {
        return std::nullopt;
    }
    return chain;
}

std::optional<std::vector<uint32_t>> parseIrLengths(std::string_view text, std::string& error) {
    std::vector<uint32_t> lengths;
    for (const std::string_view part : splitAt(text, ',')) {
        const std::optional<uint32_t> length = parseIrLength(part, error);
        if (!length) {
            return std::nullopt;
        }
        lengths.push_back(*length);
    }
    if (!checkDeviceCount(lengths.size(), error)) {
        return std::nullopt;
    }
    return lengths;
}

namespace {

constexpr size_t kLinePartLength = 254;

std::string lineText(uint64_t line) {
    return "line " + std::to_string(line);
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// A line with fields: words before the IDCODE, which is the line's last eight characters.
bool readFieldLine(std::string_view line, ChainFileDevice& device, std::string& error) {
    const std::string where = lineText(device.line) + ": ";
    if (line.size() > kLinePartLength) {
        error = where + "longer than " + std::to_string(kLinePartLength) +
                " characters: the plug-in reads it as several devices";
        return false;
    }
    std::vector<std::string_view> words;
    for (size_t at = 0; at < line.size();) {
        while (at < line.size() && isBlank(line[at])) {
            ++at;
        }
        const size_t end = std::min(line.size(), line.find_first_of(" \t", at));
        if (end > at) {
            words.push_back(line.substr(at, end - at));
        }
        at = end;
    }
    std::string_view idcode = words.empty() ? std::string_view() : words.back();
    if (idcode.size() == 10 && idcode[0] == '0' && (idcode[1] == 'x' || idcode[1] == 'X')) {
        idcode.remove_prefix(2);
    }
    if (isBlank(line.back()) || idcode.size() != 8 ||
        !std::all_of(idcode.begin(), idcode.end(), isHexDigit)) {
        error = where +
                "with fields, the IDCODE must be the line's last eight hex digits, nothing "
                "after them (the plug-in reads only those): irlen=8 opcode=0x01 1A2B3C4D";
        return false;
    }
    for (size_t i = 0; i + 1 < words.size(); ++i) {
        const std::string_view word = words[i];
        const size_t equals = word.find('=');
        const std::string_view name = word.substr(0, equals);
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view() : word.substr(equals + 1);
        if (name == "irlen" && equals != std::string_view::npos) {
            const std::optional<uint32_t> irLength = parseIrLength(value, error);
            if (!irLength) {
                error = where + error;
                return false;
            }
            device.irLength = irLength;
        } else if (name == "opcode" && !value.empty()) {
            device.opcode = std::string(value);
        } else {
            error =
                where + quoted(word) + " is no field (irlen=N or opcode=HEX, before the IDCODE)";
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<std::vector<ChainFileDevice>> parseChainFileDevices(std::string_view text,
                                                                  std::string& error) {
    std::vector<ChainFileDevice> devices;
    size_t at = 0;
    uint64_t lineNumber = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find_first_of("\r\n", at), text.size());
        ++lineNumber;
        const std::string_view line = text.substr(at, end - at);
        if (line.find('=') != std::string_view::npos && line.find('\0') == std::string_view::npos) {
            ChainFileDevice device{chainFileIdcode(line), std::nullopt, std::nullopt, lineNumber};
            if (!readFieldLine(line, device, error)) {
                return std::nullopt;
            }
            devices.push_back(std::move(device));
        } else {
            // As the plug-in reads it: parts of 254 characters, each a device unless it starts
            // with a NUL (an empty C string).
            for (size_t part = 0; part < line.size(); part += kLinePartLength) {
                const std::string_view piece = line.substr(part, kLinePartLength);
                if (piece.front() != '\0') {
                    devices.push_back(
                        {chainFileIdcode(piece), std::nullopt, std::nullopt, lineNumber});
                }
            }
        }
        // CR LF is one line end.
        at = end + (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);
    }
    if (devices.empty()) {
        error = "it names no device";
        return std::nullopt;
    }
    if (!checkDeviceCount(devices.size(), error)) {
        return std::nullopt;
    }
    return devices;
}

std::optional<std::vector<uint32_t>> parseChainFile(std::string_view text, std::string& error) {
    const std::optional<std::vector<ChainFileDevice>> devices = parseChainFileDevices(text, error);
    if (!devices) {
        return std::nullopt;
    }
    std::vector<uint32_t> idcodes;
    for (const ChainFileDevice& device : *devices) {
        idcodes.push_back(device.idcode);
    }
    return idcodes;
}

std::optional<ChainDescription> chainFromFile(const std::vector<ChainFileDevice>& devices,
                                              const std::optional<std::vector<uint32_t>>& irLengths,
                                              std::string& error) {
    if (irLengths && irLengths->size() != devices.size()) {
        error = "the chain-description file names " + std::to_string(devices.size()) +
                " devices, but --irlen gives " + std::to_string(irLengths->size()) + " IR lengths";
        return std::nullopt;
    }
    ChainDescription chain;
    for (size_t i = 0; i < devices.size(); ++i) {
        const ChainFileDevice& device = devices[i];
        const std::string where =
            "device " + std::to_string(i) + " (" + lineText(device.line) + "): ";
        std::optional<uint32_t> irLength = device.irLength;
        if (irLengths) {
            if (irLength && *irLength != (*irLengths)[i]) {
                error = where + "irlen=" + std::to_string(*irLength) +
                        " on its line, but --irlen " + "gives " + std::to_string((*irLengths)[i]);
                return std::nullopt;
            }
            irLength = (*irLengths)[i];
        }
        if (!irLength) {
            error = where + "no IR length: give irlen=N on its line, or --irlen";
            return std::nullopt;
        }
        if (!checkIdcodeBit0(device.idcode, error)) {
            error = where + error;
            return std::nullopt;
        }
        DeviceDescription described{*irLength, device.idcode, {}};
        if (device.opcode) {
            const std::optional<uint64_t> opcode = parseOpcode(*device.opcode, *irLength, error);
            if (!opcode) {
                error = where + error;
                return std::nullopt;
            }
            if (device.idcode == 0) {
                error = where + "a device without an IDCODE has no IDCODE instruction";
                return std::nullopt;
            }
            described.instructions.push_back({*opcode, "IDCODE", 32, true});
        }
        chain.devices.push_back(std::move(described));
    }
    return chain;
}

std::optional<ChainDescription> chainFromIdcodes(const std::vector<uint32_t>& idcodes,
                                                 const std::vector<uint32_t>& irLengths,
                                                 std::string& error) {
    if (idcodes.size() != irLengths.size()) {
        error = "the chain-description file names " + std::to_string(idcodes.size()) +
                " devices, but --irlen gives " + std::to_string(irLengths.size()) + " IR lengths";
        return std::nullopt;
    }
    ChainDescription chain;
    for (size_t i = 0; i < idcodes.size(); ++i) {
        if (!checkIdcodeBit0(idcodes[i], error)) {
            error = "device " + std::to_string(i) + ": " + error;
            return std::nullopt;
        }
        chain.devices.push_back({irLengths[i], idcodes[i], {}});
    }
    return chain;
}

ChainDescription chainFromIrLengths(const std::vector<uint32_t>& irLengths) {
    ChainDescription chain;
    for (const uint32_t length : irLengths) {
        chain.devices.push_back({length, std::nullopt, {}});
    }
    return chain;
}

}  // namespace kelsvf::check
