// Bits kept as the significant hex digits of a value, most significant first, two to a byte,
// with zeros above them: the form of spilled values.
#ifndef KELSVFREADER_DIGIT_STORE_H
#define KELSVFREADER_DIGIT_STORE_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kelsvfreader/Bits.h"

namespace kelsvfreader {

class DigitStore : public BitStore {
  public:
    DigitStore(uint64_t digits, uint64_t bitCount) : digits_(digits), bitCount_(bitCount) {}
    uint64_t size() const override { return bitCount_; }
    bool allZeros() const override { return digits_ == 0; }
    bool read(uint64_t first, uint64_t count, uint8_t* out) const override;
    uint64_t digits() const { return digits_; }

  protected:
    // `count` bytes of the digits from byte `at`.
    virtual bool fetch(uint64_t at, size_t count, uint8_t* out) const = 0;

  private:
    // Bytes [from, to) of the value (bit 0 first), all of them below (digits_ + 1) / 2.
    bool valueBytes(uint64_t from, uint64_t to, uint8_t* out, std::vector<uint8_t>& text) const;

    uint64_t digits_;
    uint64_t bitCount_;
};

}  // namespace kelsvfreader

#endif  // KELSVFREADER_DIGIT_STORE_H
