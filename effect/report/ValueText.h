// Register values as reports show them: hex digits in SVF order (most significant first), in
// full up to 256 bits, else the first 16 digits and an ellipsis, with a digest to tell values
// apart.
#ifndef KELSVF_CHECK_VALUE_TEXT_H
#define KELSVF_CHECK_VALUE_TEXT_H

#include <concepts>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "BitValue.h"

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
// Every digit, however long the value.
std::string fullValueText(std::span<const uint8_t> bits, uint64_t bitCount);
// Whether valueText shortens a value of this length.
inline bool isShortened(uint64_t bitCount) {
    return bitCount > kWholeValueBits;
}

// 16 lower-case hex digits.
std::string hashText(uint64_t hash);

// The first 16 hex digits of the SHA-256 of the value's length (8 bytes, least significant
// first) and its (bitCount + 7) / 8 bytes: collision resistant, so that two shortened values
// with the same digest are the same value.
std::string digestText(std::span<const uint8_t> bits, uint64_t bitCount);

// The same of a value that may be long: only its top digits, its blocks for the digest, are
// read. A value that cannot be read back shows as "(unreadable)", its digest as "(no digest)".
// (Templates, so that a braced {} still means an empty span.)
std::string valueTextOf(const BitValue& value, uint64_t bitCount);
std::string valueTextOf(const ReadBits& read, uint64_t bitCount);
std::string fullValueTextOf(const BitValue& value, uint64_t bitCount);
std::string digestTextOf(const BitValue& value, uint64_t bitCount);
std::string digestTextOf(const ReadBits& read, uint64_t bitCount);
template <std::same_as<BitValue> Value>
std::string valueText(const Value& value, uint64_t bitCount) {
    return valueTextOf(value, bitCount);
}
template <std::same_as<BitValue> Value>
std::string fullValueText(const Value& value, uint64_t bitCount) {
    return fullValueTextOf(value, bitCount);
}
template <std::same_as<BitValue> Value>
std::string digestText(const Value& value, uint64_t bitCount) {
    return digestTextOf(value, bitCount);
}

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_VALUE_TEXT_H
