#include "report/ValueText.h"

#include <openssl/evp.h>

#include <algorithm>
#include <memory>

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
    uint8_t length[8];
    for (size_t i = 0; i < sizeof length; ++i) {
        length[i] = static_cast<uint8_t>(bitCount >> (8 * i));
    }
    // Fetched and made once: a report digests every update.
    static EVP_MD* const sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    thread_local const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(
        EVP_MD_CTX_new(), EVP_MD_CTX_free);
    uint8_t digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    const bool done = sha256 != nullptr && context != nullptr &&
                      EVP_DigestInit_ex(context.get(), sha256, nullptr) == 1 &&
                      EVP_DigestUpdate(context.get(), length, sizeof length) == 1 &&
                      EVP_DigestUpdate(context.get(), bits.data(), bits.size()) == 1 &&
                      EVP_DigestFinal_ex(context.get(), digest, &size) == 1;
    if (!done || size < 8) {
        return "(no digest)";
    }
    std::string text(16, '0');
    for (size_t i = 0; i < 8; ++i) {
        text[2 * i] = kDigits[digest[i] >> 4];
        text[2 * i + 1] = kDigits[digest[i] & 0xF];
    }
    return text;
}

}  // namespace kelsvf::check
