// Long values: every Bits form (memory, spilled digits in a buffer or in the spill file, ones,
// zeros, ropes of them) read in slices that cross digit and byte boundaries against the value
// decoded in memory, and the failures of the spill file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <random>

#include "kelsvfreader/SpillFile.h"
#include "kelsvfreader/SvfReader.h"

namespace svfreadertest {
namespace {

using namespace kelsvfreader;

bool bitOf(const std::vector<uint8_t>& bytes, uint64_t i) {
    return i / 8 < bytes.size() && ((bytes[i / 8] >> (i % 8)) & 1u) != 0;
}

// Every slice from a spread of starts and lengths, bit by bit against `whole`; the bytes past
// the slice untouched and its last byte's spare bits clear.
template <typename Value>
void expectSlicesMatch(const Value& value, const std::vector<uint8_t>& whole,
                       const std::string& what) {
    const uint64_t size = value.size();
    for (const uint64_t first : {uint64_t{0}, uint64_t{1}, uint64_t{3}, uint64_t{4}, uint64_t{7},
                                 uint64_t{8}, uint64_t{13}, size / 2 + 5, size - size / 3}) {
        for (const uint64_t count :
             {uint64_t{1}, uint64_t{5}, uint64_t{8}, uint64_t{63}, uint64_t{257}, size}) {
            std::vector<uint8_t> out((count + 7) / 8 + 1, 0xA5);
            ASSERT_TRUE(value.read(first, count, out.data())) << what;
            for (uint64_t i = 0; i < count; ++i) {
                ASSERT_EQ(bitOf(whole, first + i) && first + i < size, bitOf(out, i))
                    << what << " first " << first << " count " << count << " bit " << i;
            }
            if (count % 8 != 0) {
                EXPECT_EQ(0, out[count / 8] >> (count % 8)) << what;
            }
            EXPECT_EQ(0xA5, out.back()) << what << ": wrote past the slice";
        }
    }
}

std::vector<uint8_t> readTopDown(const Bits& value, uint64_t blockBits) {
    std::vector<uint8_t> whole((value.size() + 7) / 8);
    uint64_t top = value.size();
    EXPECT_TRUE(value.readFromTop(blockBits, [&](const uint8_t* bytes, uint64_t bits) {
        top -= bits;
        EXPECT_EQ(0u, top % blockBits);
        for (uint64_t i = 0; i < bits; ++i) {
            if (bitOf(std::vector<uint8_t>(bytes, bytes + (bits + 7) / 8), i)) {
                whole[(top + i) / 8] |= static_cast<uint8_t>(1u << ((top + i) % 8));
            }
        }
        return true;
    }));
    EXPECT_EQ(0u, top);
    return whole;
}

// The values of a scan of `bits` bits with the text `hex`, read with and without spilling.
struct Readings {
    std::vector<Bits> spilled;
    std::vector<Bits> inMemory;
    std::string spillError;
    std::string memoryError;
};

Readings readBoth(const std::string& text, bool inMemoryToo = true) {
    Readings readings;
    for (const bool spill : {true, false}) {
        if (!spill && !inMemoryToo) {
            break;
        }
        SvfReader reader = SvfReader::fromString(text, 7);
        if (spill) {
            reader.setSpillThreshold(0);
        }
        Statement statement;
        while (reader.next(statement)) {
            (spill ? readings.spilled : readings.inMemory).push_back(statement.scan->tdi);
        }
        (spill ? readings.spillError : readings.memoryError) =
            reader.failed() ? reader.error().message : "";
    }
    return readings;
}

std::string randomHex(std::mt19937& random, size_t digits) {
    std::string hex;
    for (size_t i = 0; i < digits; ++i) {
        hex.push_back("0123456789abcdef"[random() % 16]);
    }
    return hex;
}

TEST(Bits, SpilledValuesReadAsTheDecodedOnes) {
    std::mt19937 random(5150);
    struct Case {
        uint32_t bits;
        std::string hex;
    };
    const std::string big = randomHex(random, 300001);  // past the writer's buffer: a file
    const std::vector<Case> cases = {
        {1, "1"},
        {4, "a"},
        {5, "1f"},
        {13, "1abc"},
        {64, "00f"},  // leading zeros, zero-extended
        {1000, "8000000000000000000000000000000001"},
        {4000, "0" + randomHex(random, 999)},  // an odd digit count
        {4000, randomHex(random, 998)},        // an even one
        {1200005, "1" + big},                  // even, in the file
        {1200001, "1" + big.substr(1)},        // odd, in the file
        {4294967295u, "0"},                    // no digit at all
        {4294967295u, "  // comment\r\n 0000 ff e1 \n"},
    };
    for (const Case& c : cases) {
        const std::string text = "SDR " + std::to_string(c.bits) + " TDI (" + c.hex + ");\n";
        const Readings readings = readBoth(text, c.bits < 4294967295u);
        ASSERT_EQ("", readings.spillError) << c.bits;
        ASSERT_EQ(1u, readings.spilled.size());
        const Bits& spilled = readings.spilled[0];
        EXPECT_EQ(c.bits, spilled.size());
        EXPECT_EQ(nullptr, spilled.memory());
        if (readings.inMemory.empty()) {  // too long to decode in memory: the digits alone
            EXPECT_EQ(c.hex == "0", spilled.allZeros());
            std::vector<uint8_t> top(1);
            std::vector<uint8_t> low(2);
            ASSERT_TRUE(spilled.read(c.bits - 8, 8, top.data()));
            ASSERT_TRUE(spilled.read(0, 16, low.data()));
            EXPECT_EQ(0, top[0]);
            EXPECT_EQ(c.hex == "0" ? 0x0000 : 0xffe1, low[0] | low[1] << 8);
            continue;
        }
        ASSERT_EQ(1u, readings.inMemory.size());
        const std::vector<uint8_t> whole = readings.inMemory[0].toBytes();
        expectSlicesMatch(spilled, whole, std::to_string(c.bits) + " bits");
        EXPECT_TRUE(spilled == readings.inMemory[0]);
        EXPECT_EQ(whole, readTopDown(spilled, 4096));
    }
}

TEST(Bits, SpilledValuesFailAsTheDecodedOnes) {
    for (const std::string& text : {
             std::string("SDR 5 TDI (3f);"),     // a 1 bit beyond the length
             std::string("SDR 13 TDI (2abc);"),  // the same in the top digit
             std::string("SDR 8 TDI (1ff);"),    // one digit too many
             std::string("SDR 8 TDI ();"),       // no digit
             std::string("SDR 8 TDI (f g);"),    // no hex digit
             std::string("SDR 8 TDI (ff"),       // the file ends
         }) {
        const Readings readings = readBoth(text);
        EXPECT_NE("", readings.memoryError) << text;
        EXPECT_EQ(readings.memoryError, readings.spillError) << text;
    }
}

TEST(Bits, ConstantsSlicesAndRopes) {
    std::mt19937 random(77);
    std::vector<uint8_t> bytes(40);
    for (uint8_t& b : bytes) {
        b = static_cast<uint8_t>(random());
    }
    const Bits memory = Bits::fromBytes(bytes, 317);
    const Bits pieces[] = {Bits::ones(13), memory.slice(3, 101), Bits::zeros(9), memory,
                           Bits::ones(64)};
    BitRope rope;
    std::vector<uint8_t> whole(64);
    uint64_t at = 0;
    for (const Bits& piece : pieces) {
        ASSERT_TRUE(rope.append(piece));
        const std::vector<uint8_t> own = piece.toBytes();
        for (uint64_t i = 0; i < piece.size(); ++i) {
            if (bitOf(own, i)) {
                whole[(at + i) / 8] |= static_cast<uint8_t>(1u << ((at + i) % 8));
            }
        }
        at += piece.size();
    }
    EXPECT_TRUE(Bits::ones(13).allOnes() && Bits::zeros(9).allZeros());
    EXPECT_EQ(std::vector<uint8_t>({0xFF, 0x1F}), Bits::ones(13).toBytes());
    EXPECT_EQ(nullptr, memory.slice(0, 100).memory());
    expectSlicesMatch(rope, whole, "rope");
    const BitRope middle = rope.slice(20, 200);
    std::vector<uint8_t> shifted(26);
    for (uint64_t i = 0; i < 200; ++i) {
        if (bitOf(whole, 20 + i)) {
            shifted[i / 8] |= static_cast<uint8_t>(1u << (i % 8));
        }
    }
    expectSlicesMatch(middle, shifted, "rope slice");
}

// Values of up to 128 bits live inside the Bits: slices, reads, equality and the bytes past the
// end as for a value in a store.
TEST(Bits, ShortValuesKeptInline) {
    std::vector<uint8_t> bytes(17);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(0x9D * (i + 1));
    }
    for (const uint64_t size : {uint64_t{1}, uint64_t{8}, uint64_t{13}, uint64_t{64}, uint64_t{127},
                                uint64_t{128}, uint64_t{129}}) {
        SCOPED_TRACE(size);
        const Bits value = Bits::fromShort(bytes.data(), size);
        ASSERT_EQ(size, value.size());
        ASSERT_NE(nullptr, value.memory());
        EXPECT_FALSE(value.allZeros());
        std::vector<uint8_t> whole(bytes.begin(), bytes.begin() + (size + 7) / 8);
        if (size % 8 != 0) {
            whole.back() &= static_cast<uint8_t>((1u << (size % 8)) - 1);
        }
        EXPECT_EQ(whole, value.toBytes());
        expectSlicesMatch(value, whole, "inline");
        const Bits slice = value.slice(3, size);
        std::vector<uint8_t> shifted((size + 7) / 8);
        for (uint64_t i = 0; i + 3 < size; ++i) {
            if (bitOf(whole, 3 + i)) {
                shifted[i / 8] |= static_cast<uint8_t>(1u << (i % 8));
            }
        }
        EXPECT_EQ(size - std::min<uint64_t>(3, size), slice.size());
        expectSlicesMatch(slice, shifted, "inline slice");
        // Equal to the same bits in a store; unequal with one bit changed.
        std::vector<uint8_t> changed = whole;
        changed[0] ^= 1;
        EXPECT_TRUE(value == Bits::fromBytes(whole, size));
        EXPECT_FALSE(value == Bits::fromShort(changed.data(), size));
        EXPECT_FALSE(value == Bits::zeros(size));
    }
}

TEST(Bits, SpillFileFailuresAreErrors) {
    // No file can be made: the reader fails with the reason.
    const char* saved = std::getenv("TMPDIR");
    const std::string keep = saved != nullptr ? saved : "";
    ::setenv("TMPDIR", "/nonexistent-kelsvf-folder", 1);
    const Readings readings = readBoth("SDR 1200000 TDI (" + std::string(300000, '5') + ");");
    saved != nullptr ? ::setenv("TMPDIR", keep.c_str(), 1) : ::unsetenv("TMPDIR");
    EXPECT_NE(std::string::npos, readings.spillError.find("cannot keep a long TDI value: "))
        << readings.spillError;
    EXPECT_NE(std::string::npos, readings.spillError.find("No such file or directory"));

    // A file that can no longer be read: reads fail with a reason, nothing else breaks.
    std::shared_ptr<SpillFile> file;
    SpillValueWriter writer(file, 1200000);
    const std::vector<uint8_t> pairs(150000, 0x5A);
    ASSERT_TRUE(writer.addPairs(pairs.data(), pairs.size()));
    Bits value;
    ASSERT_TRUE(writer.finish(value));
    ASSERT_NE(nullptr, file);
    const int empty = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(::dup2(empty, spillDescriptor(*file)), 0);
    ::close(empty);
    std::vector<uint8_t> out(16);
    EXPECT_FALSE(value.read(0, 128, out.data()));
    EXPECT_NE("", value.readError());
}

}  // namespace
}  // namespace svfreadertest
