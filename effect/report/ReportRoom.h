// Room for the pieces of one event in a ReportBuffer, reserved once and written without a bounds
// check per piece: a file of many short scans makes an event per statement, and the checks and
// the buffer's reloads after each store cost more than the characters.
#ifndef KELSVF_CHECK_REPORT_ROOM_H
#define KELSVF_CHECK_REPORT_ROOM_H

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "BitValue.h"
#include "report/DecimalText.h"
#include "report/ReportBuffer.h"
#include "report/ValueText.h"

namespace kelsvf::check {

inline constexpr std::array<char, 512> kHexPairs = [] {
    constexpr char kDigits[] = "0123456789abcdef";
    std::array<char, 512> pairs{};
    for (size_t i = 0; i < 256; ++i) {
        pairs[2 * i] = kDigits[i >> 4];
        pairs[2 * i + 1] = kDigits[i & 0xF];
    }
    return pairs;
}();

// The (bitCount + 3) / 4 hex digits of a bit buffer at `out`, most significant first, a byte at
// a time (null `bytes`: all ones); returns the end.
inline char* writeHexDigits(char* out, const uint8_t* bytes, uint64_t bitCount) {
    if (bitCount == 0) {
        return out;
    }
    const size_t top = static_cast<size_t>((bitCount - 1) / 8);
    const auto byteAt = [bytes](size_t i) -> unsigned {
        return bytes == nullptr ? 0xFFu : bytes[i];
    };
    // Bits past bitCount are not the value's.
    unsigned high = byteAt(top);
    if (bitCount % 8 != 0) {
        high &= (1u << (bitCount % 8)) - 1u;
    }
    // A top byte of 1 to 4 bits gives one digit.
    if (bitCount % 8 != 0 && bitCount % 8 <= 4) {
        *out++ = kHexPairs[2 * high + 1];
    } else {
        std::memcpy(out, &kHexPairs[2 * high], 2);
        out += 2;
    }
    for (size_t i = top; i-- > 0;) {
        std::memcpy(out, &kHexPairs[2 * byteAt(i)], 2);
        out += 2;
    }
    return out;
}

// The most characters shortValue writes.
constexpr size_t kMostShortValueText = kWholeValueBits / 4;

class ReportRoom {
  public:
    // `most`: what the pieces written into this room take together, at most.
    ReportRoom(ReportBuffer& buffer, size_t most)
        : buffer_(buffer), at_(buffer.reserve(most)), end_(at_ + most) {}
    ReportRoom(const ReportRoom&) = delete;
    ReportRoom& operator=(const ReportRoom&) = delete;
    // Hands what was written to the buffer. Not a destructor: one would keep the write
    // position in memory for the unwinding, reloaded after every character stored.
    void done() {
        assert(at_ <= end_);
        buffer_.commit(at_);
    }

    ReportRoom& put(char c) {
        *at_++ = c;
        return *this;
    }
    // A string literal (its size known here, so copied by a few moves).
    template <size_t N>
    ReportRoom& put(const char (&literal)[N]) {
        std::memcpy(at_, literal, N - 1);
        at_ += N - 1;
        return *this;
    }
    ReportRoom& put(std::string_view piece) {
        copy(at_, piece.data(), piece.size());
        at_ += piece.size();
        return *this;
    }
    ReportRoom& number(uint64_t value) {
        // Devices and lengths are mostly one or two digits.
        if (value < 10) {
            *at_++ = static_cast<char>('0' + value);
        } else if (value < 100) {
            std::memcpy(at_, &kDecimalPairs[2 * value], 2);
            at_ += 2;
        } else {
            at_ = writeDecimal(at_, value);
        }
        return *this;
    }
    // Every hex digit of a value of at most kWholeValueBits bits, as hexDigits writes them (an
    // empty value: all ones; one that cannot be read back: "(unreadable)").
    ReportRoom& shortValue(const BitValue& value, uint64_t bitCount);

  private:
    // Short pieces by two overlapping moves rather than a call.
    static void copy(char* to, const char* from, size_t size) {
        if (size >= 8 && size <= 16) {
            std::memcpy(to, from, 8);
            std::memcpy(to + size - 8, from + size - 8, 8);
        } else if (size >= 4 && size < 8) {
            std::memcpy(to, from, 4);
            std::memcpy(to + size - 4, from + size - 4, 4);
        } else {
            std::memcpy(to, from, size);
        }
    }
    // An empty value, or one joined from several scans. Static and given the position, so that
    // the room's address never leaves the event's writer and the position stays in a register.
    static char* valueNotInMemory(char* at, const BitValue& value, uint64_t bitCount);

    ReportBuffer& buffer_;
    char* at_;
    [[maybe_unused]] const char* end_;  // for the check in done()
};

inline ReportRoom& ReportRoom::shortValue(const BitValue& value, uint64_t bitCount) {
    assert(bitCount <= kWholeValueBits);
    if (const uint8_t* whole = value.memory()) {
        at_ = writeHexDigits(at_, whole, bitCount);
    } else {
        at_ = valueNotInMemory(at_, value, bitCount);
    }
    return *this;
}

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_REPORT_ROOM_H
