// The report buffer and the digest cache must write exactly what the string helpers give,
// across the buffer's capacity and for values that share a cache slot.
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "report/DigestCache.h"
#include "report/JsonText.h"
#include "report/ReportBuffer.h"
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

}  // namespace
}  // namespace checktest
