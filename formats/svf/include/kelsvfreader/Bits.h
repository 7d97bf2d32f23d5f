// Long scan values without their cost in memory: an immutable, shared, sliceable sequence of bits
// that lies in memory, in a spill file (see SpillFile.h), or nowhere (all zeros, all ones).
//
// Bits use the bit-buffer convention: bit i is bit i % 8 of byte i / 8; bit 0 is the first into
// TDI and the first out of TDO. Copying a Bits shares its store. No exception leaves any of it.
#ifndef KELSVFREADER_BITS_H
#define KELSVFREADER_BITS_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kelsvfreader {

// Values up to this many bytes are kept in memory; readers spill longer ones.
constexpr uint64_t kInMemoryBytes = 1 << 20;

// Where bits are kept. Immutable once made; shared by every Bits that slices it.
class BitStore {
  public:
    virtual ~BitStore() = default;
    virtual uint64_t size() const = 0;
    // The bytes when the store is a buffer in memory, else null.
    virtual const uint8_t* memory() const { return nullptr; }
    // True when the store knows that it holds no 1 bit.
    virtual bool allZeros() const { return false; }
    // As Bits::read, for a range inside the store.
    virtual bool read(uint64_t first, uint64_t count, uint8_t* out) const = 0;
    // Why the last read failed.
    virtual std::string readError() const { return {}; }
};

class Bits {
  public:
    Bits() = default;  // 0 bits
    // `bytes` holds at least (bitCount + 7) / 8 bytes; bits past bitCount are cleared. An empty
    // Bits when there is no memory for it (callers check size()).
    static Bits fromBytes(std::vector<uint8_t> bytes, uint64_t bitCount) noexcept;
    // A short value copied from `bytes` ((bitCount + 7) / 8 of them): up to kSmallBits bits are
    // kept inside the Bits itself, without an allocation.
    static Bits fromShort(const uint8_t* bytes, uint64_t bitCount) noexcept;
    static constexpr uint64_t kSmallBits = 128;
    static Bits fromStore(std::shared_ptr<const BitStore> store) noexcept;
    static Bits ones(uint64_t bitCount) noexcept;   // kept in no memory
    static Bits zeros(uint64_t bitCount) noexcept;  // kept in no memory

    uint64_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Bits [first, first + count) of this one, clamped to size(); shares the store.
    Bits slice(uint64_t first, uint64_t count) const noexcept;

    // The bytes when the whole store lies in memory and this Bits is all of it: the fast path
    // for short scans, (size() + 7) / 8 bytes with no bit set past size(). Null otherwise (a
    // spilled, constant or sliced value); callers then use read(). A short value's bytes lie
    // inside this Bits: they live as long as it, not as long as a copy.
    const uint8_t* memory() const;
    bool allOnes() const;   // known without reading (made by ones())
    bool allZeros() const;  // known without reading (zeros(), or a value without a 1 digit)

    // Copies `count` bits from `first` to `out` (bit 0 to bit 0 of out[0]); the bits of the last
    // byte past `count` are cleared. Bits past size() read as 0. False when a spill file cannot
    // be read (see readError()).
    bool read(uint64_t first, uint64_t count, uint8_t* out) const noexcept;
    // The highest bits first, as writers of hex need them: calls `take(bytes, bitCount)` with
    // blocks of at most `blockBits` bits (a multiple of 8; 0 picks one), from the top of the
    // value down. Every block but the first (the top) has `blockBits` bits, so each starts at a
    // multiple of `blockBits`. False on a read failure or when `take` returns false.
    bool readFromTop(uint64_t blockBits,
                     const std::function<bool(const uint8_t*, uint64_t)>& take) const noexcept;
    std::string readError() const;

    // All bits as bytes, for short values and tests: memory() when it is there, else read into
    // `scratch`. Null on a read failure or without memory.
    const uint8_t* wholeBytes(std::vector<uint8_t>& scratch) const noexcept;
    // The same into a vector of its own ((size() + 7) / 8 bytes); empty on a failure.
    std::vector<uint8_t> toBytes() const noexcept;

    // Same length and the same bits (a failed read compares unequal).
    friend bool operator==(const Bits& a, const Bits& b) noexcept;

  private:
    std::shared_ptr<const BitStore> store_;  // null: small_, or a constant, ones_ or zeros
    uint64_t first_ = 0;
    uint64_t size_ = 0;
    bool ones_ = false;
    bool isSmall_ = false;  // the bits are small_, from bit 0
    uint8_t small_[kSmallBits / 8] = {};
};

// Bits pieces end to end: a scan with its header and trailer, a register filled by continued
// scans. Reads as one sequence.
class BitRope {
  public:
    BitRope() = default;
    // False (and the rope unchanged) without memory.
    bool append(const Bits& piece) noexcept;
    bool append(const BitRope& rope) noexcept;
    uint64_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const std::vector<Bits>& pieces() const { return pieces_; }

    // As Bits.
    bool read(uint64_t first, uint64_t count, uint8_t* out) const noexcept;
    bool readFromTop(uint64_t blockBits,
                     const std::function<bool(const uint8_t*, uint64_t)>& take) const noexcept;
    // The pieces that cover [first, first + count), themselves sliced; empty without memory.
    BitRope slice(uint64_t first, uint64_t count) const noexcept;
    // True when every piece is known to hold no 1 bit (allZeros) without reading.
    bool allZeros() const;
    bool allOnes() const;
    std::string readError() const;

  private:
    std::vector<Bits> pieces_;
    std::vector<uint64_t> starts_;  // of each piece in the rope
    uint64_t size_ = 0;
};

}  // namespace kelsvfreader

#endif  // KELSVFREADER_BITS_H
