#include "ChainDescription.h"

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

std::optional<std::vector<uint32_t>> parseChainFile(std::string_view text, std::string& error) {
    constexpr size_t kLinePartLength = 254;
    std::vector<uint32_t> idcodes;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find_first_of("\r\n", at), text.size());
        for (size_t part = at; part < end; part += kLinePartLength) {
            const std::string_view line = text.substr(part, std::min(kLinePartLength, end - part));
            if (line.front() != '\0') {  // a NUL ends a line as a C string: no device
                idcodes.push_back(chainFileIdcode(line));
            }
        }
        at = end + 1;
    }
    if (idcodes.empty()) {
        error = "it names no device";
        return std::nullopt;
    }
    if (!checkDeviceCount(idcodes.size(), error)) {
        return std::nullopt;
    }
    return idcodes;
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
