// SVF to the SVF every common player reads alike: each rule, on the forms players read
// differently.
#include <gtest/gtest.h>

#include <algorithm>

#include "Conversions.h"

namespace kelxsvf::test {
namespace {

struct PortableCase {
    const char* name;
    const char* svf;
    const char* portable;  // LF line ends
    uint64_t maxScan = 0;
};

const PortableCase kPortableCases[] = {
    {"times as whole microseconds, always with both states", "RUNTEST 1.00E-02 SEC;",
     "RUNTEST IDLE 10000E-06 SEC ENDSTATE IDLE;\n"},
    {"counts below 2^31", "RUNTEST DRPAUSE 3000000000 TCK ENDSTATE IDLE;",
     "RUNTEST DRPAUSE 2147483647 TCK ENDSTATE DRPAUSE;\n"
     "RUNTEST DRPAUSE 852516353 TCK ENDSTATE IDLE;\n"},
    {"waits of at most 2000 s", "RUNTEST 10 TCK 4.5E+03 SEC;",
     "RUNTEST IDLE 10 TCK 2000000000E-06 SEC ENDSTATE IDLE;\n"
     "RUNTEST IDLE 2000000000E-06 SEC ENDSTATE IDLE;\n"
     "RUNTEST IDLE 500000000E-06 SEC ENDSTATE IDLE;\n"},
    {"waits a float reader also waits exactly", "RUNTEST 247E-06 SEC; RUNTEST 2147.483647 SEC;",
     "RUNTEST IDLE 246E-06 SEC ENDSTATE IDLE;\nRUNTEST IDLE 1E-06 SEC ENDSTATE IDLE;\n"
     "RUNTEST IDLE 2000000000E-06 SEC ENDSTATE IDLE;\n"
     "RUNTEST IDLE 147483632E-06 SEC ENDSTATE IDLE;\nRUNTEST IDLE 15E-06 SEC ENDSTATE IDLE;\n"},
    {"frequencies as whole numbers", "FREQUENCY 1.2E+07 HZ; FREQUENCY 2.5 HZ; FREQUENCY;",
     "FREQUENCY 12000000 HZ;\nFREQUENCY 25E-01 HZ;\nFREQUENCY;\n"},
    {"trst only where it changes", "TRST OFF; TRST OFF; TRST ON;", "TRST OFF;\nTRST ON;\n"},
    {"headers only where they change",
     "HDR 8 TDI (01); SDR 8 TDI (00); HDR 8 TDI (01); SDR 8 TDI (0); HDR 0; SDR 8 TDI (0);",
     "HDR 8 TDI (01);\nSDR 8 TDI (00);\nSDR 8 TDI (00);\nHDR 0;\nSDR 8 TDI (00);\n"},
    {"tdo always with its mask, carried values written out",
     "SDR 8 TDI (0f) TDO (01) MASK (03); SDR 8 TDO (02); SDR 8 TDI (1) SMASK (1);",
     "SDR 8 TDI (0f) TDO (01) MASK (03);\nSDR 8 TDI (0f) TDO (02) MASK (03);\n"
     "SDR 8 TDI (01);\n"},
    {"one statement a line", "STATE RESET; STATE IDLE;", "STATE RESET;\nSTATE IDLE;\n"},
    {"end state reset as idle and a reset", "ENDDR RESET; SDR 4 TDI (1);",
     "SDR 4 TDI (1);\nSTATE RESET;\n"},
    {"a long scan cut through pause-dr, its header folded in", "HDR 4 TDI (f); SDR 8 TDI (a5);",
     "ENDDR DRPAUSE;\nSDR 8 TDI (5f);\nENDDR IDLE;\nSDR 4 TDI (a);\n", 8},
    {"a long sir cut through pause-ir, compared bits kept",
     "ENDIR IRPAUSE; SIR 12 TDI (abc) TDO (123) MASK (f00);",
     "ENDIR IRPAUSE;\nSIR 8 TDI (bc);\nSIR 4 TDI (a) TDO (1) MASK (f);\n", 8},
};

class PortableSvf : public testing::TestWithParam<PortableCase> {};

TEST_P(PortableSvf, WritesTheFormPlayersAgreeOn) {
    const PortableCase& c = GetParam();
    kelsvfwriter::WriterOptions options;
    options.maxScan = c.maxScan;
    const Converted written = fromSvf(c.svf, To::Svf, options);
    ASSERT_EQ(written.error, "");
    std::string lf = written.output;
    lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
    EXPECT_EQ(lf, c.portable);
    EXPECT_EQ(std::count(written.output.begin(), written.output.end(), '\r'),
              std::count(lf.begin(), lf.end(), '\n'));
}

INSTANTIATE_TEST_SUITE_P(Rules, PortableSvf, testing::ValuesIn(kPortableCases),
                         [](const testing::TestParamInfo<PortableCase>& param) {
                             return caseName(param.param.name);
                         });

}  // namespace
}  // namespace kelxsvf::test
