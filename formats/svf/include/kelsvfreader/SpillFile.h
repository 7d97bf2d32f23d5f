// Long values kept out of memory. A reader spills each value longer than kInMemoryBytes as its
// significant hex digits, most significant first, two to a byte, into one unlinked temporary
// file that all its values share; the bits above the digits are zero, so a long value of few
// digits costs next to nothing. The file has no name from the start, so nothing is left behind
// whatever ends the process; the space of a value no longer referenced is given back.
#ifndef KELSVFREADER_SPILL_FILE_H
#define KELSVFREADER_SPILL_FILE_H

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kelsvfreader/Bits.h"

namespace kelsvfreader {

class SpillFile;

// Opens an unlinked temporary file in $TMPDIR (else /tmp); null with `why` set when it cannot.
std::shared_ptr<SpillFile> openSpillFile(std::string& why) noexcept;
// The file's descriptor, for tests that make its reads fail.
int spillDescriptor(const SpillFile& file);

// Makes one value from its hex digits, most significant first. Leading zero digits are dropped.
// Digits go to a buffer and, once it is full, to the spill file (opened into `file` when it is
// still null); a value that fits the buffer stays in memory. No exception leaves it.
class SpillValueWriter {
  public:
    SpillValueWriter(std::shared_ptr<SpillFile>& file, uint64_t bitCount) noexcept;
    ~SpillValueWriter();
    SpillValueWriter(const SpillValueWriter&) = delete;
    SpillValueWriter& operator=(const SpillValueWriter&) = delete;

    // One digit, 0 to 15. False on a failure (see error()).
    bool addDigit(unsigned digit) noexcept;
    // `count` bytes of two digits each, the first digit in the high half of the first byte.
    bool addPairs(const uint8_t* pairs, size_t count) noexcept {
        if (odd_ || digits_ == 0 || used_ + count > buffer_.size()) {
            return addPairsSlow(pairs, count);
        }
        std::memcpy(buffer_.data() + used_, pairs, count);
        used_ += count;
        digits_ += 2 * count;
        return true;
    }
    // Room for at least `least` pair bytes to be decoded straight into, flushing the buffer to
    // make it; `room` is 0 while the value has not begun or waits for the second digit of a
    // pair (then addDigit/addPairs). False on a failure. commitPairs takes what was written.
    bool pairRoom(size_t least, uint8_t*& at, size_t& room) noexcept;
    void commitPairs(size_t count) noexcept {
        used_ += count;
        digits_ += 2 * count;
    }
    uint64_t digits() const { return digits_; }  // significant ones so far

    // The value of `bitCount` bits. False on a failure.
    bool finish(Bits& value) noexcept;
    const std::string& error() const { return error_; }

  private:
    bool addPairsSlow(const uint8_t* pairs, size_t count) noexcept;
    bool haveBuffer() noexcept;
    bool flush() noexcept;
    bool failWith(int number) noexcept;

    std::shared_ptr<SpillFile>& file_;
    uint64_t bitCount_;
    std::vector<uint8_t> buffer_;
    size_t used_ = 0;   // whole bytes in the buffer
    bool odd_ = false;  // a digit waits in pending_ for its partner
    uint8_t pending_ = 0;
    uint64_t digits_ = 0;
    bool reserved_ = false;
    uint64_t offset_ = 0;   // of the value's space in the file
    uint64_t reserve_ = 0;  // bytes of it
    uint64_t written_ = 0;  // bytes written
    bool failed_ = false;
    std::string error_;
};

}  // namespace kelsvfreader

#endif  // KELSVFREADER_SPILL_FILE_H
