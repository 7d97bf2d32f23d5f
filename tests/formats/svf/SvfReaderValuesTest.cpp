// The reader's value conversions: hex text into bit vectors (against a plain bit-by-bit
// reference, over random values and layouts), decimal numbers into counts and microseconds, and
// the TAP successor table that STATE paths are checked with.
#include <gtest/gtest.h>

#include <cctype>
#include <random>

#include "ReaderDump.h"
#include "SvfNames.h"
#include "SvfNumbers.h"
#include "kel/TapStateMachine.h"

namespace svfreadertest {
namespace {

using namespace kelsvfreader;

// SVF hex text of `bits` read bit by bit: the reference the reader is checked against.
std::string referenceHex(const std::vector<uint8_t>& bits, uint32_t bitCount) {
    std::string text;
    for (uint32_t nibble = (bitCount + 3) / 4; nibble-- > 0;) {
        unsigned value = 0;
        for (uint32_t bit = 4; bit-- > 0;) {
            const uint32_t index = nibble * 4 + bit;
            const bool set = index < bitCount &&
                             ((static_cast<unsigned>(bits[index / 8]) >> (index % 8)) & 1u) != 0;
            value = value << 1 | (set ? 1u : 0u);
        }
        text.push_back("0123456789ABCDEF"[value]);
    }
    return text;
}

// Random values with random leading zeros, letter case, blanks, line ends and comments between
// the digits, read back exactly.
TEST(SvfReaderHex, RandomValuesInRandomLayoutsReadBackExactly) {
    std::mt19937 random(20240611);
    const auto below = [&](uint32_t limit) {
        return std::uniform_int_distribution<uint32_t>(0, limit - 1)(random);
    };
    for (int round = 0; round < 300; ++round) {
        const uint32_t bitCount = round == 0 ? 70001 : 1 + below(200);
        std::vector<uint8_t> bits((bitCount + 7) / 8);
        for (auto& byte : bits) {
            byte = static_cast<uint8_t>(below(256));
        }
        if (below(4) == 0) {  // small values: the top digits are zero
            std::fill(bits.begin() + static_cast<long>(below(static_cast<uint32_t>(bits.size()))),
                      bits.end(), 0);
        }
        if (const uint32_t spare = bitCount % 8; spare != 0) {
            bits.back() = static_cast<uint8_t>(bits.back() & ((1u << spare) - 1));
        }
        std::string digits = std::string(below(3), '0') + referenceHex(bits, bitCount);
        if (below(2) == 0) {  // drop leading zeros
            digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
        }
        std::string text = "SDR " + std::to_string(bitCount) + " TDI (";
        for (const char digit : digits) {
            text.push_back(below(2) == 0 ? static_cast<char>(std::tolower(digit)) : digit);
            switch (below(40)) {
                case 0:
                    text += " ";
                    break;
                case 1:
                    text += "\r\n";
                    break;
                case 2:
                    text += "\t! note\r";
                    break;
                case 3:
                    text += "// note\n";
                    break;
                default:
                    break;
            }
        }
        text += ");\n";

        for (const size_t blockSize : {size_t{0}, size_t{1}, size_t{5}, size_t{64}}) {
            SvfReader reader = SvfReader::fromString(text, blockSize);
            Statement statement;
            ASSERT_TRUE(reader.next(statement)) << reader.error().message << "\n" << text;
            ASSERT_EQ(bits, statement.scan->tdi.toBytes()) << text;
        }
    }
}

TEST(SvfReaderHex, OneBitBeyondTheLengthIsRefusedForEveryLength) {
    for (uint32_t bitCount = 0; bitCount < 40; ++bitCount) {
        std::vector<uint8_t> bits(bitCount / 8 + 1);
        bits[bitCount / 8] = static_cast<uint8_t>(1u << (bitCount % 8));
        const std::string text = "SDR " + std::to_string(bitCount) + " TDI (" +
                                 referenceHex(bits, bitCount + 1) + ");\n";
        const ReadResult result = readWithBlockSize(text, 0);
        EXPECT_NE(std::string::npos, result.error.find("1 bits beyond")) << text;
    }
}

struct NumberCase {
    const char* text;
    int shift;
    NumberStatus status;
    uint64_t value;
    bool exact;
    bool realForm;
};

void PrintTo(const NumberCase& test, std::ostream* out) {
    *out << test.text;
}

class Numbers : public testing::TestWithParam<NumberCase> {};

TEST_P(Numbers, ScaleExactly) {
    const NumberCase& number = GetParam();
    ScaledNumber scaled;
    ASSERT_EQ(number.status, scaleDecimal(number.text, number.shift, scaled)) << number.text;
    if (number.status == NumberStatus::Ok) {
        EXPECT_EQ(number.value, scaled.value) << number.text;
        EXPECT_EQ(number.exact, scaled.exact) << number.text;
        EXPECT_EQ(number.realForm, scaled.realForm) << number.text;
    }
}

constexpr auto kOk = NumberStatus::Ok;
constexpr auto kBad = NumberStatus::Malformed;
constexpr auto kLarge = NumberStatus::TooLarge;

INSTANTIATE_TEST_SUITE_P(
    Decimal, Numbers,
    testing::Values(
        NumberCase{"100", 0, kOk, 100, true, false}, NumberCase{"1E-06", 6, kOk, 1, true, true},
        NumberCase{"2.5E-01", 6, kOk, 250000, true, true},
        NumberCase{"1.0E+03", 0, kOk, 1000, true, true},
        NumberCase{".5", 6, kOk, 500000, true, true}, NumberCase{"5.", 0, kOk, 5, true, true},
        NumberCase{"0.0000015", 6, kOk, 2, false, true},
        NumberCase{"1.5E-7", 6, kOk, 1, false, true},
        NumberCase{"1E-999999999", 6, kOk, 1, false, true},
        NumberCase{"0E999999999", 0, kOk, 0, true, true},
        NumberCase{"000000000000000000000000001", 0, kOk, 1, true, false},
        NumberCase{"18446744073709551615", 0, kOk, UINT64_MAX, true, false},
        NumberCase{"1844674407370955161.5", 1, kOk, UINT64_MAX, true, true},
        NumberCase{"18446744073709551616", 0, kLarge, 0, false, false},
        NumberCase{"18446744073709551614.5", 0, kOk, UINT64_MAX, false, true},
        NumberCase{"18446744073709551615.5", 0, kLarge, 0, false, false},
        NumberCase{"1E20", 0, kLarge, 0, false, false}, NumberCase{"", 0, kBad, 0, false, false},
        NumberCase{".", 0, kBad, 0, false, false}, NumberCase{"E5", 0, kBad, 0, false, false},
        NumberCase{"1E", 0, kBad, 0, false, false}, NumberCase{"1E+", 0, kBad, 0, false, false},
        NumberCase{"1.2.3", 0, kBad, 0, false, false}, NumberCase{"+1", 0, kBad, 0, false, false},
        NumberCase{"-1", 0, kBad, 0, false, false}, NumberCase{"1-", 0, kBad, 0, false, false},
        NumberCase{"0X10", 0, kBad, 0, false, false}));

TEST(SvfNumbers, MicrosecondsAsASinglePrecisionPlayerComputesThem) {
    uint32_t microseconds = 0;
    ASSERT_TRUE(singlePrecisionMicroseconds("247E-06", microseconds));
    EXPECT_EQ(246u, microseconds);
    ASSERT_TRUE(singlePrecisionMicroseconds("1500E-06", microseconds));
    EXPECT_EQ(1500u, microseconds);
    EXPECT_FALSE(singlePrecisionMicroseconds("4295E0", microseconds));
    EXPECT_FALSE(singlePrecisionMicroseconds("1E300", microseconds));
}

// The reader's own successor table agrees with the framework's, state by state.
TEST(SvfNames, SuccessorsAndNamesAgreeWithTheFramework) {
    for (int32_t value = 0; value < KelPluginInterface::KELJTAG_STATE_COUNT; ++value) {
        const auto state = static_cast<TapState>(value);
        for (const bool tms : {false, true}) {
            EXPECT_EQ(KelPluginInterface::TapStateMachine::nextState(state, tms ? 1u : 0u),
                      successorState(state, tms))
                << value << " " << tms;
        }
        EXPECT_EQ(state, stateByName(svfStateName(state)));
    }
    EXPECT_FALSE(stateByName("SHIFTDR"));
}

}  // namespace
}  // namespace svfreadertest
