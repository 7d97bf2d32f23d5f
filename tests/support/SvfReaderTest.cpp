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
         }) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(parseSvf(text).ok());
    }
    EXPECT_TRUE(parseSvf("  \r\n").ok());
    EXPECT_TRUE(parseSvf("").statements.empty());
}

}  // namespace
}  // namespace svftest
