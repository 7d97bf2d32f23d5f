#include "script/ScriptValues.h"

#include <string>

#include "common/TextUtil.h"
#include "script/DataFiles.h"
#include "script/Script.h"
#include "script/TapStateNames.h"

namespace kelsvf {
namespace {

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string_view withoutHexPrefix(std::string_view word) {
    if (word.size() >= 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        word.remove_prefix(2);
    }
    return word;
}

std::string inQuotes(std::string_view word) {
    return "'" + shownWord(word) + "'";
}

// True when any bit at or above bitCount is set in the buffer.
bool hasBitsAbove(const ScanData& data) {
    const uint32_t usedInLastByte = data.bitCount % 8;
    const size_t byteCount = (size_t{data.bitCount} + 7) / 8;
    return usedInLastByte != 0 && byteCount > 0 &&
           (data.buffer()[byteCount - 1] >> usedInLastByte) != 0;
}

uint8_t reversedBits(uint8_t byte) {
    uint8_t reversed = 0;
    for (int bit = 0; bit < 8; ++bit) {
        reversed = static_cast<uint8_t>((reversed << 1) | ((byte >> bit) & 1));
    }
    return reversed;
}

}  // namespace

uint64_t parseNumber(std::string_view word, std::string_view what, uint64_t max) {
    const std::string_view digits = withoutHexPrefix(word);
    const unsigned base = digits.size() != word.size() ? 16 : 10;
    if (digits.empty()) {
        throw LineError("bad number " + inQuotes(word) + " for " + std::string(what));
    }
    uint64_t value = 0;
    for (const char c : digits) {
        const int digit = hexDigitValue(c);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) {
            throw LineError("bad number " + inQuotes(word) + " for " + std::string(what) +
                            " (decimal, or hexadecimal with 0x)");
        }
        if (value > (max - static_cast<uint64_t>(digit)) / base) {
            throw LineError("number " + inQuotes(word) + " for " + std::string(what) +
                            " is larger than " + std::to_string(max));
        }
        value = value * base + static_cast<uint64_t>(digit);
    }
    return value;
}

uint32_t parseNumber32(std::string_view word, std::string_view what) {
    return static_cast<uint32_t>(parseNumber(word, what, UINT32_MAX));
}

uint32_t parseIdcode(std::string_view word) {
    const std::string_view digits = withoutHexPrefix(word);
    if (digits.empty() || digits.size() > 8) {
        throw LineError("bad IDCODE " + inQuotes(word) + " (up to eight hex digits)");
    }
    uint32_t value = 0;
    for (const char c : digits) {
        const int digit = hexDigitValue(c);
        if (digit < 0) {
            throw LineError("bad IDCODE " + inQuotes(word) + " (up to eight hex digits)");
        }
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    return value;
}

KelPluginInterface::TapState parseTapState(std::string_view word) {
    if (const auto state = tapStateFromName(word)) {
        return *state;
    }
    throw LineError("unknown TAP state " + inQuotes(word) +
                    " (RESET, IDLE, DRSELECT, DRCAPTURE, DRSHIFT, DREXIT1, DRPAUSE, DREXIT2, "
                    "DRUPDATE, IRSELECT, IRCAPTURE, IRSHIFT, IREXIT1, IRPAUSE, IREXIT2, "
                    "IRUPDATE)");
}

ScanData parseHexValue(std::string_view word, uint32_t bitCount) {
    const std::string_view digits = withoutHexPrefix(word);
    if (digits.empty()) {
        throw LineError("missing hex digits in value " + inQuotes(word));
    }
    const uint64_t digitsHeld = (uint64_t{bitCount} + 3) / 4;
    if (digits.size() > digitsHeld) {
        throw LineError("value " + inQuotes(word) + " has " + std::to_string(digits.size()) +
                        " hex digits, but " + std::to_string(bitCount) + " bits hold at most " +
                        std::to_string(digitsHeld));
    }
    ScanData data;
    data.bitCount = bitCount;
    data.bytes.assign((uint64_t{bitCount} + 7) / 8, 0);
    // The last digit is the least significant nibble: bits 0-3 of byte 0.
    for (size_t n = 0; n < digits.size(); ++n) {
        const char c = digits[digits.size() - 1 - n];
        const int digit = hexDigitValue(c);
        if (digit < 0) {
            throw LineError("bad hex digit '" + std::string(1, c) + "' in value " + inQuotes(word));
        }
        data.bytes[n / 2] |= static_cast<uint8_t>(digit << (4 * (n % 2)));
    }
    if (hasBitsAbove(data)) {
        throw LineError("value " + inQuotes(word) + " does not fit in " + std::to_string(bitCount) +
                        " bits");
    }
    return data;
}

DataFileName parseDataFileName(std::string_view word) {
    for (const auto& [suffix, order] : {std::pair{std::string_view(":msb"), BitOrder::MsbFirst},
                                        std::pair{std::string_view(":lsb"), BitOrder::LsbFirst}}) {
        if (word.size() > suffix.size() && word.ends_with(suffix)) {
            return {std::string(word.substr(0, word.size() - suffix.size())), order};
        }
    }
    return {std::string(word), BitOrder::LsbFirst};
}

ScanData readDataFile(const std::filesystem::path& path, std::optional<uint32_t> bitCount,
                      BitOrder order, DataFileCache* cache) {
    const std::string shown = "'" + shownText(path.string()) + "'";
    const std::optional<uint64_t> wanted =
        bitCount ? std::optional<uint64_t>((uint64_t{*bitCount} + 7) / 8) : std::nullopt;
    std::string error;
    const std::shared_ptr<const DataBytes> read = cache != nullptr
                                                      ? cache->get(path.string(), wanted, error)
                                                      : readDataBytes(path.string(), wanted, error);
    if (!read) {
        throw LineError("cannot read data file " + shown + ": " + error);
    }
    if (read->size == 0 && read->whole) {
        throw LineError("data file " + shown + " is empty");
    }
    if (!bitCount && read->size > kMaxScanBytes) {
        throw LineError("data file " + shown + " is larger than one scan of " +
                        std::to_string(UINT32_MAX) + " bits");
    }
    if (!read->whole && !bitCount) {
        throw LineError("data file " + shown + " is not a regular file and holds more than " +
                        std::to_string(read->size) +
                        " bytes, the most read without BITS; give BITS");
    }
    const std::vector<uint8_t>& bytes = read->bytes;
    ScanData data;
    data.bitCount = bitCount.value_or(static_cast<uint32_t>(read->size * 8));
    const uint64_t needed = (uint64_t{data.bitCount} + 7) / 8;
    if (read->size != needed || !read->whole) {
        throw LineError("data file " + shown + " holds " + (read->whole ? "" : "more than ") +
                        std::to_string(read->size) + " bytes, but " +
                        std::to_string(data.bitCount) + " bits take " + std::to_string(needed));
    }
    if (cache != nullptr && order == BitOrder::LsbFirst) {
        data.shared = std::shared_ptr<const std::vector<uint8_t>>(read, &read->bytes);
    } else {
        data.bytes = bytes;
    }
    if (order == BitOrder::MsbFirst) {
        for (uint8_t& byte : data.bytes) {
            byte = reversedBits(byte);
        }
    }
    if (hasBitsAbove(data)) {
        throw LineError("data file " + shown + " has bits set above bit " +
                        std::to_string(data.bitCount - 1) + " in its last byte");
    }
    return data;
}

}  // namespace kelsvf
