#include "report/ValueText.h"

#include <openssl/evp.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace kelsvf::check {
namespace {

constexpr uint64_t kFnvOffset = 0xcbf29ce484222325ull;
constexpr uint64_t kFnvPrime = 0x100000001b3ull;
constexpr char kDigits[] = "0123456789abcdef";
constexpr size_t kShortDigits = 16;

unsigned nibbleAt(std::span<const uint8_t> bits, uint64_t bitCount, uint64_t index) {
    unsigned nibble = 0xF;
    if (!bits.empty()) {
        const uint8_t byte = bits[static_cast<size_t>(index / 2)];
        nibble = index % 2 == 0 ? byte & 0xFu : static_cast<unsigned>(byte >> 4);
    }
    // The top digit holds only the bits below bitCount.
    const uint64_t bitsInDigit = std::min<uint64_t>(4, bitCount - index * 4);
    return nibble & ((1u << bitsInDigit) - 1u);
}

}  // namespace

uint64_t fnv1a(std::span<const uint8_t> bytes) {
    uint64_t hash = kFnvOffset;
    for (const uint8_t byte : bytes) {
        hash = (hash ^ byte) * kFnvPrime;
    }
    return hash;
}

uint64_t fnv1aOfOnes(uint64_t bitCount) {
    uint64_t hash = kFnvOffset;
    for (uint64_t i = 0; i < bitCount / 8; ++i) {
        hash = (hash ^ 0xFFu) * kFnvPrime;
    }
    if (bitCount % 8 != 0) {
        hash = (hash ^ ((1u << (bitCount % 8)) - 1u)) * kFnvPrime;
    }
    return hash;
}

namespace {

// The digest of a value, fed in blocks: its length (8 bytes, least significant first), then its
// bytes. Fetched and made once: a report digests every update.
class Sha256 {
  public:
    Sha256() {
        static EVP_MD* const sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
        ok_ = sha256 != nullptr && context() != nullptr &&
              EVP_DigestInit_ex(context(), sha256, nullptr) == 1;
    }
    void addLength(uint64_t bitCount) {
        uint8_t length[8];
        for (size_t i = 0; i < sizeof length; ++i) {
            length[i] = static_cast<uint8_t>(bitCount >> (8 * i));
        }
        add(length);
    }
    void add(std::span<const uint8_t> bytes) {
        ok_ = ok_ && EVP_DigestUpdate(context(), bytes.data(), bytes.size()) == 1;
    }
    // The first 16 hex digits.
    std::string text() {
        uint8_t digest[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        if (!ok_ || EVP_DigestFinal_ex(context(), digest, &size) != 1 || size < 8) {
            return "(no digest)";
        }
        std::string hex(16, '0');
        for (size_t i = 0; i < 8; ++i) {
            hex[2 * i] = kDigits[digest[i] >> 4];
            hex[2 * i + 1] = kDigits[digest[i] & 0xF];
        }
        return hex;
    }

  private:
    static EVP_MD_CTX* context() {
        thread_local const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> made(
            EVP_MD_CTX_new(), EVP_MD_CTX_free);
        return made.get();
    }
    bool ok_ = false;
};

std::string digitsOf(std::span<const uint8_t> bits, uint64_t bitCount, bool whole) {
    const uint64_t digits = (bitCount + 3) / 4;
    const uint64_t shown = !whole && isShortened(bitCount) ? kShortDigits : digits;
    std::string text;
    text.reserve(static_cast<size_t>(shown) + 3);
    for (uint64_t i = 0; i < shown; ++i) {
        text += kDigits[nibbleAt(bits, bitCount, digits - 1 - i)];
    }
    if (shown < digits) {
        text += "\u2026";
    }
    return text;
}

}  // namespace

std::string valueText(std::span<const uint8_t> bits, uint64_t bitCount) {
    return digitsOf(bits, bitCount, false);
}

std::string fullValueText(std::span<const uint8_t> bits, uint64_t bitCount) {
    return digitsOf(bits, bitCount, true);
}

std::string hashText(uint64_t hash) {
    std::string text(16, '0');
    for (size_t i = 16; i-- > 0; hash >>= 4) {
        text[i] = kDigits[hash & 0xF];
    }
    return text;
}

std::string digestText(std::span<const uint8_t> bits, uint64_t bitCount) {
    Sha256 sha;
    sha.addLength(bitCount);
    sha.add(bits);
    return sha.text();
}

std::string valueTextOf(const BitValue& value, uint64_t bitCount) {
    if (value.empty()) {
        return valueText(std::span<const uint8_t>(), bitCount);
    }
    if (const uint8_t* whole = value.memory()) {
        return valueText(std::span<const uint8_t>(whole, (bitCount + 7) / 8), bitCount);
    }
    return valueTextOf(readerOf(value), bitCount);
}

std::string valueTextOf(const ReadBits& read, uint64_t bitCount) {
    // The digits shown, read alone: at most kWholeValueBits bits.
    const uint64_t digits = (bitCount + 3) / 4;
    const uint64_t shown = isShortened(bitCount) ? kShortDigits : digits;
    const uint64_t first = (digits - shown) * 4;
    uint8_t top[kWholeValueBits / 8 + 1] = {};
    if (!read(first, bitCount - first, top)) {
        return "(unreadable)";
    }
    std::string text = digitsOf(std::span<const uint8_t>(top, sizeof top), bitCount - first, true);
    if (shown < digits) {
        text += "\u2026";
    }
    return text;
}

std::string fullValueTextOf(const BitValue& value, uint64_t bitCount) {
    if (value.empty()) {
        return fullValueText(std::span<const uint8_t>(), bitCount);
    }
    std::vector<uint8_t> buffer;
    const std::span<const uint8_t> bytes = value.bytes(buffer);
    return bytes.empty() && bitCount != 0 ? "(unreadable)" : fullValueText(bytes, bitCount);
}

std::string digestTextOf(const BitValue& value, uint64_t bitCount) {
    if (const uint8_t* whole = value.memory()) {
        return digestText(std::span<const uint8_t>(whole, (bitCount + 7) / 8), bitCount);
    }
    if (value.allZeros()) {
        // Files load the same zeros again and again: one digest of each length serves them.
        thread_local std::pair<uint64_t, std::string> zeros{0, digestText({}, 0)};
        if (zeros.first != bitCount) {
            zeros = {bitCount, digestTextOf(readerOf(value), bitCount)};
        }
        return zeros.second;
    }
    return digestTextOf(readerOf(value), bitCount);
}

std::string digestTextOf(const ReadBits& read, uint64_t bitCount) {
    Sha256 sha;
    sha.addLength(bitCount);
    std::vector<uint8_t> block;
    for (uint64_t first = 0; first < bitCount; first += kBlockBits) {
        const uint64_t count = std::min(kBlockBits, bitCount - first);
        block.assign((count + 7) / 8, 0);
        if (!read(first, count, block.data())) {
            return "(no digest)";
        }
        sha.add(block);
    }
    return sha.text();
}

}  // namespace kelsvf::check
