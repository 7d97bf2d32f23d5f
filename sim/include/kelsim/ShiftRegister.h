// A packed shift register of a simulated device: the shift stage of an IR or a DR.
#ifndef KELSIM_SHIFT_REGISTER_H
#define KELSIM_SHIFT_REGISTER_H

#include <cstdint>
#include <vector>

namespace kelsim {

// Bit 0 is the bit nearest TDO, the next one to leave; a bit shifted in enters at the TDI end,
// bit length - 1. After shifting in `length` bits, bit i holds the i-th of them, so the contents
// read in the bit-buffer convention of the scans. Shifting one bit costs O(1) at any length: the
// storage is circular and is put back in order only when the contents are read whole.
class ShiftRegister {
  public:
    explicit ShiftRegister(uint32_t length = 1);

    uint32_t length() const { return length_; }

    // The bit that TDO shows now (bit 0).
    bool front() const;
    // One clock in a shift state: bit 0 leaves (and is returned), `in` enters at the TDI end.
    bool shift(bool in);

    // Replaces all `length` bits with those of `bits` (bit-buffer convention). Capture.
    void load(const uint8_t* bits);
    void load(const std::vector<uint8_t>& bits) { load(bits.data()); }

    // The contents in order, (length + 7) / 8 bytes, unused top bits zero.
    const std::vector<uint8_t>& bits();
    // The low 64 bits of the contents.
    uint64_t value();

    // For bulk shifts: a second buffer of the same size to build the next contents in (all
    // `length` bits must be written), then swapped in whole by commitNext().
    std::vector<uint8_t>& next();
    void commitNext();

  private:
    void putInOrder();

    uint32_t length_;
    uint32_t head_ = 0;  // storage bit that holds bit 0
    std::vector<uint8_t> bytes_;
    std::vector<uint8_t> next_;
};

}  // namespace kelsim

#endif  // KELSIM_SHIFT_REGISTER_H
