// Where and why the reader stops on malformed SVF, and the notes it gives on well-formed SVF that
// players read differently.
#include <gtest/gtest.h>

#include "ReaderDump.h"

namespace svfreadertest {
namespace {

struct ErrorCase {
    const char* name;
    std::string svf;
    const char* where;    // "line:column"
    const char* message;  // a part of the message
};

void PrintTo(const ErrorCase& test, std::ostream* out) {
    *out << test.name;
}

class Errors : public testing::TestWithParam<ErrorCase> {};

TEST_P(Errors, StopAtTheRightPlace) {
    const ErrorCase& error = GetParam();
    const ReadResult result = readAll(error.svf);
    const std::string where = std::string(error.where) + ": ";
    EXPECT_EQ(0u, result.error.rfind(where, 0)) << result.error;
    EXPECT_NE(std::string::npos, result.error.find(error.message)) << result.error;
}

INSTANTIATE_TEST_SUITE_P(
    Statements, Errors,
    testing::Values(
        ErrorCase{"UnknownKeyword", "FOO 1;", "1:1", "unknown keyword 'FOO'"},
        ErrorCase{"SemicolonWithoutStatement", "; STATE IDLE;", "1:1", "';' without a statement"},
        ErrorCase{"ByteThatStartsNothing", std::string("STATE IDLE;\n\0;", 14), "2:1",
                  "expected a keyword, found byte 0x00"},
        ErrorCase{"SemicolonMissingAtEnd", "STATE IDLE", "1:11",
                  "ends inside the STATE statement begun at line 1: ';' missing"},
        ErrorCase{"SemicolonMissingAfterVector", "SDR 8 TDI (a5) TDO", "1:19", "';' missing"},
        ErrorCase{"SingleSlash", "STATE IDLE; / x\n", "1:13", "a single '/'"},
        ErrorCase{"StrayCharacter", "STATE IDLE @;", "1:12", "unexpected '@'"},
        ErrorCase{"WordTooLong", "STATE " + std::string(5000, 'A') + ";", "1:7",
                  "more than 4096 characters"},
        ErrorCase{"LinesCountedOverCrLf", "STATE IDLE\r\n\r\nSDR 8 TDI (a5);\r\n", "3:1",
                  "'SDR' is not a TAP state name"},
        ErrorCase{"LinesCountedOverBareCr", "STATE IDLE;\rSTATE FOO;", "2:7",
                  "'FOO' is not a TAP state name"}),
    [](const auto& test) { return test.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Scans, Errors,
    testing::Values(
        ErrorCase{"FileEndsInValue", "SDR 8 TDI (a5);\nSDR 8 TDI (a", "2:13",
                  "ends inside a TDI value: ')' missing"},
        ErrorCase{"OneBitsBeyondByDigits", "SDR 8 TDI (1FF);", "1:12",
                  "TDI value has 1 bits beyond its length of 8 bits"},
        ErrorCase{"OneBitsBeyondInTopDigit", "SDR 6 TDO (40);", "1:12",
                  "TDO value has 1 bits beyond its length of 6 bits"},
        ErrorCase{"NotAHexDigit", "SDR 6 TDI (0x40);", "1:13", "'x' is not a hex digit"},
        ErrorCase{"NotAHexDigitOnLaterLine", "\n\n   SDR 8 TDI (\n  a5 G);", "4:6",
                  "'G' is not a hex digit"},
        ErrorCase{"OpenInsideValue", "SDR 8 TDI (a5 ( );", "1:15", "'(' is not a hex digit"},
        ErrorCase{"SemicolonInsideValue", "SDR 8 TDI (a5;", "1:14", "';' inside a TDI value"},
        ErrorCase{"ValueWithoutParenthesis", "SDR 8 TDI a5;", "1:11",
                  "expected '(' and the TDI value, found 'A5'"},
        ErrorCase{"CloseWithoutOpen", "SDR 8 TDI (a5));", "1:15", "found ')' without '('"},
        ErrorCase{"EmptyValue", "SDR 8 MASK ();", "1:13", "MASK value without hex digits"},
        ErrorCase{"VectorTwice", "SDR 8 TDI (a5) TDI (a5);", "1:16", "TDI given twice"},
        ErrorCase{"UnknownVector", "SDR 8 FOO (a5);", "1:7",
                  "expected TDI, TDO, MASK, SMASK or ';', found 'FOO'"},
        ErrorCase{"WordAfterVectors", "SDR 8 TDI (a5) TDO (a5) MASK (ff) SMASK (ff) X;", "1:46",
                  "found 'X'"},
        ErrorCase{"NoTdiForFirstLength", "SDR 8;", "1:5",
                  "TDI must be given: the length changed from 0 to 8 bits"},
        ErrorCase{"NoTdiForNewLength", "SDR 8 TDI(00);\nSDR 16 TDO(0000);", "2:5",
                  "the length changed from 8 to 16 bits"},
        ErrorCase{"LengthAbove32Bits", "SDR 4294967296 TDI (0);", "1:5", "is above 4294967295"},
        ErrorCase{"LengthNotWhole", "SDR 1.5 TDI (0);", "1:5", "is not a whole number"},
        ErrorCase{"LengthMalformed", "SDR 1..5 TDI (0);", "1:5", "'1..5' is not a number"}),
    [](const auto& test) { return test.param.name; });

INSTANTIATE_TEST_SUITE_P(
    States, Errors,
    testing::Values(
        ErrorCase{"EndIrUnstable", "ENDIR DRSHIFT;", "1:7", "DRSHIFT is not a stable state"},
        ErrorCase{"EndDrUnknown", "ENDDR FOO;", "1:7", "'FOO' is not a TAP state name"},
        ErrorCase{"EndDrTwoStates", "ENDDR IDLE IDLE;", "1:12", "expected ';', found 'IDLE'"},
        ErrorCase{"StateUnstable", "STATE DRSHIFT;", "1:7", "a STATE must end in one"},
        ErrorCase{"StatePathJumps", "STATE IDLE DRPAUSE;", "1:12",
                  "cannot go from IDLE to DRPAUSE in one clock"},
        ErrorCase{"StatePathEndsUnstable", "STATE DRSELECT DRCAPTURE DRSHIFT;", "1:26",
                  "DRSHIFT is not a stable state"},
        ErrorCase{"StateEmpty", "STATE;", "1:6", "STATE without a state"},
        ErrorCase{"StateParenthesis", "STATE (IDLE);", "1:7",
                  "expected a TAP state name or ';', found '('"},
        ErrorCase{"TrstMode", "TRST MAYBE;", "1:6", "expected ON, OFF, Z or ABSENT"}),
    [](const auto& test) { return test.param.name; });

INSTANTIATE_TEST_SUITE_P(
    RunTestAndOthers, Errors,
    testing::Values(
        ErrorCase{"RunTestEmpty", "RUNTEST;", "1:8", "needs a run count (TCK or SCK) or a minimum"},
        ErrorCase{"RunTestOnlyState", "RUNTEST IDLE;", "1:13", "needs a run count"},
        ErrorCase{"RunTestUnknownWord", "RUNTEST FOO 10 TCK;", "1:9",
                  "expected a run state, a run count or a minimum time, found 'FOO'"},
        ErrorCase{"RunStateUnstable", "RUNTEST DRSHIFT 10 TCK;", "1:9",
                  "DRSHIFT is not a stable state"},
        ErrorCase{"CountWithoutUnit", "RUNTEST 10;", "1:11", "expected TCK, SCK or SEC after 10"},
        ErrorCase{"CountWithWrongUnit", "RUNTEST 10 FOO;", "1:12", "expected TCK, SCK or SEC"},
        ErrorCase{"TimeAfterCountWithoutSec", "RUNTEST 10 TCK 1E-3 TCK;", "1:21",
                  "expected SEC after 1E-3"},
        ErrorCase{"CountNotWhole", "RUNTEST 1E-3 TCK;", "1:9", "is not a whole number"},
        ErrorCase{"CountAbove64Bits", "RUNTEST 18446744073709551616 TCK;", "1:9",
                  "is above 18446744073709551615"},
        ErrorCase{"TimeMalformed", "RUNTEST 1E SEC;", "1:9", "'1E' is not a number"},
        ErrorCase{"TimeTooLong", "RUNTEST 1E20 SEC;", "1:9", "longer than 2^64-1 microseconds"},
        ErrorCase{"MaximumWithoutMinimum", "RUNTEST 10 TCK MAXIMUM 1 SEC;", "1:16",
                  "unexpected 'MAXIMUM'"},
        ErrorCase{"MaximumWithoutSec", "RUNTEST 1E-3 SEC MAXIMUM 1;", "1:27",
                  "MAXIMUM needs a time in SEC"},
        ErrorCase{"EndStateUnstable", "RUNTEST 10 TCK ENDSTATE DRSHIFT;", "1:25",
                  "DRSHIFT is not a stable state"},
        ErrorCase{"EndStateMissing", "RUNTEST 10 TCK ENDSTATE;", "1:24",
                  "ENDSTATE needs a state name"},
        ErrorCase{"RunTestParenthesis", "RUNTEST (10) TCK;", "1:9", "expected a word or ';'"},
        ErrorCase{"FrequencyWithoutHz", "FREQUENCY 1E6;", "1:14", "expected HZ"},
        ErrorCase{"FrequencyZero", "FREQUENCY 0 HZ;", "1:11", "not a usable frequency"},
        ErrorCase{"FrequencyMalformed", "FREQUENCY ABC HZ;", "1:11", "'ABC' is not a number"},
        ErrorCase{"PioLetter", "PIO (HLQ);", "1:5", "'Q' is not one of H, L, Z, U, D, X"},
        ErrorCase{"PioEmpty", "PIO ();", "1:5", "PIO with an empty list"},
        ErrorCase{"PioMapDirection", "PIOMAP (FOO A);", "1:8", "expected IN, OUT or INOUT"},
        ErrorCase{"PioMapWithoutName", "PIOMAP (IN);", "1:8", "a direction without a pin name"},
        ErrorCase{"PioMapUnclosed", "PIOMAP (IN A;", "1:13", "';' inside the PIOMAP list"}),
    [](const auto& test) { return test.param.name; });

TEST(SvfReaderErrors, StatementsBeforeTheErrorAreReturned) {
    const ReadResult result = readAll("STATE RESET;\nSTATE IDLE;\nSTATE FOO;\nSTATE IDLE;\n");
    EXPECT_EQ((std::vector<std::string>{"STATE RESET", "STATE IDLE"}), result.statements);
    EXPECT_EQ(0u, result.error.rfind("3:7: ", 0)) << result.error;
}

struct NoteCase {
    const char* name;
    const char* svf;
    std::vector<std::string> notes;  // "kind@line:column"
};

void PrintTo(const NoteCase& test, std::ostream* out) {
    *out << test.name;
}

class Notes : public testing::TestWithParam<NoteCase> {};

TEST_P(Notes, GivenWhereTheyApply) {
    const NoteCase& note = GetParam();
    const ReadResult result = readAll(note.svf);
    EXPECT_EQ("", result.error);
    EXPECT_EQ(note.notes, result.notes);
    for (const std::string& text : result.noteTexts) {
        EXPECT_FALSE(text.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    All, Notes,
    testing::Values(
        NoteCase{"ExtraZeroDigit", "SDR 2 TDI (00);\n", {"extra-hex-digits@1:12"}},
        NoteCase{"ExtraLeadingZero", "SDR 8 TDI (0 a5);\n", {"extra-hex-digits@1:12"}},
        NoteCase{"DigitsJustEnough", "SDR 9 TDI (1a5) TDO (0);\n", {}},
        NoteCase{"NoLineEndAtEnd", "SDR 8 TDI (a5);", {"no-line-end-after-last-statement@1:15"}},
        NoteCase{"OnlyCommentAfterLast",
                 "STATE IDLE; ! the end",
                 {"no-line-end-after-last-statement@1:11"}},
        NoteCase{"CommentOnItsOwnLine", "STATE IDLE;\n! the end", {}},
        NoteCase{"TwoOnOneLineAndNoLineEnd",
                 "STATE RESET; STATE IDLE;",
                 {"several-statements-on-line@1:14", "no-line-end-after-last-statement@1:24"}},
        NoteCase{"CountOf2To31",
                 "RUNTEST 2147483648 TCK;\nRUNTEST 2147483647 TCK;\n",
                 {"large-count@1:9"}},
        NoteCase{"CountsInRealForm",
                 "RUNTEST 1E3 TCK;\nSDR 8.0 TDI (a5);\n",
                 {"count-in-real-form@1:9", "count-in-real-form@2:5"}},
        NoteCase{"Pio", "PIOMAP (IN A);\nPIO (H);\n", {"pio-used@1:1", "pio-used@2:1"}},
        NoteCase{"RunStateOtherThanIdle",
                 "RUNTEST DRPAUSE 10 TCK;\n",
                 {"run-state-without-end-state@1:1"}},
        NoteCase{"RunStateCarriedOver",
                 "RUNTEST DRPAUSE 10 TCK ENDSTATE IDLE;\nRUNTEST 10 TCK;\n",
                 {"run-state-without-end-state@2:1"}},
        NoteCase{"IdleNamedWhileOtherEndInForce",
                 "RUNTEST IDLE 10 TCK ENDSTATE DRPAUSE;\nRUNTEST IDLE 10 TCK;\n",
                 {"run-state-without-end-state@2:1"}},
        NoteCase{"EndStateInForceWithoutRunState",
                 "RUNTEST IDLE 10 TCK ENDSTATE DRPAUSE;\nRUNTEST 10 TCK;\n",
                 {}},
        NoteCase{"Sck", "RUNTEST 10 SCK;\n", {"sck-clock@1:12"}},
        NoteCase{"TimeMisreadInSinglePrecision",
                 "RUNTEST 247E-06 SEC;\n",
                 {"single-precision-time@1:9"}},
        NoteCase{"TimesReadExactlyInSinglePrecision",
                 "RUNTEST 1500E-06 SEC;\nRUNTEST 1E-06 SEC;\nRUNTEST 999999E-06 SEC;\n"
                 "RUNTEST 2000000000E-06 SEC;\n",
                 {}},
        NoteCase{
            "TimeBeyond32BitMicroseconds", "RUNTEST 5000 SEC;\n", {"single-precision-time@1:9"}},
        NoteCase{"ScanEndStateReset",
                 "ENDIR RESET;\nENDDR RESET;\n",
                 {"scan-ends-in-reset@1:7", "scan-ends-in-reset@2:7"}},
        NoteCase{"MaskLost",
                 "SDR 8 TDI(00) TDO(01) MASK(0f);\nSDR 8 TDI(00);\nSDR 8 TDI(00) TDO(01);\n",
                 {"mask-lost-after-unchecked-scan@3:15"}}),
    [](const auto& test) { return test.param.name; });

// A player that reads hex into whole bytes minds digits beyond them, not leading zeros within.
TEST(SvfReaderNotes, ExtraHexDigitsCarryTheDigitCount) {
    using kelsvfreader::Statement;
    using kelsvfreader::SvfReader;
    const std::pair<const char*, uint64_t> cases[] = {
        {"SDR 2 TDI (00);\n", 2}, {"SDR 8 TDI (0 a5);\n", 3}, {"SDR 9 TDI (0001a5);\n", 6}};
    for (const auto& [svf, digits] : cases) {
        SvfReader reader = SvfReader::fromString(svf);
        Statement statement;
        ASSERT_TRUE(reader.next(statement)) << svf;
        ASSERT_EQ(reader.notes().size(), 1u) << svf;
        EXPECT_EQ(reader.notes()[0].hexDigits, digits) << svf;
    }
    SvfReader reader = SvfReader::fromString("RUNTEST 2147483648 TCK;\n");
    Statement statement;
    ASSERT_TRUE(reader.next(statement));
    ASSERT_EQ(reader.notes().size(), 1u);
    EXPECT_EQ(reader.notes()[0].hexDigits, 0u);
}

}  // namespace
}  // namespace svfreadertest
