// digestText of short values, remembered: a file that writes the same few values thousands of
// times needs each one's SHA-256 once.
#ifndef KELSVF_CHECK_DIGEST_CACHE_H
#define KELSVF_CHECK_DIGEST_CACHE_H

#include <array>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "report/ValueText.h"

namespace kelsvf::check {

class DigestCache {
  public:
    // A long value's digest is not kept (its bytes are not at hand to tell it apart).
    template <std::same_as<BitValue> Value>
    const std::string& of(const Value& value, uint64_t bitCount) {
        if (const uint8_t* whole = value.memory()) {
            return of(std::span<const uint8_t>(whole, (bitCount + 7) / 8), bitCount);
        }
        uncached_ = digestText(value, bitCount);
        return uncached_;
    }
    const std::string& of(std::span<const uint8_t> bits, uint64_t bitCount) {
        if (bits.size() > kMostBytes) {
            uncached_ = digestText(bits, bitCount);
            return uncached_;
        }
        Entry& entry = entries_[fnv1a(bits) % kEntries];
        if (entry.text.empty() || entry.bitCount != bitCount || entry.size != bits.size() ||
            (!bits.empty() && std::memcmp(entry.bytes.data(), bits.data(), bits.size()) != 0)) {
            entry.bitCount = bitCount;
            entry.size = bits.size();
            if (!bits.empty()) {
                std::memcpy(entry.bytes.data(), bits.data(), bits.size());
            }
            entry.text = digestText(bits, bitCount);
        }
        return entry.text;
    }

  private:
    static constexpr size_t kMostBytes = 32;
    static constexpr size_t kEntries = 64;
    struct Entry {
        uint64_t bitCount = 0;
        size_t size = 0;
        std::array<uint8_t, kMostBytes> bytes{};
        std::string text;  // empty: unused
    };
    std::array<Entry, kEntries> entries_{};
    std::string uncached_;
};

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_DIGEST_CACHE_H
