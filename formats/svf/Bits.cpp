// Bits in memory and constants, slicing, block reads from the bottom and from the top.
#include "kelsvfreader/Bits.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "BitCopy.h"

namespace kelsvfreader {
namespace {

class MemoryStore final : public BitStore {
  public:
    MemoryStore(std::vector<uint8_t> bytes, uint64_t bitCount)
        : bytes_(std::move(bytes)), size_(bitCount) {}
    uint64_t size() const override { return size_; }
    const uint8_t* memory() const override { return bytes_.data(); }
    bool read(uint64_t first, uint64_t count, uint8_t* out) const override {
        extractBits(bytes_.data(), first, count, out);
        return true;
    }

  private:
    std::vector<uint8_t> bytes_;
    uint64_t size_;
};

constexpr uint64_t kDefaultBlockBits = uint64_t{1} << 22;

}  // namespace

Bits Bits::fromShort(const uint8_t* bytes, uint64_t bitCount) noexcept {
    Bits bits;
    if (bitCount == 0 || bitCount > kSmallBits) {
        return bitCount == 0
                   ? bits
                   : fromBytes(std::vector<uint8_t>(bytes, bytes + bytesFor(bitCount)), bitCount);
    }
    std::memcpy(bits.small_, bytes, bytesFor(bitCount));
    clearPast(bits.small_, bitCount);
    bits.size_ = bitCount;
    bits.isSmall_ = true;
    return bits;
}

Bits Bits::fromBytes(std::vector<uint8_t> bytes, uint64_t bitCount) noexcept {
    if (bitCount == 0) {
        return Bits();
    }
    if (bitCount <= kSmallBits && bytes.size() >= bytesFor(bitCount)) {
        return fromShort(bytes.data(), bitCount);
    }
    try {
        bytes.resize(bytesFor(bitCount));
        clearPast(bytes.data(), bitCount);
        return fromStore(std::make_shared<MemoryStore>(std::move(bytes), bitCount));
    } catch (const std::bad_alloc&) {
        return Bits();
    }
}

Bits Bits::fromStore(std::shared_ptr<const BitStore> store) noexcept {
    Bits bits;
    if (store != nullptr && store->size() != 0) {
        bits.size_ = store->size();
        bits.store_ = std::move(store);
    }
    return bits;
}

Bits Bits::ones(uint64_t bitCount) noexcept {
    Bits bits;
    bits.size_ = bitCount;
    bits.ones_ = bitCount != 0;
    return bits;
}

Bits Bits::zeros(uint64_t bitCount) noexcept {
    Bits bits;
    bits.size_ = bitCount;
    return bits;
}

Bits Bits::slice(uint64_t first, uint64_t count) const noexcept {
    if (isSmall_) {
        first = std::min(first, size_);
        count = std::min(count, size_ - first);
        uint8_t bytes[kSmallBits / 8];
        extractBits(small_, first, count, bytes);
        return fromShort(bytes, count);
    }
    Bits part = *this;
    first = std::min(first, size_);
    part.first_ = first_ + first;
    part.size_ = std::min(count, size_ - first);
    if (part.size_ == 0) {
        return Bits();
    }
    return part;
}

const uint8_t* Bits::memory() const {
    if (isSmall_) {
        return small_;
    }
    if (store_ == nullptr || first_ != 0 || size_ != store_->size()) {
        return nullptr;
    }
    return store_->memory();
}

bool Bits::allOnes() const {
    return store_ == nullptr && ones_;
}

bool Bits::allZeros() const {
    if (isSmall_) {
        return false;  // as a value in memory: not known without reading
    }
    return store_ == nullptr ? !ones_ : store_->allZeros();
}

bool Bits::read(uint64_t first, uint64_t count, uint8_t* out) const noexcept {
    if (count == 0) {
        return true;
    }
    const uint64_t inside = first >= size_ ? 0 : std::min(count, size_ - first);
    if (inside < count) {
        std::memset(out, 0, bytesFor(count));
    }
    if (inside == 0) {
        return true;
    }
    if (isSmall_) {
        extractBits(small_, first, inside, out);
        clearPast(out, count);
        return true;
    }
    if (store_ == nullptr) {
        fillBits(out, 0, inside, ones_);
        clearPast(out, count);
        return true;
    }
    try {
        return store_->read(first_ + first, inside, out);
    } catch (...) {
        return false;
    }
}

bool Bits::readFromTop(uint64_t blockBits,
                       const std::function<bool(const uint8_t*, uint64_t)>& take) const noexcept {
    if (blockBits == 0 || blockBits % 8 != 0) {
        blockBits = kDefaultBlockBits;
    }
    try {
        std::vector<uint8_t> block(bytesFor(std::min(blockBits, size_)));
        for (uint64_t top = size_; top > 0;) {
            const uint64_t bottom = (top - 1) / blockBits * blockBits;
            if (!read(bottom, top - bottom, block.data()) || !take(block.data(), top - bottom)) {
                return false;
            }
            top = bottom;
        }
        return true;
    } catch (...) {
        return false;
    }
}

std::string Bits::readError() const {
    if (store_ == nullptr) {
        return {};
    }
    try {
        return store_->readError();
    } catch (...) {
        return "out of memory";
    }
}

const uint8_t* Bits::wholeBytes(std::vector<uint8_t>& scratch) const noexcept {
    static const uint8_t kNone = 0;
    if (size_ == 0) {
        return &kNone;
    }
    if (const uint8_t* bytes = memory(); bytes != nullptr) {
        return bytes;
    }
    try {
        scratch.assign(bytesFor(size_), 0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return read(0, size_, scratch.data()) ? scratch.data() : nullptr;
}

std::vector<uint8_t> Bits::toBytes() const noexcept {
    std::vector<uint8_t> scratch;
    const uint8_t* const whole = wholeBytes(scratch);
    if (whole == nullptr || size_ == 0) {
        return {};
    }
    if (whole == scratch.data()) {
        return scratch;
    }
    try {
        return std::vector<uint8_t>(whole, whole + bytesFor(size_));
    } catch (const std::bad_alloc&) {
        return {};
    }
}

bool operator==(const Bits& a, const Bits& b) noexcept {
    if (a.size_ != b.size_) {
        return false;
    }
    if (!a.isSmall_ && !b.isSmall_ && a.store_ == b.store_ && a.first_ == b.first_ &&
        a.ones_ == b.ones_) {
        return true;
    }
    if ((a.allOnes() && b.allOnes()) || (a.allZeros() && b.allZeros())) {
        return true;
    }
    const uint8_t* const memoryA = a.memory();
    const uint8_t* const memoryB = b.memory();
    if (memoryA != nullptr && memoryB != nullptr) {
        return std::memcmp(memoryA, memoryB, bytesFor(a.size_)) == 0;
    }
    try {
        constexpr uint64_t kBlock = uint64_t{1} << 19;
        std::vector<uint8_t> blockA(bytesFor(std::min(kBlock, a.size_)));
        std::vector<uint8_t> blockB(blockA.size());
        for (uint64_t at = 0; at < a.size_; at += kBlock) {
            const uint64_t count = std::min(kBlock, a.size_ - at);
            if (!a.read(at, count, blockA.data()) || !b.read(at, count, blockB.data()) ||
                std::memcmp(blockA.data(), blockB.data(), bytesFor(count)) != 0) {
                return false;
            }
        }
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace kelsvfreader
