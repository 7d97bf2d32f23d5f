// Decimal numbers written straight into a report's buffer: two digits at a time from a table,
// and the line of each event stepped up from the last one's text rather than formatted anew.
#ifndef KELSVF_CHECK_DECIMAL_TEXT_H
#define KELSVF_CHECK_DECIMAL_TEXT_H

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kelsvf::check {

// The digits of the largest uint64_t.
constexpr size_t kMostDecimalDigits = 20;

inline constexpr std::array<char, 200> kDecimalPairs = [] {
    std::array<char, 200> pairs{};
    for (size_t i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

inline size_t decimalDigits(uint64_t value) {
    static constexpr std::array<uint64_t, 20> kPowers = [] {
        std::array<uint64_t, 20> powers{};
        uint64_t power = 1;
        for (uint64_t& each : powers) {
            each = power;
            power *= 10;
        }
        return powers;
    }();
    // log10 from the bit width (1233 / 4096 ~ log10(2)), one below or exact; `| 1` makes 0 a
    // digit, and no power of ten is odd, so it changes no other count.
    const uint64_t odd = value | 1;
    const size_t guess = static_cast<size_t>(std::bit_width(odd)) * 1233 >> 12;
    return guess + (odd >= kPowers[guess] ? 1 : 0);
}

// Writes `value` at `out` (at most kMostDecimalDigits characters); returns the end.
inline char* writeDecimal(char* out, uint64_t value) {
    char* const end = out + decimalDigits(value);
    char* at = end;
    while (value >= 100) {
        at -= 2;
        std::memcpy(at, &kDecimalPairs[2 * (value % 100)], 2);
        value /= 100;
    }
    if (value >= 10) {
        std::memcpy(at - 2, &kDecimalPairs[2 * value], 2);
    } else {
        at[-1] = static_cast<char>('0' + value);
    }
    return end;
}

// The text of a number that mostly grows by a few at a time, as the lines of a file's events
// do: a step of up to 9 adds to the last digit and carries.
class SteppedDecimal {
  public:
    std::string_view text(uint64_t value) {
        if (value != value_) {
            if (value < value_ || value - value_ > 9 ||
                !step(static_cast<unsigned>(value - value_))) {
                size_ = static_cast<size_t>(writeDecimal(digits_, value) - digits_);
            }
            value_ = value;
        }
        return {digits_, size_};
    }

  private:
    // False when the carry runs out of digits (9 to 10, 99 to 100, ...): the text grows.
    bool step(unsigned by) {
        for (size_t i = size_; i-- > 0;) {
            const unsigned digit = static_cast<unsigned>(digits_[i] - '0') + by;
            if (digit < 10) {
                digits_[i] = static_cast<char>('0' + digit);
                return true;
            }
            digits_[i] = static_cast<char>('0' + digit - 10);
            by = 1;
        }
        return false;
    }

    char digits_[kMostDecimalDigits] = {'0'};
    size_t size_ = 1;
    uint64_t value_ = 0;
};

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_DECIMAL_TEXT_H
