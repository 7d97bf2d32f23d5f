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
    DigestCache() = default;
    DigestCache(const DigestCache&) = delete;  // last_ points into entries_
    DigestCache& operator=(const DigestCache&) = delete;

    // A long value's digest is not kept (its bytes are not at hand to tell it apart).
    template <std::same_as<BitValue> Value>
    const std::string& of(const Value& value, uint64_t bitCount) {
        if (const uint8_t* whole = value.memory()) {
            return of(std::span<const uint8_t>(whole, (bitCount + 7) / 8), bitCount);
        }
        last_ = nullptr;
        uncached_ = digestText(value, bitCount);
        return uncached_;
    }
    const std::string& of(std::span<const uint8_t> bits, uint64_t bitCount) {
        if (bits.size() > kMostBytes) {
            last_ = nullptr;
            uncached_ = digestText(bits, bitCount);
            return uncached_;
        }
        // Most often the value of the event before: no hash to find its slot.
        if (last_ != nullptr && holds(*last_, bits, bitCount)) {
            return last_->text;
        }
        Entry& entry = entries_[slotOf(bits)];
        if (entry.text.empty() || !holds(entry, bits, bitCount)) {
            entry.bitCount = bitCount;
            entry.size = bits.size();
            if (!bits.empty()) {
                std::memcpy(entry.bytes.data(), bits.data(), bits.size());
            }
            entry.text = digestText(bits, bitCount);
        }
        last_ = &entry;
        return entry.text;
    }

  private:
    struct Entry;
    static size_t slotOf(std::span<const uint8_t> bits) {
        size_t hash = bits.size();
        for (const uint8_t byte : bits) {
            hash = hash * 31 + byte;
        }
        return hash % kEntries;
    }
    // Words compared, the last one overlapping the one before, rather than a call to memcmp:
    // the values are a few bytes.
    static bool holds(const Entry& entry, std::span<const uint8_t> bits, uint64_t bitCount) {
        const size_t size = bits.size();
        if (entry.bitCount != bitCount || entry.size != size) {
            return false;
        }
        const uint8_t* kept = entry.bytes.data();
        const uint8_t* given = bits.data();
        if (size >= 8) {
            for (size_t i = 0; i + 8 < size; i += 8) {
                if (word<uint64_t>(kept + i) != word<uint64_t>(given + i)) {
                    return false;
                }
            }
            return word<uint64_t>(kept + size - 8) == word<uint64_t>(given + size - 8);
        }
        if (size >= 4) {
            return word<uint32_t>(kept) == word<uint32_t>(given) &&
                   word<uint32_t>(kept + size - 4) == word<uint32_t>(given + size - 4);
        }
        for (size_t i = 0; i < size; ++i) {
            if (kept[i] != given[i]) {
                return false;
            }
        }
        return true;
    }
    template <typename Word>
    static Word word(const uint8_t* at) {
        Word value;
        std::memcpy(&value, at, sizeof value);
        return value;
    }

    static constexpr size_t kMostBytes = 32;
    static constexpr size_t kEntries = 64;
    struct Entry {
        uint64_t bitCount = 0;
        size_t size = 0;
        std::array<uint8_t, kMostBytes> bytes{};
        std::string text;  // empty: unused
    };
    std::array<Entry, kEntries> entries_{};
    const Entry* last_ = nullptr;  // the entry of the last call's value, if it was kept
    std::string uncached_;
};

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_DIGEST_CACHE_H
