// The report buffer and the digest cache must write exactly what the string helpers give,
// across the buffer's capacity and for values that share a cache slot.
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "report/DecimalText.h"
#include "report/DigestCache.h"
#include "report/JsonText.h"
#include "report/ReportBuffer.h"
#include "report/ReportRoom.h"
#include "report/ValueText.h"

namespace checktest {
namespace {

using namespace kelsvf::check;

// What `write` puts through a ReportBuffer, read back from a temporary file.
template <typename Write>
std::string written(Write write) {
    std::FILE* file = std::tmpfile();
    {
        ReportBuffer buffer(file);
        write(buffer);
    }
    std::string text(static_cast<size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    EXPECT_EQ(std::fread(text.data(), 1, text.size(), file), text.size());
    std::fclose(file);
    return text;
}

TEST(ReportBuffer, WritesWhatTheStringHelpersGive) {
    const std::vector<uint8_t> bytes = {0x5a, 0xff, 0x03, 0x80, 0x7f};
    const std::string huge(300 * 1024, 'x');  // past the buffer's capacity
    std::string expected;
    const std::string text = written([&](ReportBuffer& out) {
        for (const std::string& piece : {std::string("plain"), std::string("a\"b\n\xff"), huge}) {
            out.jsonString(piece).put(';');
            expected += jsonString(piece) + ';';
        }
        for (const uint64_t bits : {uint64_t{1}, uint64_t{4}, uint64_t{13}, uint64_t{40}}) {
            out.hexDigits(bytes, bits).put(' ').hexDigits({}, bits).put(' ');
            expected += fullValueText(bytes, bits) + ' ' + fullValueText({}, bits) + ' ';
        }
        // Enough numbers to cross the capacity several times.
        for (uint64_t i = 0; i < 40000; ++i) {
            const uint64_t n = i == 0 ? std::numeric_limits<uint64_t>::max() : i * 7919;
            out.number(n).put(',');
            out.endEvent();
            expected += std::to_string(n) + ',';
        }
    });
    EXPECT_EQ(text, expected);
}

TEST(DigestCache, GivesTheDigestOfEachValueAndLength) {
    DigestCache cache;
    std::vector<std::vector<uint8_t>> values;
    for (unsigned i = 0; i < 300; ++i) {  // more than the slots: entries are replaced
        values.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8)});
    }
    values.push_back(std::vector<uint8_t>(40, 0x11));  // too long to cache
    for (int round = 0; round < 2; ++round) {
        for (const std::vector<uint8_t>& value : values) {
            for (const uint64_t bits : {value.size() * 8, value.size() * 8 - 7}) {
                ASSERT_EQ(cache.of(value, bits), digestText(value, bits));
            }
        }
    }
}

// Every length up to the whole-value limit, odd ones too: in memory with stray bits past the
// length (not the value's), all ones, and joined from two scans; numbers at each digit boundary.
TEST(ReportRoom, WritesWhatTheStringHelpersGive) {
    std::vector<uint8_t> stray(kWholeValueBits / 8);
    for (size_t i = 0; i < stray.size(); ++i) {
        stray[i] = static_cast<uint8_t>(0xA5u ^ (i * 37u));
    }
    std::string expected;
    const std::string text = written([&](ReportBuffer& out) {
        for (uint64_t bits = 0; bits <= kWholeValueBits; ++bits) {
            const std::span<const uint8_t> shown = std::span(stray).first((bits + 7) / 8);
            std::vector<uint8_t> bytes(shown.begin(), shown.end());
            const BitValue inMemory(bytes, bits);
            std::vector<uint8_t> clean = bytes;
            if (bits % 8 != 0) {
                clean.back() &= static_cast<uint8_t>((1u << (bits % 8)) - 1u);
            }
            const size_t low = clean.size() / 2;
            const std::span<const uint8_t> parts(clean);
            const std::span<const uint8_t> lowPart = parts.first(low);
            const std::span<const uint8_t> highPart = parts.subspan(low);
            BitRope rope;
            ASSERT_TRUE(rope.append(Bits::fromBytes({lowPart.begin(), lowPart.end()}, low * 8)));
            ASSERT_TRUE(
                rope.append(Bits::fromBytes({highPart.begin(), highPart.end()}, bits - low * 8)));
            ReportRoom room(out, 3 * kMostShortValueText + 3);
            room.shortValue(inMemory, bits).put(' ').shortValue(BitValue(), bits).put(' ');
            room.shortValue(BitValue(rope), bits).put('\n');
            room.done();
            expected += fullValueText(bytes, bits) + ' ' + fullValueText({}, bits) + ' ' +
                        fullValueText(clean, bits) + '\n';
        }
        uint64_t power = 1;
        for (int digits = 1; digits <= 20; ++digits, power *= 10) {
            for (const uint64_t n : {power - 1, power, power + 1, power * 10 - 1}) {
                ReportRoom room(out, kMostDecimalDigits + 1);
                room.number(n).put(',');
                room.done();
                expected += std::to_string(n) + ',';
            }
        }
        // An event larger than the buffer (a file name that long) grows it.
        const std::string huge(300 * 1024, 'n');
        ReportRoom room(out, huge.size() + 1);
        room.put(huge).put('\n');
        room.done();
        expected += huge + '\n';
    });
    EXPECT_EQ(text, expected);
}

TEST(SteppedDecimal, GivesEachNumbersDigitsWhateverTheStep) {
    std::vector<uint64_t> values;
    for (uint64_t n = 0; n <= 120; ++n) {
        values.push_back(n);  // by one across 9 and 99
    }
    for (uint64_t n = 999'999'950; n < 1'000'000'050; n += 7) {
        values.push_back(n);  // by seven across the tenth digit
    }
    const uint64_t most = std::numeric_limits<uint64_t>::max();
    for (const uint64_t n : {uint64_t{1'000'000'049}, uint64_t{5}, uint64_t{4}, uint64_t{4'000},
                             uint64_t{4'009}, uint64_t{4'019}, most - 9, most, uint64_t{0}}) {
        values.push_back(n);  // again, back, jumps, steps of exactly 9 and 10, the largest
    }
    SteppedDecimal stepped;
    for (const uint64_t n : values) {
        ASSERT_EQ(stepped.text(n), std::to_string(n));
    }
}

// The last value's digest is reused only for the same length and every byte the same: values
// that differ in one byte anywhere, or only in bits past their length, one after the other.
TEST(DigestCache, ReusesTheLastDigestOnlyForTheSameValue) {
    DigestCache cache;
    for (const size_t size : {1u, 3u, 4u, 5u, 7u, 8u, 9u, 12u, 15u, 16u, 17u, 24u, 31u, 32u}) {
        std::vector<uint8_t> base(size);
        for (size_t i = 0; i < size; ++i) {
            base[i] = static_cast<uint8_t>(i * 29u + size);
        }
        for (size_t at = 0; at < size; ++at) {
            std::vector<uint8_t> other = base;
            other[at] ^= 0x10;
            for (const auto* value : {&base, &other, &other, &base}) {
                ASSERT_EQ(cache.of(*value, size * 8), digestText(*value, size * 8));
            }
        }
        ASSERT_EQ(cache.of(base, size * 8 - 3), digestText(base, size * 8 - 3));
        const std::vector<uint8_t> uncached(40, 0x11);
        ASSERT_EQ(cache.of(uncached, 320), digestText(uncached, 320));
        ASSERT_EQ(cache.of(base, size * 8 - 3), digestText(base, size * 8 - 3));
    }
}

}  // namespace
}  // namespace checktest
