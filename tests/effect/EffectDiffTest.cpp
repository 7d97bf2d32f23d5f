// Two SVF texts compared by what they do to a chain: spelled differently, the same effect; one
// bit, one clock or one microsecond apart, a difference that names both files' lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EffectDiff.h"

namespace {

using namespace kelsvf::check;

// The plug-in's worked example: three devices (IR 6, 8, 10), each written in turn, then
// clocks in Run-Test/Idle.
const std::string kWorked =
    "STATE RESET;\r\nSTATE IDLE;\r\nHIR 10 TDI (03ff);\r\nTIR 6 TDI (3f);\r\nHDR 1 TDI (00);\r\n"
    "TDR 1 TDI (00);\r\nSIR 8 TDI (05);\r\nSDR 32 TDI (12345678);\r\nHIR 18 TDI (03ffff);\r\n"
    "TIR 0;\r\nHDR 2 TDI (00);\r\nTDR 0;\r\nSIR 6 TDI (2a);\r\nSDR 16 TDI (beef);\r\n"
    "HIR 0;\r\nTIR 14 TDI (3fff);\r\nHDR 0;\r\nTDR 2 TDI (00);\r\nSIR 10 TDI (03c5);\r\n"
    "SDR 40 TDI (0123456789);\r\nSTATE IDLE;\r\nRUNTEST 100 TCK;\r\nSTATE IDLE;\r\n";

ChainDescription workedChain() {
    return chainFromIrLengths({6, 8, 10});
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) {
        text.replace(at, from.size(), to);
    }
    return text;
}

DiffResult compare(const std::string& a, const std::string& b, size_t maxDifferences = 10) {
    kelsvfreader::SvfReader readerA = kelsvfreader::SvfReader::fromString(a);
    kelsvfreader::SvfReader readerB = kelsvfreader::SvfReader::fromString(b);
    return EffectDiff(workedChain(), EffectDiffOptions{maxDifferences}).compare(readerA, readerB);
}

// "5-9 | 5-10 clocks in IDLE: 100 | 101", "8 | 8 device 1 data: ...", "end" for a file's end.
std::string shown(const DiffPlace& place) {
    const std::string to = place.atEnd ? "end" : std::to_string(place.to);
    return place.from == place.to && !place.atEnd ? to : std::to_string(place.from) + "-" + to;
}

std::vector<std::string> lines(const DiffResult& result) {
    std::vector<std::string> out;
    for (const EffectDifference& difference : result.differences) {
        out.push_back(shown(difference.a) + " | " + shown(difference.b) + " " + difference.what +
                      ": " + difference.aSide + " | " + difference.bSide);
    }
    return out;
}

TEST(EffectDiff, TheSameEffectSpelledAnotherWayIsTheSame) {
    struct Spelling {
        const char* name;
        std::string text;
    };
    const std::vector<Spelling> spellings{
        {"itself", kWorked},
        {"LF line ends, all on few lines",
         "STATE RESET; STATE IDLE;\nHIR 10 TDI (03ff); TIR 6 TDI (3f); HDR 1 TDI (00);\n"
         "TDR 1 TDI (00); SIR 8 TDI (05); SDR 32\n TDI\n(1234\n5678);\nHIR 18 TDI (03ffff);\n"
         "TIR 0; HDR 2 TDI (00); TDR 0; SIR 6 TDI (2a); SDR 16 TDI (beef); HIR 0;\n"
         "TIR 14 TDI (3fff); HDR 0; TDR 2 TDI (00); SIR 10 TDI (03c5);\n"
         "SDR 40 TDI (0123456789); STATE IDLE; RUNTEST 100 TCK; STATE IDLE;\n"},
        {"lower case, fewer and more hex digits, comments",
         "! the worked example\r\nstate reset;\r\nstate idle;\r\nhir 10 tdi (3FF);\r\n"
         "tir 6 tdi (00003f);\r\nhdr 1 tdi (0);\r\ntdr 1 tdi (0); // trailer\r\n"
         "sir 8 tdi (5);\r\nsdr 32 tdi (0012345678);\r\nhir 18 tdi (3ffff);\r\ntir 0;\r\n"
         "hdr 2 tdi (0);\r\ntdr 0;\r\nsir 6 tdi (2A);\r\nsdr 16 tdi (BEEF);\r\nhir 0;\r\n"
         "tir 14 tdi (3FFF);\r\nhdr 0;\r\ntdr 2 tdi (0);\r\nsir 10 tdi (3C5);\r\n"
         "sdr 40 tdi (123456789);\r\nstate idle;\r\nruntest 100 tck;\r\nstate idle;\r\n"},
        {"a header and trailer written again, the run state named, the run in two",
         replaced(replaced(kWorked, "SDR 32 TDI (12345678);\r\n",
                           "HIR 10 TDI (03ff);\r\nTIR 6 TDI (3f);\r\nSDR 32 TDI (12345678);\r\n"),
                  "RUNTEST 100 TCK;", "RUNTEST IDLE 60 TCK ENDSTATE IDLE;\r\nRUNTEST 40 TCK;")},
    };
    for (const Spelling& spelling : spellings) {
        SCOPED_TRACE(spelling.name);
        const DiffResult result = compare(kWorked, spelling.text);
        EXPECT_TRUE(result.same());
        EXPECT_EQ(lines(result), std::vector<std::string>{});
        EXPECT_EQ(result.summaryA.drUpdates, 3u);
        EXPECT_EQ(result.summaryB.totalClocks, result.summaryA.totalClocks);
    }
}

TEST(EffectDiff, EachDifferenceNamesBothFilesLines) {
    struct Change {
        const char* name;
        std::string a;
        std::string b;
        std::vector<std::string> expected;
    };
    const std::vector<Change> changes{
        {"one data bit flipped",
         kWorked,
         replaced(kWorked, "SDR 16 TDI (beef);", "SDR 16 TDI (beff);"),
         {"14 | 14 device 0 data: beef (16 bits) | beff (16 bits)"}},
        {"one instruction bit flipped, the statement on a later line",
         kWorked,
         replaced(kWorked, "SIR 8 TDI (05);", "\r\nSIR 8 TDI (04);"),
         {"7 | 8 device 1 instruction: 05 (8 bits) | 04 (8 bits)"}},
        {"another RUNTEST count",
         kWorked,
         replaced(kWorked, "RUNTEST 100 TCK;", "RUNTEST 101 TCK;"),
         {"20-end | 20-end clocks in IDLE: 100 | 101"}},
        {"a wait added to the run",
         kWorked,
         replaced(kWorked, "RUNTEST 100 TCK;", "RUNTEST 100 TCK 1500E-06 SEC;"),
         {"20-end | 20-end minimum waits: 0 us | 1500 us"}},
        {"the run moved before the last device's scans",
         kWorked,
         replaced(replaced(kWorked, "RUNTEST 100 TCK;\r\n", ""), "HIR 0;",
                  "RUNTEST 100 TCK;\r\nHIR 0;"),
         // The run's clocks now come before device 2's instruction, not after its data.
         {"14-19 | 14-20 clocks in IDLE: 1 | 101", "20-end | 21-end clocks in IDLE: 100 | 0"}},
        {"a scan more",
         kWorked,
         kWorked + "SDR 40 TDI (0123456789);\r\n",
         {"20-end | 24 effect: nothing more | device 2 data 0123456789 (40 bits)"}},
        {"a TDO check more",
         kWorked,
         replaced(kWorked, "SDR 16 TDI (beef);", "SDR 16 TDI (beef) TDO (0001) MASK (000f);"),
         {"14 | 14 TDO check of a DR scan: none | 00004 under mask 0003c (18 bits)"}},
        {"a TDO check more, then another RUNTEST count: the stretches run on past the check",
         kWorked,
         replaced(
             replaced(kWorked, "SDR 16 TDI (beef);", "SDR 16 TDI (beef) TDO (0001) MASK (000f);"),
             "RUNTEST 100 TCK;", "RUNTEST 101 TCK;"),
         {"14 | 14 TDO check of a DR scan: none | 00004 under mask 0003c (18 bits)",
          "20-end | 20-end clocks in IDLE: 100 | 101"}},
        {"another TDO value expected",
         replaced(kWorked, "SDR 16 TDI (beef);", "SDR 16 TDI (beef) TDO (0001) MASK (000f);"),
         replaced(kWorked, "SDR 16 TDI (beef);", "SDR 16 TDI (beef) TDO (0003) MASK (000f);"),
         {"14 | 14 TDO check of a DR scan: 00004 under mask 0003c (18 bits) | 0000c under mask "
          "0003c (18 bits)"}},
        {"a TDO bit more compared",
         replaced(kWorked, "SDR 16 TDI (beef);", "SDR 16 TDI (beef) TDO (0001) MASK (000f);"),
         replaced(kWorked, "SDR 16 TDI (beef);", "SDR 16 TDI (beef) TDO (0001) MASK (001f);"),
         {"14 | 14 TDO check of a DR scan: 00004 under mask 0003c (18 bits) | 00004 under mask "
          "0007c (18 bits)"}},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        const DiffResult result = compare(change.a, change.b);
        EXPECT_FALSE(result.same());
        EXPECT_EQ(lines(result), change.expected);
        EXPECT_FALSE(result.stoppedEarly);
    }
}

TEST(EffectDiff, StopsAtTheLimitOfDifferences) {
    std::string b = replaced(kWorked, "SDR 32 TDI (12345678);", "SDR 32 TDI (12345679);");
    b = replaced(b, "SDR 16 TDI (beef);", "SDR 16 TDI (beee);");
    b = replaced(b, "SDR 40 TDI (0123456789);", "SDR 40 TDI (0123456788);");
    EXPECT_EQ(compare(kWorked, b, 10).differences.size(), 3u);
    const DiffResult limited = compare(kWorked, b, 2);
    EXPECT_EQ(limited.differences.size(), 2u);
    EXPECT_TRUE(limited.stoppedEarly);
}

TEST(EffectDiff, AFileTheReaderRefusesIsNotComparable) {
    const DiffResult result = compare(kWorked, replaced(kWorked, "SIR 6 TDI (2a);", "SIR 6 (2a);"));
    EXPECT_FALSE(result.same());
    EXPECT_FALSE(result.unreadableA.has_value());
    ASSERT_TRUE(result.unreadableB.has_value());
    EXPECT_EQ(result.unreadableB->line, 13u);
}

TEST(EffectDiff, LongValuesAreToldApartByTheirDigest) {
    const std::string ones(100, 'f');
    const std::string a = "SIR 24 TDI (fffc00);\nSDR 400 TDI (" + ones + ");\n";
    const std::string b = "SIR 24 TDI (fffc00);\nSDR 400 TDI (" + ones.substr(1) + "e);\n";
    const DiffResult result = compare(a, b);
    ASSERT_EQ(result.differences.size(), 1u);
    const EffectDifference& difference = result.differences[0];
    EXPECT_EQ(difference.what, "device 2 data, first difference at bit 0 (lines 2 | 2)");
    EXPECT_EQ(difference.aSide.substr(0, 16), "3fffffffffffffff");  // 398 bits: the others bypass
    EXPECT_NE(difference.aSide.find(" sha256 "), std::string::npos) << difference.aSide;
    EXPECT_NE(difference.aSide, difference.bSide);
}

// What the issue found calling files the same: continued scans, values that a 64-bit hash
// took for one, counts that wrapped.
TEST(EffectDiff, FilesThatDifferAreNeverTheSame) {
    std::string fives;
    for (int i = 0; i < 25; ++i) {
        fives += "5a";
    }
    const ChainDescription one = chainFromIrLengths({8});
    const struct {
        const char* name;
        std::string a;
        std::string b;
        std::string difference;  // the first one
    } cases[] = {
        {"the first piece of a continued scan",
         "ENDDR DRPAUSE;\nSIR 8 TDI (7A);\nSDR 8 TDI (01);\nSDR 8 TDI (02);\nENDDR IDLE;\n"
         "SDR 8 TDI (03);\n",
         "ENDDR DRPAUSE;\nSIR 8 TDI (7A);\nSDR 8 TDI (81);\nSDR 8 TDI (02);\nENDDR IDLE;\n"
         "SDR 8 TDI (03);\n",
         "6 | 6 device 0 data: 030201 (24 bits) | 030281 (24 bits)"},
        {"264-bit values whose FNV-1a hashes and first digits agree",
         "SIR 8 TDI (7A);\nSDR 264 TDI (" + fives + "c9d50fcf987edbc1);\n",
         "SIR 8 TDI (7A);\nSDR 264 TDI (" + fives + "6849f0eac0807b28);\n",
         "2 | 2 device 0 data, first difference at bit 0 (lines 2 | 2): 5a5a5a5a5a5a5a5a\u2026 "
         "sha256 "},
        {"a long bitstream in pieces, one bit of the second piece flipped",
         "ENDDR DRPAUSE;\nSIR 8 TDI (7A);\nSDR 264 TDI (" + fives +
             "01);\nSDR 8 TDI (02);\n"
             "ENDDR IDLE;\nSDR 8 TDI (03);\n",
         "ENDDR DRPAUSE;\nSIR 8 TDI (7A);\nSDR 264 TDI (" + fives +
             "01);\nSTATE DRPAUSE;\n"
             "SDR 8 TDI (06);\nENDDR IDLE;\nSDR 8 TDI (03);\n",
         "6 | 7 device 0 data, first difference at bit 266 (lines 4 | 5)"},
        {"a clock count past 2^64", "RUNTEST 18446744073709551615 TCK;\nRUNTEST 1 TCK;\n",
         "STATE IDLE;\n", "0-end | 0-end clocks in IDLE: 18446744073709551616 | 0"},
        {"waits past 2^64 microseconds",
         "RUNTEST 18446744073709551615E-06 SEC;\nRUNTEST 1E-06 SEC;\n",
         "RUNTEST 18446744073709551615E-06 SEC;\n",
         "0-end | 0-end minimum waits: 18446744073709551616 us | 18446744073709551615 us"},
    };
    for (const auto& c : cases) {
        kelsvfreader::SvfReader a = kelsvfreader::SvfReader::fromString(c.a);
        kelsvfreader::SvfReader b = kelsvfreader::SvfReader::fromString(c.b);
        std::vector<std::string> printed;
        EffectDiffOptions options;
        options.onDifference = [&](const EffectDifference& found) {
            printed.push_back(shown(found.a) + " | " + shown(found.b) + " " + found.what + ": " +
                              found.aSide + " | " + found.bSide);
        };
        const DiffResult result = EffectDiff(one, options).compare(a, b);
        ASSERT_FALSE(result.same()) << c.name;
        EXPECT_EQ(printed, lines(result)) << c.name;
        EXPECT_EQ(lines(result)[0].substr(0, c.difference.size()), c.difference) << c.name;
    }
}

}  // namespace
