#include "SvfNumbers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace kelsvfreader {
namespace {

constexpr int64_t kExponentLimit = 1'000'000;  // far beyond any 64-bit value, without overflow

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

NumberStatus scaleDecimal(std::string_view text, int shift, ScaledNumber& number) {
    number = ScaledNumber{};
    size_t at = 0;
    size_t digits = 0;
    size_t fractionDigits = 0;
    bool point = false;
    while (at < text.size() && (isDigit(text[at]) || (text[at] == '.' && !point))) {
        if (text[at] == '.') {
            point = true;
        } else {
            ++digits;
            fractionDigits += point ? 1 : 0;
        }
        ++at;
    }
    const size_t mantissaEnd = at;
    if (digits == 0) {
        return NumberStatus::Malformed;
    }
    int64_t exponent = 0;
    bool hasExponent = false;
    if (at < text.size() && text[at] == 'E') {
        hasExponent = true;
        ++at;
        bool negative = false;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
            negative = text[at] == '-';
            ++at;
        }
        const size_t exponentStart = at;
        for (; at < text.size() && isDigit(text[at]); ++at) {
            exponent = std::min(kExponentLimit, exponent * 10 + (text[at] - '0'));
        }
        if (at == exponentStart) {
            return NumberStatus::Malformed;
        }
        exponent = negative ? -exponent : exponent;
    }
    if (at != text.size()) {
        return NumberStatus::Malformed;
    }
    number.realForm = point || hasExponent;

    // value = mantissa digits x 10^scale; digits below 10^0 are dropped, and round up if any
    // of them is nonzero.
    const int64_t scale = exponent - static_cast<int64_t>(fractionDigits) + shift;
    const int64_t kept =
        scale >= 0 ? static_cast<int64_t>(digits) : static_cast<int64_t>(digits) + scale;
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    uint64_t value = 0;
    int64_t index = 0;
    for (size_t i = 0; i < mantissaEnd; ++i) {
        if (text[i] == '.') {
            continue;
        }
        const auto digit = static_cast<uint64_t>(text[i] - '0');
        if (index++ < kept) {
            if (value > (kMax - digit) / 10) {
                return NumberStatus::TooLarge;
            }
            value = value * 10 + digit;
        } else if (digit != 0) {
            number.exact = false;
        }
    }
    for (int64_t i = 0; i < scale && value != 0; ++i) {
        if (value > kMax / 10) {
            return NumberStatus::TooLarge;
        }
        value *= 10;
    }
    if (!number.exact) {
        if (value == kMax) {
            return NumberStatus::TooLarge;
        }
        ++value;
    }
    number.value = value;
    return NumberStatus::Ok;
}

double decimalToDouble(std::string_view text) {
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small rounds to zero, too large to infinity; the sign is always positive.
        const bool tiny = text.find("E-") != std::string_view::npos;
        return tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return value;
}

bool singlePrecisionMicroseconds(std::string_view text, uint32_t& microseconds) {
    const double exact = decimalToDouble(text);
    if (!(exact < static_cast<double>(std::numeric_limits<float>::max()))) {
        return false;
    }
    const auto seconds = static_cast<float>(exact);
    const float product = 1000000.0f * seconds;
    if (!(product < 4294967296.0f)) {
        return false;
    }
    microseconds = static_cast<uint32_t>(product);
    return true;
}

}  // namespace kelsvfreader
