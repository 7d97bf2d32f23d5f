// The reader that round-trip checks rely on: it must give back exactly the bits of a vector, and
// refuse what it cannot read rather than guess.
#include "SvfReader.h"

#include <gtest/gtest.h>

namespace svftest {
namespace {

TEST(SvfReader, ReadsStatementsAcrossLinesWithTheirBits) {
    const SvfParse parse = parseSvf(
        "STATE RESET;\r\n! a comment\r\nRUNTEST 100 TCK;\r\n"
        "HIR 10 TDI (03ff);\r\nTDR 0;\r\n"
        "SDR 36 TDI (f\r\n12345678);\r\n// another comment\nsir 6 tdi (2a) TDO (00) MASK (3f);");
    ASSERT_TRUE(parse.ok()) << parse.error;
    ASSERT_EQ(6u, parse.statements.size());
    EXPECT_EQ("STATE", parse.statements[0].keyword);
    EXPECT_EQ(std::vector<std::string>{"RESET"}, parse.statements[0].words);
    EXPECT_EQ((std::vector<std::string>{"100", "TCK"}), parse.statements[1].words);

    const SvfStatement& hir = parse.statements[2];
    EXPECT_EQ(10u, hir.bitCount);
    EXPECT_EQ((std::vector<uint8_t>{0xFF, 0x03}), hir.tdi);
    EXPECT_FALSE(parse.statements[3].hasTdi);
    EXPECT_EQ(0u, parse.statements[3].bitCount);

    // Least significant byte first, as the scans hold their bits.
    EXPECT_EQ((std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12, 0x0F}), parse.statements[4].tdi);
    const SvfStatement& sir = parse.statements[5];
    EXPECT_EQ("SIR", sir.keyword);
    EXPECT_EQ(std::vector<uint8_t>{0x2A}, sir.tdi);
    EXPECT_EQ((std::vector<std::string>{"TDO", "MASK"}), sir.otherVectors);
}

TEST(SvfReader, ReadsRunsAndEndStates) {
    const SvfParse parse = parseSvf(
        "RUNTEST 100 TCK;\r\nRUNTEST 100 TCK 250000E-06 SEC;\r\nRUNTEST 1E-06 SEC;\r\n"
        "RUNTEST IDLE 2147483647 TCK ENDSTATE IDLE;\r\n"
        "runtest irpause 5 tck 1500e-06 sec endstate irpause;\r\n"
        "RUNTEST RESET 2000000000E-06 SEC ENDSTATE RESET;\r\nENDIR DRPAUSE;\r\nENDDR RESET;\r\n");
    ASSERT_TRUE(parse.ok()) << parse.error;
    ASSERT_EQ(8u, parse.statements.size());
    struct Expected {
        std::string runState;
        std::optional<uint64_t> clocks;
        std::optional<uint64_t> microseconds;
        std::string endState;
    };
    const std::vector<Expected> runs{
        {"", 100, std::nullopt, ""},     {"", 100, 250000, ""},
        {"", std::nullopt, 1, ""},       {"IDLE", 2147483647, std::nullopt, "IDLE"},
        {"IRPAUSE", 5, 1500, "IRPAUSE"}, {"RESET", std::nullopt, 2000000000, "RESET"},
    };
    for (size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(i);
        const SvfStatement& statement = parse.statements[i];
        ASSERT_TRUE(statement.run.has_value());
        EXPECT_EQ(runs[i].runState, statement.run->runState);
        EXPECT_EQ(runs[i].clocks, statement.run->clocks);
        EXPECT_EQ(runs[i].microseconds, statement.run->microseconds);
        EXPECT_EQ(runs[i].endState, statement.run->endState);
    }
    EXPECT_EQ(std::vector<std::string>{"DRPAUSE"}, parse.statements[6].words);
    EXPECT_EQ("ENDDR", parse.statements[7].keyword);
    EXPECT_FALSE(parse.statements[7].run.has_value());
}

TEST(SvfReader, RefusesWhatItCannotRead) {
    for (const char* text : {
             "SIR 4 TDI (1f);",  // a bit beyond the length
             "SIR 8 TDI (0g);",  // not hexadecimal
             "SDR 8 TDI ();",    // empty vector
             "SDR TDI (00);",    // no length
             "SDR 8 TDI (00)",   // no ';'
             "SDR 8 TDI (00;",   // unterminated vector
             "SDR 8 TDI (00) TDI (01);",
             "SDR 8 XYZ (00);",
             "STATE (00);",
             "(00);",
             "RUNTEST;",                           // a run of nothing
             "RUNTEST IDLE ENDSTATE IDLE;",        // likewise
             "RUNTEST 10 SCK;",                    // another clock
             "RUNTEST 1.5E-03 SEC;",               // a time in another notation
             "RUNTEST 1E-6 SEC;",                  // likewise
             "RUNTEST E-06 SEC;",                  // no digits
             "RUNTEST 1x TCK;",                    // not a count
             "RUNTEST 99999999999999999999 TCK;",  // beyond 64 bits
             "RUNTEST DRSHIFT 5 TCK;",             // a state SVF cannot hold
             "RUNTEST 5 TCK ENDSTATE DRSHIFT;",
             "RUNTEST 5 TCK 1E-06 SEC MAXIMUM 2E-06 SEC;",
             "RUNTEST 1E-06 SEC 5 TCK;",  // out of order
             "ENDIR;",
             "ENDDR IDLE RESET;",
             "ENDIR DRSHIFT;",
         }) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(parseSvf(text).ok());
    }
    EXPECT_TRUE(parseSvf("  \r\n").ok());
    EXPECT_TRUE(parseSvf("").statements.empty());
}

}  // namespace
}  // namespace svftest
