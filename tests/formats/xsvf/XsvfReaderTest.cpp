// XSVF bytes to statements, shown as the portable SVF they become: what each command means
// with the state a player carries, and the errors with their byte offsets.
#include <gtest/gtest.h>

#include <algorithm>

#include "Conversions.h"

namespace kelxsvf::test {
namespace {

std::string withoutCr(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

struct ReadCase {
    const char* name;
    const char* xsvf;  // hex, XCOMPLETE appended
    const char* svf;   // the statements, in portable SVF with LF line ends
    const char* note = "";
};

const ReadCase kReadCases[] = {
    {"xsir", "02 08 a5", "SIR 8 TDI (a5);\n"},
    {"xsir2",
     "15 01 01 01 23 45 67 89 ab cd ef 01 23 45 67 89 ab cd ef 01 23 45 67 89 ab cd ef"
     " 01 23 45 67 89 ab cd ef 01",
     "SIR 257 TDI (1"
     "23456789abcdef01"
     "23456789abcdef01"
     "23456789abcdef01"
     "23456789abcdef01);\n"},
    {"xsdrtdo under the mask in force, then xsdr against the same expected tdo",
     "08 00 00 00 10  01 ff 00  09 12 34 56 78  03 ab cd",
     "SDR 16 TDI (1234) TDO (5678) MASK (ff00);\nSDR 16 TDI (abcd) TDO (5678) MASK (ff00);\n"},
    {"a mask of zeros compares no bit", "08 00 00 00 08  01 00  09 12 34  03 56",
     "SDR 8 TDI (12) TDO (34) MASK (00);\nSDR 8 TDI (56);\n"},
    {"no mask since the size changed", "08 00 00 00 08  03 5a", "SDR 8 TDI (5a);\n",
     "mask left undefined"},
    {"xruntest ends each step in idle with clocks and time",
     "04 00 00 00 64  14 01  08 00 00 00 08  01 00  03 5a  02 04 0c",
     "SDR 8 TDI (5a);\nRUNTEST IDLE 100 TCK 100E-06 SEC ENDSTATE IDLE;\n"
     "SIR 4 TDI (c);\nRUNTEST IDLE 100 TCK 100E-06 SEC ENDSTATE IDLE;\n"},
    {"xendir and xenddr without xruntest", "13 01  14 01  02 04 0c  08 00 00 00 08  01 00  03 11",
     "ENDIR IRPAUSE;\nSIR 4 TDI (c);\nENDDR DRPAUSE;\nSDR 8 TDI (11);\n"},
    {"xsdrb, xsdrc, xsdre continue one shift through pause-dr",
     "08 00 00 00 08  01 00  0c 01  0d 02  0e 03",
     "ENDDR DRPAUSE;\nSDR 8 TDI (01);\nSDR 8 TDI (02);\nENDDR IDLE;\nSDR 8 TDI (03);\n"},
    {"xsdrtdoe compared under the mask", "08 00 00 00 08  01 0f  11 01 02",
     "SDR 8 TDI (01) TDO (02) MASK (0f);\n", "a common player compares no bit"},
    {"xsdrinc adds one to the address and places the data",
     "08 00 00 00 08  01 00  0a f0 0f  0b 00 02 05 0a",
     "SDR 8 TDI (00);\nSDR 8 TDI (15);\nSDR 8 TDI (2a);\n"},
    {"xstate paths through unstable states", "12 01  12 02  12 03  12 05  12 06",
     "STATE IDLE;\nSTATE DRSELECT DRCAPTURE DREXIT1 DRPAUSE;\n"},
    {"xwait is time only", "17 01 06 00 00 03 e8", "RUNTEST IDLE 1000E-06 SEC ENDSTATE DRPAUSE;\n"},
    {"comments are skipped", "16 68 69 00  02 02 01", "SIR 2 TDI (1);\n"},
    {"xrepeat", "07 20  02 02 01", "SIR 2 TDI (1);\n", "retries of a failed check"},
    {"dialect: xwaitstate and xtrst", "1c 01  18 00 01 00 00 00 05 00 00 00 00",
     "TRST OFF;\nRUNTEST RESET 5 TCK ENDSTATE IDLE;\n", "dialect"},
};

class XsvfRead : public testing::TestWithParam<ReadCase> {};

TEST_P(XsvfRead, GivesTheStatementsAPlayerPlays) {
    const ReadCase& c = GetParam();
    const std::string xsvf = bytes(std::string(c.xsvf) + " 00");
    for (const size_t blockSize : {size_t{0}, size_t{1}}) {
        const Converted read = fromXsvf(xsvf, To::Svf, {}, blockSize);
        EXPECT_EQ(read.error, "");
        EXPECT_EQ(withoutCr(read.output), c.svf);
        const std::string notes = read.notes.empty() ? "" : read.notes.front();
        EXPECT_NE(notes.find(c.note), std::string::npos) << notes;
        EXPECT_EQ(read.notes.empty(), *c.note == '\0');
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, XsvfRead, testing::ValuesIn(kReadCases),
                         [](const testing::TestParamInfo<ReadCase>& param) {
                             return caseName(param.param.name);
                         });

struct ErrorCase {
    const char* xsvf;
    const char* error;
};

const ErrorCase kErrorCases[] = {
    {"", "byte 0, XSVF: the file ends without XCOMPLETE"},
    {"02 08", "byte 0, XSIR: the file ends inside the command"},
    {"07 00 42", "byte 2, XSVF: unknown command 0x42"},
    {"12 10", "byte 0, XSTATE: state code 16 is none of the 16 TAP states"},
    {"13 02", "byte 0, XENDIR: end state 2 is neither"},
    {"12 02 02 08 00", "byte 2, XSIR: the XSTATEs before it leave the TAP in DRSELECT"},
    {"17 02 01 00 00 00 00", "byte 0, XWAIT: wait state code 2"},
    {"1c 04", "byte 0, XTRST: TRST mode 4"},
    // A length only announced must not be allocated: the file ends first.
    {"08 ff ff ff ff  01 00", "byte 5, XTDOMASK: the file ends inside the command"},
    {"16 61 62", "byte 0, XCOMMENT: the file ends inside the command"},
};

TEST(XsvfReadErrors, NameTheByteAndTheCommand) {
    for (const ErrorCase& c : kErrorCases) {
        const Converted read = fromXsvf(bytes(c.xsvf), To::Svf);
        EXPECT_EQ(read.error.rfind(c.error, 0), 0u) << c.xsvf << ": " << read.error;
    }
}

TEST(XsvfReadEnd, BytesAfterXcompleteAreNotPlayed) {
    const Converted read = fromXsvf(bytes("02 02 01 00 02 02 03"), To::Svf);
    EXPECT_EQ(read.error, "");
    EXPECT_EQ(withoutCr(read.output), "SIR 2 TDI (1);\n");
    ASSERT_EQ(read.notes.size(), 1u);
    EXPECT_NE(read.notes[0].find("after XCOMPLETE"), std::string::npos);
}

}  // namespace
}  // namespace kelxsvf::test
