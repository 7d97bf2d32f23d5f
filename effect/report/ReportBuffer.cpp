#include "report/ReportBuffer.h"

#include <algorithm>
#include <vector>

#include <unistd.h>

#include "report/DecimalText.h"
#include "report/JsonText.h"
#include "report/ReportRoom.h"
#include "report/ValueText.h"

namespace kelsvf::check {

ReportBuffer::ReportBuffer(std::FILE* out)
    : out_(out),
      lineBuffered_(out != nullptr && isatty(fileno(out)) == 1),
      text_(std::make_unique<char[]>(kCapacity)) {}

ReportBuffer& ReportBuffer::number(uint64_t value) {
    commit(writeDecimal(reserve(kMostDecimalDigits), value));
    return *this;
}

ReportBuffer& ReportBuffer::hexDigits(std::span<const uint8_t> bits, uint64_t bitCount) {
    static constexpr char kDigits[] = "0123456789abcdef";
    const uint64_t digits = (bitCount + 3) / 4;
    if (digits > capacity_ - used_) {
        return putLong(fullValueText(bits, bitCount));
    }
    char* out = text_.get() + used_;
    for (uint64_t index = digits; index-- > 0;) {
        unsigned nibble = 0xF;
        if (!bits.empty()) {
            const uint8_t byte = bits[static_cast<size_t>(index / 2)];
            nibble = index % 2 == 0 ? byte & 0xFu : static_cast<unsigned>(byte >> 4);
        }
        // The top digit holds only the bits below bitCount.
        const uint64_t bitsInDigit = std::min<uint64_t>(4, bitCount - index * 4);
        *out++ = kDigits[nibble & ((1u << bitsInDigit) - 1u)];
    }
    used_ += static_cast<size_t>(digits);
    return *this;
}

ReportBuffer& ReportBuffer::hexDigitsOf(const BitValue& value, uint64_t bitCount) {
    if (value.empty()) {
        return hexDigits(std::span<const uint8_t>(), bitCount);
    }
    if (const uint8_t* whole = value.memory()) {
        return hexDigits(std::span<const uint8_t>(whole, (bitCount + 7) / 8), bitCount);
    }
    // Blocks start at multiples of kBlockBits from bit 0, so each holds whole digits.
    std::vector<uint8_t> block;
    for (uint64_t first = bitCount == 0 ? 0 : (bitCount - 1) / kBlockBits * kBlockBits;;
         first -= kBlockBits) {
        const uint64_t count = std::min(kBlockBits, bitCount - first);
        block.assign((count + 7) / 8, 0);
        if (!value.read(first, count, block.data())) {
            return put("(unreadable)");
        }
        hexDigits(block, count);
        if (first == 0) {
            return *this;
        }
    }
}

char* ReportRoom::valueNotInMemory(char* at, const BitValue& value, uint64_t bitCount) {
    if (value.empty()) {
        return writeHexDigits(at, nullptr, bitCount);
    }
    uint8_t read[kWholeValueBits / 8] = {};
    if (value.read(0, bitCount, read)) {
        return writeHexDigits(at, read, bitCount);
    }
    constexpr std::string_view kUnreadable = "(unreadable)";
    std::memcpy(at, kUnreadable.data(), kUnreadable.size());
    return at + kUnreadable.size();
}

void ReportBuffer::makeRoom(size_t most) {
    flush();
    if (most > capacity_) {
        text_ = std::make_unique_for_overwrite<char[]>(most);
        capacity_ = most;
    }
}

ReportBuffer& ReportBuffer::putLong(std::string_view piece) {
    flush();
    if (piece.size() > capacity_) {
        if (out_ != nullptr) {
            std::fwrite(piece.data(), 1, piece.size(), out_);
        }
        return *this;
    }
    return put(piece);
}

ReportBuffer& ReportBuffer::jsonString(std::string_view piece) {
    const auto plain = [](char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; };
    if (std::all_of(piece.begin(), piece.end(), plain)) {
        put('"').put(piece).put('"');
    } else {
        put(check::jsonString(piece));
    }
    return *this;
}

void ReportBuffer::flush() {
    if (used_ != 0 && out_ != nullptr) {
        std::fwrite(text_.get(), 1, used_, out_);
    }
    used_ = 0;
}

}  // namespace kelsvf::check
