#include "kelsim/ShiftRegister.h"

#include <algorithm>

#include "kel/KelPlugin.h"

namespace kelsim {
namespace {

using KelPluginInterface::KelPlugin;

size_t bytesFor(uint32_t bits) {
    return (size_t{bits} + 7) / 8;
}

bool bitAt(const std::vector<uint8_t>& bytes, uint32_t index) {
    return ((static_cast<unsigned>(bytes[index / 8]) >> (index % 8)) & 1u) != 0;
}

void setBit(std::vector<uint8_t>& bytes, uint32_t index, bool value) {
    const auto mask = static_cast<uint8_t>(1u << (index % 8));
    bytes[index / 8] =
        static_cast<uint8_t>(value ? bytes[index / 8] | mask : bytes[index / 8] & ~mask);
}

}  // namespace

ShiftRegister::ShiftRegister(uint32_t length)
    : length_(std::max<uint32_t>(length, 1)), bytes_(bytesFor(length_), 0) {}

bool ShiftRegister::front() const {
    return bitAt(bytes_, head_);
}

bool ShiftRegister::shift(bool in) {
    const bool out = bitAt(bytes_, head_);
    // The freed storage bit becomes the TDI end once head_ moves past it.
    setBit(bytes_, head_, in);
    head_ = head_ + 1 == length_ ? 0 : head_ + 1;
    return out;
}

void ShiftRegister::load(const uint8_t* bits) {
    head_ = 0;
    KelPlugin::copyBits(bytes_.data(), 0, bits, 0, length_);
}

const std::vector<uint8_t>& ShiftRegister::bits() {
    putInOrder();
    return bytes_;
}

uint64_t ShiftRegister::value() {
    const std::vector<uint8_t>& ordered = bits();
    uint64_t result = 0;
    for (size_t i = 0; i < ordered.size() && i < 8; ++i) {
        result |= uint64_t{ordered[i]} << (8 * i);
    }
    return result;
}

std::vector<uint8_t>& ShiftRegister::next() {
    // Callers write all `length` bits; only the unused top bits need clearing.
    next_.resize(bytes_.size());
    next_.back() = 0;
    return next_;
}

void ShiftRegister::commitNext() {
    bytes_.swap(next_);
    head_ = 0;
}

void ShiftRegister::putInOrder() {
    if (head_ == 0) {
        return;
    }
    std::vector<uint8_t>& ordered = next();
    KelPlugin::copyBits(ordered.data(), 0, bytes_.data(), head_, length_ - head_);
    KelPlugin::copyBits(ordered.data(), length_ - head_, bytes_.data(), 0, head_);
    commitNext();
}

}  // namespace kelsim
