// The spellings of the portable SVF writer.
#include "kelsvfwriter/SvfText.h"

#include <cmath>
#include <cstdio>

namespace kelsvfwriter {

void appendHexValue(std::string& out, std::span<const uint8_t> bits, uint64_t bitCount) {
    static constexpr char kDigits[] = "0123456789abcdef";
    const uint64_t digits = bitCount == 0 ? 1 : (bitCount + 3) / 4;
    const size_t bytes = static_cast<size_t>((bitCount + 7) / 8);
    out.push_back('(');
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(digits));
    char* to = out.data() + start;
    if (bytes == 0 || bits.size() < bytes) {
        for (uint64_t i = 0; i < digits; ++i) {
            to[i] = '0';
        }
    } else {
        size_t i = bytes;
        if (digits % 2 == 1) {
            *to++ = kDigits[bits[--i] & 0x0F];
        }
        while (i > 0) {
            const uint8_t byte = bits[--i];
            *to++ = kDigits[byte >> 4];
            *to++ = kDigits[byte & 0x0F];
        }
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
