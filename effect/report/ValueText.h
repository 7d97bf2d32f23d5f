// Register values as reports show them: hex digits in SVF order (most significant first), in
// full up to 256 bits, else the first 16 digits and an ellipsis, with a hash to tell values apart.
#ifndef KELSVF_CHECK_VALUE_TEXT_H
#define KELSVF_CHECK_VALUE_TEXT_H

#include <cstdint>
#include <span>
#include <string>

namespace kelsvf::check {

// Values up to this many bits are shown whole.
constexpr uint64_t kWholeValueBits = 256;

// 64-bit FNV-1a of the bytes.
uint64_t fnv1a(std::span<const uint8_t> bytes);
// The FNV-1a of `bitCount` one bits as a bit buffer holds them (the unused top bits zero).
uint64_t fnv1aOfOnes(uint64_t bitCount);

// (bitCount + 3) / 4 hex digits, most significant first, of a bit buffer; an empty `bits`
// stands for all ones (a MASK that compares every bit). Past kWholeValueBits: the first 16
// digits and "…".
std::string valueText(std::span<const uint8_t> bits, uint64_t bitCount);
// Whether valueText shortens a value of this length.
inline bool isShortened(uint64_t bitCount) {
    return bitCount > kWholeValueBits;
}

// 16 lower-case hex digits.
std::string hashText(uint64_t hash);

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_VALUE_TEXT_H
