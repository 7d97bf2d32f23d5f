// The spellings of the portable SVF writer.
#include "kelsvfwriter/SvfText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace kelsvfwriter {

namespace {

// The two digits of each byte value, "00" to "ff".
constexpr std::array<char, 512> kDigitPairs = [] {
    std::array<char, 512> pairs{};
    constexpr char kDigits[] = "0123456789abcdef";
    for (size_t byte = 0; byte < 256; ++byte) {
        pairs[2 * byte] = kDigits[byte >> 4];
        pairs[2 * byte + 1] = kDigits[byte & 0x0F];
    }
    return pairs;
}();

}  // namespace

void appendHexDigits(std::string& out, std::span<const uint8_t> bits, uint64_t bitCount,
                     size_t from, size_t to) {
    const size_t bytes = static_cast<size_t>((bitCount + 7) / 8);
    const bool oddTop = to == bytes && ((bitCount + 3) / 4) % 2 == 1;
    const size_t start = out.size();
    out.resize(start + 2 * (to - from) - (oddTop ? 1 : 0));
    char* digit = out.data() + start;
    size_t i = to;
    const auto byteAt = [&bits](size_t index) -> size_t {
        return index < bits.size() ? bits[index] : 0;
    };
    if (oddTop && i > from) {
        *digit++ = kDigitPairs[2 * byteAt(--i) + 1];
    }
    const size_t present = std::min(i, bits.size());
    for (; i > present; --i) {  // bytes beyond a short vector read as zeros
        *digit++ = '0';
        *digit++ = '0';
    }
    for (; i > from; --i) {
        std::memcpy(digit, &kDigitPairs[2 * size_t{bits[i - 1]}], 2);
        digit += 2;
    }
}

void appendHexValue(std::string& out, std::span<const uint8_t> bits, uint64_t bitCount) {
    out.push_back('(');
    if (bitCount == 0) {
        out.push_back('0');
    } else {
        appendHexDigits(out, bits, bitCount, 0, static_cast<size_t>((bitCount + 7) / 8));
    }
    out.push_back(')');
}

void appendNumber(std::string& out, uint64_t value) {
    out += std::to_string(value);
}

void appendMicroseconds(std::string& out, uint64_t microseconds) {
    out += std::to_string(microseconds);
    out += "E-06 SEC";
}

namespace {

// What a player that reads "NE-06" into a float and multiplies by 1e6 waits.
bool floatReadsExactly(uint64_t microseconds) {
    char text[32];
    const auto [end, status] = std::to_chars(text, text + sizeof text - 4, microseconds);
    std::memcpy(end, "E-06", 4);
    double seconds = 0;
    std::from_chars(text, end + 4, seconds);
    const float product = 1000000.0f * static_cast<float>(seconds);
    return status == std::errc() && product < 4294967296.0f &&
           static_cast<uint64_t>(product) == microseconds;
}

}  // namespace

uint64_t exactWaitPiece(uint64_t microseconds) {
    // Below 2^32 us exact values lie at most a few hundred apart, and every wait under 247 us
    // is exact: the search is short and always ends.
    uint64_t piece = std::min<uint64_t>(microseconds, 0xFFFFFFFFu);
    while (piece > 1 && !floatReadsExactly(piece)) {
        --piece;
    }
    return piece;
}

void appendHertz(std::string& out, double hertz) {
    if (!(hertz > 0) || hertz >= 1e18) {
        out += "1000000 HZ";
        return;
    }
    double scaled = hertz;
    for (int exponent = 0; exponent <= 6; ++exponent, scaled *= 10) {
        if (scaled < 1e18 && std::floor(scaled) == scaled) {
            out += std::to_string(static_cast<uint64_t>(scaled));
            if (exponent != 0) {
                char suffix[8];
                std::snprintf(suffix, sizeof suffix, "E-%02d", exponent);
                out += suffix;
            }
            out += " HZ";
            return;
        }
    }
    // Finer than a microhertz: whole microhertz at or below, never faster than asked.
    out += std::to_string(static_cast<uint64_t>(std::floor(hertz * 1e6)));
    out += "E-06 HZ";
}

const char* trstModeName(kelsvfreader::TrstMode mode) {
    switch (mode) {
        case kelsvfreader::TrstMode::On:
            return "ON";
        case kelsvfreader::TrstMode::Off:
            return "OFF";
        case kelsvfreader::TrstMode::Z:
            return "Z";
        case kelsvfreader::TrstMode::Absent:
            return "ABSENT";
    }
    return "OFF";
}

}  // namespace kelsvfwriter
