// The output of a report that writes a line per event: pieces appended to one buffer and handed
// to the stream in large writes, numbers formatted without streams or printf.
#ifndef KELSVF_CHECK_REPORT_BUFFER_H
#define KELSVF_CHECK_REPORT_BUFFER_H

#include <concepts>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>

#include "BitValue.h"

namespace kelsvf::check {

class ReportBuffer {
  public:
    explicit ReportBuffer(std::FILE* out);
    ~ReportBuffer() { flush(); }
    ReportBuffer(const ReportBuffer&) = delete;
    ReportBuffer& operator=(const ReportBuffer&) = delete;

    ReportBuffer& put(char c) {
        if (used_ == capacity_) {
            flush();
        }
        text_[used_++] = c;
        return *this;
    }
    ReportBuffer& put(std::string_view piece) {
        if (piece.size() > capacity_ - used_) {
            return putLong(piece);
        }
        std::memcpy(text_.get() + used_, piece.data(), piece.size());
        used_ += piece.size();
        return *this;
    }
    ReportBuffer& number(uint64_t value);
    // Every hex digit of a value, as fullValueText spells it (an empty `bits`: all ones).
    ReportBuffer& hexDigits(std::span<const uint8_t> bits, uint64_t bitCount);
    // The same of a value that may be long: a block at a time from the top digit down (a
    // template, so that a braced {} still means an empty span).
    template <std::same_as<BitValue> Value>
    ReportBuffer& hexDigits(const Value& value, uint64_t bitCount) {
        return hexDigitsOf(value, bitCount);
    }
    ReportBuffer& hexDigitsOf(const BitValue& value, uint64_t bitCount);
    // `piece` as a JSON string, quotes included (see jsonString).
    ReportBuffer& jsonString(std::string_view piece);

    // After each event: writes once enough is held, or at once when a person watches the
    // stream (a terminal sees every line as it comes, as before).
    void endEvent() {
        if (used_ >= kWriteSize || lineBuffered_) {
            flush();
        }
    }
    // Everything held to the stream; before anything else writes to it.
    void flush();

  private:
    friend class ReportRoom;
    static constexpr size_t kWriteSize = 64 * 1024;
    static constexpr size_t kCapacity = 2 * kWriteSize;

    ReportBuffer& putLong(std::string_view piece);
    // Where `most` characters can go; the buffer grows for an event larger than it (a long file
    // name), which is rare and no larger than what the event's pieces already take.
    char* reserve(size_t most) {
        if (most > capacity_ - used_) {
            makeRoom(most);
        }
        return text_.get() + used_;
    }
    void makeRoom(size_t most);
    void commit(const char* end) { used_ = static_cast<size_t>(end - text_.get()); }

    std::FILE* out_;
    bool lineBuffered_;
    std::unique_ptr<char[]> text_;
    size_t capacity_ = kCapacity;
    size_t used_ = 0;
};

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_REPORT_BUFFER_H
