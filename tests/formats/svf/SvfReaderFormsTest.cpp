// What the reader makes of well-formed SVF: every statement form the SVF target writes, the
// styles other generators use, and the values that an omitted vector or state resolves to.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ReaderDump.h"

namespace svfreadertest {
namespace {

using namespace kelsvfreader;
using Lines = std::vector<std::string>;

struct FormCase {
    const char* name;
    const char* svf;
    Lines statements;
    Lines notes;  // "kind@line:column"
};

void PrintTo(const FormCase& test, std::ostream* out) {
    *out << test.name;
}

class Forms : public testing::TestWithParam<FormCase> {};

TEST_P(Forms, ReadAsExpected) {
    const FormCase& form = GetParam();
    const ReadResult result = readAll(form.svf);
    EXPECT_EQ("", result.error);
    EXPECT_EQ(form.statements, result.statements);
    EXPECT_EQ(form.notes, result.notes);
}

INSTANTIATE_TEST_SUITE_P(
    WrittenBySvfTarget, Forms,
    testing::Values(
        FormCase{"SessionWithHeaders",
                 "STATE RESET;\r\nSTATE IDLE;\r\nHIR 0;\r\nTIR 14 TDI (3fff);\r\nHDR 0;\r\n"
                 "TDR 2 TDI (00);\r\nSIR 10 TDI (03c5);\r\nSDR 2400 TDI (bbda4c38838f1cbe\r\n"
                 "ff3481bee74f195c290c2138);\r\nSTATE IDLE;\r\n",
                 {"STATE RESET", "STATE IDLE", "HIR 0 TDI=- MASK=- SMASK=-",
                  "TIR 14 TDI=3fff! MASK=3fff SMASK=3fff", "HDR 0 TDI=- MASK=- SMASK=-",
                  "TDR 2 TDI=0! MASK=3 SMASK=3", "SIR 10 TDI=3c5! MASK=3ff SMASK=3ff",
                  "SDR 2400 TDI=" + std::string(560, '0') +
                      "bbda4c38838f1cbeff3481bee74f195c290c2138! MASK=" + std::string(600, 'f') +
                      " SMASK=" + std::string(600, 'f'),
                  "STATE IDLE"},
                 {"extra-hex-digits@6:12", "extra-hex-digits@7:13"}},
        FormCase{"RunsInIdleWithDefaultsInForce",
                 "RUNTEST 100 TCK;\r\nRUNTEST 100 TCK 250000E-06 SEC;\r\n"
                 "RUNTEST 250000E-06 SEC;\r\nRUNTEST 2147483647 TCK;\r\n"
                 "RUNTEST 2000000000E-06 SEC;\r\n",
                 {"RUNTEST run=IDLE count=100TCK end=IDLE",
                  "RUNTEST run=IDLE count=100TCK min=250000us end=IDLE",
                  "RUNTEST run=IDLE min=250000us end=IDLE",
                  "RUNTEST run=IDLE count=2147483647TCK end=IDLE",
                  "RUNTEST run=IDLE min=2000000000us end=IDLE"},
                 {}},
        FormCase{
            "RunsNamingTheirStates",
            "RUNTEST IDLE 100 TCK ENDSTATE IDLE;\r\n"
            "RUNTEST IDLE 250000E-06 SEC ENDSTATE IDLE;\r\n"
            "RUNTEST DRPAUSE 5 TCK ENDSTATE DRPAUSE;\r\n"
            "RUNTEST IRPAUSE 5 TCK 1500E-06 SEC ENDSTATE IRPAUSE;\r\n"
            "RUNTEST DRPAUSE 1500E-06 SEC ENDSTATE DRPAUSE;\r\n"
            "RUNTEST RESET 250000E-06 SEC ENDSTATE RESET;\r\n",
            {"RUNTEST run=IDLE! count=100TCK end=IDLE!", "RUNTEST run=IDLE! min=250000us end=IDLE!",
             "RUNTEST run=DRPAUSE! count=5TCK end=DRPAUSE!",
             "RUNTEST run=IRPAUSE! count=5TCK min=1500us end=IRPAUSE!",
             "RUNTEST run=DRPAUSE! min=1500us end=DRPAUSE!",
             "RUNTEST run=RESET! min=250000us end=RESET!"},
            {}},
        FormCase{"ScanEndStates",
                 "ENDIR IRPAUSE;\r\nSIR 4 TDI (e);\r\nENDDR DRPAUSE;\r\nSDR 8 TDI (a5);\r\n"
                 "ENDIR IDLE;\r\nENDDR IDLE;\r\n",
                 {"ENDIR IRPAUSE", "SIR 4 TDI=e! MASK=f SMASK=f", "ENDDR DRPAUSE",
                  "SDR 8 TDI=a5! MASK=ff SMASK=ff", "ENDIR IDLE", "ENDDR IDLE"},
                 {}}),
    [](const auto& test) { return test.param.name; });

INSTANTIATE_TEST_SUITE_P(
    OtherGenerators, Forms,
    testing::Values(
        FormCase{"CommentsAndStatementOverLines",
                 "! a header comment\n// and another one\nFREQUENCY 1.00E+07 HZ;\nTRST OFF;\n"
                 "SDR 32 TDI (00000000)\n       TDO (12345678) ! expected\n"
                 "       MASK (0FFFFFFF);\n",
                 {"FREQUENCY 10000000 HZ", "TRST OFF",
                  "SDR 32 TDI=00000000! TDO=12345678! MASK=0fffffff! SMASK=ffffffff"},
                 {}},
        FormCase{"AnyCaseTabsAndBareCr",
                 "sdr\t8 tdi(A5)\ttdo(5a) mask(Ff);\rEnDiR\tiRpAuSe;\r\n\tstate idle;",
                 {"SDR 8 TDI=a5! TDO=5a! MASK=ff! SMASK=ff", "ENDIR IRPAUSE", "STATE IDLE"},
                 {"no-line-end-after-last-statement@3:12"}},
        FormCase{"SeveralStatementsOnALine",
                 "SIR 4 TDI(e); SDR 8 TDI(01);\nSTATE IDLE;STATE RESET;\n",
                 {"SIR 4 TDI=e! MASK=f SMASK=f", "SDR 8 TDI=01! MASK=ff SMASK=ff", "STATE IDLE",
                  "STATE RESET"},
                 {"several-statements-on-line@1:15", "several-statements-on-line@2:12"}},
        FormCase{"ValueOverLinesWithComments",
                 "SDR 64 TDI (0123 4567 ! first half\n89ab // second half\r\ncdef);\n",
                 {"SDR 64 TDI=0123456789abcdef! MASK=ffffffffffffffff SMASK=ffffffffffffffff"},
                 {}},
        FormCase{
            "RunTestTimesAndStates",
            "RUNTEST IDLE 12 TCK 1.00E-03 SEC MAXIMUM 2.5E-01 SEC ENDSTATE IDLE;\n"
            "RUNTEST 5.0E-1 SEC;\nRUNTEST 3 TCK ENDSTATE DRPAUSE;\nRUNTEST 4 TCK;\n"
            "RUNTEST 1.5E-03 SEC MAXIMUM 3E-3 SEC;\n",
            {"RUNTEST run=IDLE! count=12TCK min=1000us max=250000us end=IDLE!",
             "RUNTEST run=IDLE min=500000us end=IDLE", "RUNTEST run=IDLE count=3TCK end=DRPAUSE!",
             "RUNTEST run=IDLE count=4TCK end=DRPAUSE",
             "RUNTEST run=IDLE min=1500us max=3000us end=DRPAUSE"},
            {}},
        FormCase{"InexactTimesRoundUp",
                 "RUNTEST 2.5E-7 SEC MAXIMUM 0.0000015 SEC;\n",
                 {"RUNTEST run=IDLE min=1us~ max=2us~ end=IDLE"},
                 {"single-precision-time@1:9"}},
        FormCase{"StatePaths",
                 "STATE DRSELECT DRCAPTURE DREXIT1 DRPAUSE;\nSTATE DRPAUSE DREXIT2 DRUPDATE "
                 "IDLE;\nSTATE IRPAUSE;\nSTATE RESET IDLE;\nSTATE IDLE DRSELECT IRSELECT RESET;\n",
                 {"STATE DRSELECT DRCAPTURE DREXIT1 DRPAUSE", "STATE DRPAUSE DREXIT2 DRUPDATE IDLE",
                  "STATE IRPAUSE", "STATE RESET IDLE", "STATE IDLE DRSELECT IRSELECT RESET"},
                 {}},
        FormCase{"TrstFrequencyAndPio",
                 "TRST ON;\nTRST z;\nTRST ABSENT;\nFREQUENCY;\nFREQUENCY 2.5E6 Hz;\n"
                 "PIOMAP (IN A OUT b INOUT C_1);\nPIO (HLZ UDX);\n",
                 {"TRST ON", "TRST Z", "TRST ABSENT", "FREQUENCY", "FREQUENCY 2500000 HZ",
                  "PIOMAP IN A OUT B INOUT C_1", "PIO HLZUDX"},
                 {"pio-used@6:1", "pio-used@7:1"}}),
    [](const auto& test) { return test.param.name; });

INSTANTIATE_TEST_SUITE_P(
    CarriedValues, Forms,
    testing::Values(
        FormCase{"SameLengthCarriesTdiMaskSmaskButNotTdo",
                 "SDR 8 TDI (a5) TDO (5a) MASK (0f) SMASK (f0);\nSDR 8;\nSDR 8 TDO (11);\n",
                 {"SDR 8 TDI=a5! TDO=5a! MASK=0f! SMASK=f0!", "SDR 8 TDI=a5 MASK=0f SMASK=f0",
                  "SDR 8 TDI=a5 TDO=11! MASK=0f SMASK=f0"},
                 {"mask-lost-after-unchecked-scan@3:7"}},
        FormCase{"NewLengthResetsMasksToOnes",
                 "SDR 8 TDI (a5) MASK (0f) SMASK (f0);\nSDR 12 TDI (abc);\n",
                 {"SDR 8 TDI=a5! MASK=0f! SMASK=f0!", "SDR 12 TDI=abc! MASK=fff SMASK=fff"},
                 {}},
        FormCase{"EachKindCarriesItsOwn",
                 "HIR 4 TDI (1);\nHDR 4 TDI (2);\nTIR 4 TDI (3);\nTDR 4 TDI (4);\n"
                 "SIR 4 TDI (5);\nSDR 4 TDI (6);\n"
                 "SDR 4;\nSIR 4;\nTDR 4;\nTIR 4;\nHDR 4;\nHIR 4;\n",
                 {"HIR 4 TDI=1! MASK=f SMASK=f", "HDR 4 TDI=2! MASK=f SMASK=f",
                  "TIR 4 TDI=3! MASK=f SMASK=f", "TDR 4 TDI=4! MASK=f SMASK=f",
                  "SIR 4 TDI=5! MASK=f SMASK=f", "SDR 4 TDI=6! MASK=f SMASK=f",
                  "SDR 4 TDI=6 MASK=f SMASK=f", "SIR 4 TDI=5 MASK=f SMASK=f",
                  "TDR 4 TDI=4 MASK=f SMASK=f", "TIR 4 TDI=3 MASK=f SMASK=f",
                  "HDR 4 TDI=2 MASK=f SMASK=f", "HIR 4 TDI=1 MASK=f SMASK=f"},
                 {}},
        FormCase{"ValuesFewerDigitsAndLeadingZeros",
                 "SDR 16 TDI (1);\nSDR 16 TDI (00000000beef);\nSDR 5 TDI (1f);\nSDR 0 TDI (0);\n",
                 {"SDR 16 TDI=0001! MASK=ffff SMASK=ffff", "SDR 16 TDI=beef! MASK=ffff SMASK=ffff",
                  "SDR 5 TDI=1f! MASK=1f SMASK=1f", "SDR 0 TDI=-! MASK=- SMASK=-"},
                 {"extra-hex-digits@2:13", "extra-hex-digits@4:12"}},
        FormCase{"MaskSetAgainAfterUncheckedScan",
                 "SIR 8 TDI(00) TDO(01) MASK(0f);\nSIR 8 TDI(00);\nSIR 8 TDI(00) TDO(01) "
                 "MASK(0f);\nSIR 8 TDI(00);\nSIR 9 TDI(000) TDO(001);\n",
                 {"SIR 8 TDI=00! TDO=01! MASK=0f! SMASK=ff", "SIR 8 TDI=00! MASK=0f SMASK=ff",
                  "SIR 8 TDI=00! TDO=01! MASK=0f! SMASK=ff", "SIR 8 TDI=00! MASK=0f SMASK=ff",
                  "SIR 9 TDI=000! TDO=001! MASK=1ff SMASK=1ff"},
                 {}}),
    [](const auto& test) { return test.param.name; });

// The commonest one-line statements are read in one step when the block holds them whole; read
// in blocks of a few bytes they take the general way. Both must give the same statements,
// notes, positions and messages, also at the edges of the one-step forms.
TEST(SvfReaderOneStep, ReadsAsTheGeneralReadingAtTheEdgesOfItsForms) {
    const std::string kTexts[] = {
        "SDR 16 TDI (7FFF);\nRUNTEST 10 TCK;\nSDR 16 TDI (0000) TDO (7fff) MASK (7FFF);\n",
        "SDR 16 TDI (7fff);\nSDR 16 TDO (1234);\nSDR 16;\nSDR 16 TDI (1) SMASK (3);\n",
        "sdr\t8\tTDI(a5)TDO(5a) ;\nRuNtEsT 1 tck\t;\nSDR  3  TDI  (7) ;\n",
        "SDR 3 TDI (8);\n",                           // a 1 bit beyond the length
        "SDR 4 TDI (01);\n",                          // an extra leading digit: a note
        "SDR 8 TDI (a5) TDI (5a);\n",                 // given twice
        "SDR 8 TDI ();\n",                            // empty
        "SDR 8 TDI (a 5);\nSDR 8 TDI (a5) ! c\n;\n",  // blanks and a comment inside
        "SDR 16 TDO (1234);\n",                       // no TDI to carry over
        "SDR 0;\nSDR 129 TDI (1" + std::string(32, 'f') + ");\nSDR 128 TDI (" +
            std::string(32, 'e') + ");\n",
        "SDR 5000 TDI (0);\nSDR 16TDI (1);\n",
        "SDR 8 TDI (a5) TDO (00);\nSDR 8 TDI (a5);\nSDR 8 TDI (a5) TDO (00);\n",  // MASK lost
        "RUNTEST 999999999 TCK;\nRUNTEST 1000000000 TCK;\nRUNTEST 2147483648 TCK;\n",
        "RUNTEST 10 SCK;\nRUNTEST 10 TCKS;\nRUNTEST 1E3 TCK;\nRUNTEST 10 TCK ENDSTATE IDLE;\n",
        "ENDDR DRPAUSE;\nRUNTEST DRPAUSE 5 TCK;\nRUNTEST 5 TCK;\nSDR 8 TDI (1);\n",
        "SDR 8 TDI (a5);SDR 8 TDI (5a);\nRUNTEST 1 TCK;RUNTEST 2 TCK;",
        "SDRX 8 TDI (1);\n",
        "SDR 8 TDI (1)\n",
        "RUNTEST 10 TCK\n",
        "SDR\n8 TDI (1);\nRUNTEST\r\n10 TCK;\nSDR(8);\n",  // a keyword at the line's end
        // A one-step text again is not parsed again: repeats and what must break them.
        "SDR 16 TDI (7FFF);\nSDR 16 TDI (7FFF);\r\nSDR 16 TDI (7FFF);\rRUNTEST 10 TCK;\n"
        "RUNTEST 10 TCK;\nRUNTEST 10 TCK;SDR 16 TDI (7FFF);\n  RUNTEST 10 TCK;\n",
        "SDR 8 TDI (a5) TDO (5a) MASK (0f);\nSIR 8 TDI (a5) TDO (5a) MASK (0f);\n"
        "SDR 8 TDI (a5) TDO (5a) MASK (0f);\nSIR 8 TDI (a5) TDO (5a) MASK (0f);\nSDR 8;\nSDR 8;\n",
        "SDR 8 TDI (a5) MASK (0f);\nSDR 4 TDI (5);\nSDR 8 TDI (a5) MASK (0f);\nSDR 8 TDI (a5);\n"
        "SDR 8 TDI (a5);\nSDR 8\nTDI (5a);\nSDR 8 TDI (a5);\nSDR 4\nTDI (1);\nSDR 8 TDI (a5);\n",
        "SDR 8 TDI (00);\nSDR 8 TDI (00);\nSDR 8  TDI (00)  TDO (01);\nSDR 8  TDI (00)  TDO (01);\n"
        "SDR 8  TDI (00)  TDO (01) MASK (3);\nSDR 8  TDI (00)  TDO (01);\nHDR 8 TDI (00);\n"
        "SDR 8 TDI (00);\nSDR 8  TDI (00)  TDO (01);\n",
        "SDR 8 TDO (01);\nSDR 8 TDI (1);\nSDR 8 TDO (01);\nSDR 8 TDO (01);\n"
        "SDR 0;\nSDR 0;\nsdr 0;\n",
        "RUNTEST 5 TCK;\nRUNTEST DRPAUSE 5 TCK;\nRUNTEST 5 TCK;\nRUNTEST 5 TCK;\n"
        "RUNTEST IDLE 5 TCK;\nRUNTEST 5 TCK;\nRUNTEST 5 TCK ENDSTATE IRPAUSE;\n"
        "RUNTEST 5 TCK;\nRuNtEsT 5 TCK;\n",
        "SDR 8 TDI (a5);\nSDR 8 TDI (a5);\nSDR 8 TDI (5a) ! c\n;\nSDR 8 TDI (a5);\n"
        "RUNTEST 7 TCK;\nRUNTEST 7 TCK;\nRUNTEST 7\nTCK;\nRUNTEST 7 TCK;\nRUNTEST 7 TCK;",
        "SDR 8 TDI (a5);\nSDR 8 TDI (a5);\nSDR 8 TDI (a5) TDI (1);\n",
        "SDR 16 TDI (7FFF);\nSDR 16 TDI (0) TDO (7FFF) MASK (7FFF);\nSDR 16 TDI (7FFF);\n"
        "SDR 16 TDI (0) TDO (7FFF) MASK (7FFF);\nSDR 16 TDI (7FFF);\nSDR 16 TDO (7FFF);\n"
        "SDR 16 TDI (7FFF);\nSDR 16 TDO (7FFF);\nSDR 8 TDI (1);\nSDR 16 TDI (7FFF);\n"
        "RUNTEST 10 TCK;\nRUNTEST 50003 TCK;\nRUNTEST 10 TCK;\nRUNTEST 3 TCK;\n"
        "RUNTEST 50003 TCK;\n",
        "SDR 8 TDI (1) MASK (3);\nSDR 8 TDI (2);\nSDR 8 TDI (1) MASK (3);\nSDR 8 TDI (2) TDO (1);\n"
        "SDR 8 TDI (2);\nSDR 8 TDI (2) TDO (1);\nSDR 8;\nSDR 4 TDI (1);\nSDR 8;\n",
        "SDR 8 TDI (a5);\nSDR 8 TDI (1\n2);\nSDR 8;\nSDR 8 TDI (a5);\nSDR 8 TDI (1\n2);\nSDR 8;\n",
    };
    // Blocks of a line or two as well: the one-step reading and its repeats meet a block's edge
    // at every place.
    std::vector<size_t> blockSizes = {1, 2, 3, 7};
    for (size_t size = 8; size <= 48; ++size) {
        blockSizes.push_back(size);
    }
    for (const std::string& text : kTexts) {
        SCOPED_TRACE(text);
        readAll(text, blockSizes);
    }
}

TEST(SvfReaderBits, HexGoesIntoTheBitBufferConvention) {
    SvfReader reader = SvfReader::fromString("SDR 12 TDI (abc) TDO (123);\n");
    Statement statement;
    ASSERT_TRUE(reader.next(statement));
    ASSERT_NE(nullptr, statement.scan);
    EXPECT_EQ((std::vector<uint8_t>{0xbc, 0x0a}), statement.scan->tdi.toBytes());
    EXPECT_EQ((std::vector<uint8_t>{0x23, 0x01}), statement.scan->tdo.toBytes());
    EXPECT_EQ((std::vector<uint8_t>{0xff, 0x0f}), statement.scan->mask().toBytes());
    EXPECT_TRUE(statement.scan->checksTdo());
    EXPECT_TRUE(statement.scan->lengthChanged);
    EXPECT_TRUE(statement.scan->maskAllOnes());
}

// MASK and SMASK that are all ones by default are made on demand; given ones are not "default".
TEST(SvfReaderBits, DefaultMasksAreMadeWhenAskedFor) {
    SvfReader reader = SvfReader::fromString("SDR 8 TDI (a5) MASK (ff);\nSDR 8 TDI (a5);\n");
    Statement statement;
    ASSERT_TRUE(reader.next(statement));
    ASSERT_TRUE(reader.next(statement));
    EXPECT_FALSE(statement.scan->maskAllOnes());
    EXPECT_TRUE(statement.scan->smaskAllOnes());
    EXPECT_EQ((std::vector<uint8_t>{0xff}), statement.scan->mask().toBytes());
    EXPECT_EQ((std::vector<uint8_t>{0xff}), statement.scan->smask().toBytes());
}

TEST(SvfReaderInForce, HeadersAndStatesStayInForceForLaterStatements) {
    SvfReader reader = SvfReader::fromString(
        "HIR 8 TDI (ff);\nTIR 2 TDI (3);\nENDIR IRPAUSE;\nRUNTEST DRPAUSE 1 TCK;\n"
        "SIR 4 TDI (1);\n");
    Statement statement;
    while (reader.next(statement)) {
    }
    EXPECT_FALSE(reader.failed());
    EXPECT_EQ(5u, reader.statementCount());
    EXPECT_EQ((std::vector<uint8_t>{0xff}), reader.inForce(ScanKind::HIR).tdi.toBytes());
    EXPECT_EQ(2u, reader.inForce(ScanKind::TIR).bitCount);
    EXPECT_EQ(0u, reader.inForce(ScanKind::HDR).bitCount);
    const StatesInForce states = reader.statesInForce();
    EXPECT_EQ(KelPluginInterface::KELJTAG_PAUSE_IR, states.endIR);
    EXPECT_EQ(KelPluginInterface::KELJTAG_RUN_TEST_IDLE, states.endDR);
    EXPECT_EQ(KelPluginInterface::KELJTAG_PAUSE_DR, states.runState);
    EXPECT_EQ(KelPluginInterface::KELJTAG_PAUSE_DR, states.runEndState);
}

TEST(SvfReaderStatement, PositionsOfKeywordAndSemicolon) {
    SvfReader reader = SvfReader::fromString("\n  SDR 8\n TDI (a5)\n ;\n");
    Statement statement;
    ASSERT_TRUE(reader.next(statement));
    EXPECT_EQ(2u, statement.position.line);
    EXPECT_EQ(3u, statement.position.column);
    EXPECT_EQ(4u, statement.end.line);
    EXPECT_EQ(2u, statement.end.column);
    EXPECT_EQ(1u + 8 + 10 + 3, reader.bytesRead());  // the line end after ';' is read too
}

// Every source reads a file exactly as the text in memory reads.
TEST(SvfReaderSources, FileDescriptorFileStreamAndPathReadAlike) {
    const std::string text = "STATE RESET;\nSDR 16 TDI (beef) TDO (0001);\nRUNTEST 10 TCK;\n";
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("svf-reader-" + std::to_string(getpid()));
    std::ofstream(path, std::ios::binary) << text;
    const auto dumps = [](SvfReader reader) {
        Lines lines;
        Statement statement;
        while (reader.next(statement)) {
            lines.push_back(dumpStatement(statement));
        }
        EXPECT_FALSE(reader.failed()) << reader.error().message;
        return lines;
    };
    const Lines expected = readAll(text).statements;
    std::string why;
    EXPECT_EQ(expected, dumps(SvfReader(openFileSource(path.string(), why, 5))));
    FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(expected, dumps(SvfReader(fileSource(file, 4))));
    std::rewind(file);
    EXPECT_EQ(expected, dumps(SvfReader(fileDescriptorSource(fileno(file), 3))));
    std::fclose(file);
    std::ifstream stream(path, std::ios::binary);
    EXPECT_EQ(expected, dumps(SvfReader(streamSource(stream, 6))));
    std::filesystem::remove(path);

    EXPECT_EQ(nullptr, openFileSource(path.string(), why));
    EXPECT_NE(std::string::npos, why.find("cannot open")) << why;
    EXPECT_TRUE(dumps(SvfReader(nullptr)).empty());
}

// The example files the project ships read without an error.
TEST(SvfReaderExamples, EveryExampleFileReads) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(KEL_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".svf") {
            continue;
        }
        ++files;
        std::string why;
        SvfReader reader(openFileSource(entry.path().string(), why));
        Statement statement;
        while (reader.next(statement)) {
            for (const Note& note : reader.notes()) {
                EXPECT_EQ(NoteKind::ExtraHexDigits, note.kind) << entry.path() << ": " << note.text;
            }
        }
        EXPECT_FALSE(reader.failed()) << entry.path() << ": " << reader.error().message;
        EXPECT_GT(reader.statementCount(), 5u) << entry.path();
    }
    EXPECT_GE(files, 5);
}

}  // namespace
}  // namespace svfreadertest
