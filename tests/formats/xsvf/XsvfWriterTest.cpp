// SVF statements to XSVF bytes: each rule of the published command set that a player relies on,
// and what XSVF cannot say.
#include <gtest/gtest.h>

#include "Conversions.h"

namespace kelxsvf::test {
namespace {

struct WriteCase {
    const char* name;
    const char* svf;
    const char* xsvf;  // hex, without the leading XREPEAT 0 and the closing XCOMPLETE
    uint64_t maxScan = 0;
    const char* finding = "";
};

const WriteCase kWriteCases[] = {
    {"sir", "SIR 8 TDI (a5);", "02 08 a5"},
    {"sir of more than 255 bits", "SIR 260 TDI (1);",
     "15 01 04 00 00 00 00 00 00 00 00 00 00"
     " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01"},
    {"an unchecked sdr needs a mask of zeros", "SDR 8 TDI (5a);", "08 00 00 00 08 01 00 03 5a"},
    {"a checked sdr, its mask written with the size", "SDR 8 TDI (5a) TDO (12) MASK (f0);",
     "08 00 00 00 08 01 f0 09 5a 12"},
    {"the mask is written again after every size change",
     "SDR 8 TDI (5a) TDO (12); SDR 16 TDI (0001); SDR 8 TDI (01);",
     "08 00 00 00 08 01 ff 09 5a 12  08 00 00 00 10 01 00 00 03 00 01"
     "  08 00 00 00 08 01 00 03 01"},
    {"a runtest after a scan is its xruntest, reset for the next scan",
     "SDR 8 TDI (5a); RUNTEST 100 TCK; SIR 4 TDI (c);",
     "04 00 00 00 64 08 00 00 00 08 01 00 03 5a 04 00 00 00 00 02 04 0c"},
    {"xruntest covers the clocks at the frequency in force and the time",
     "FREQUENCY 1E5 HZ; SIR 4 TDI (c); RUNTEST 100 TCK 5E-04 SEC ENDSTATE DRPAUSE;",
     "04 00 00 03 e8 02 04 0c 12 06", 0, "warning: FREQUENCY"},
    {"a runtest on its own is an xwait", "STATE IDLE; RUNTEST 1.0E-3 SEC;",
     "12 01 17 01 01 00 00 03 e8"},
    {"a wait in a pause state is an xwait", "SDR 8 TDI (01); RUNTEST DRPAUSE 10 TCK;",
     "08 00 00 00 08 01 00 03 01 17 06 06 00 00 00 0a"},
    {"end states", "ENDIR IRPAUSE; ENDDR RESET; SIR 4 TDI (c); SDR 8 TDI (01);",
     "13 01 02 04 0c 08 00 00 00 08 01 00 03 01 12 00"},
    {"an sir ending in pause-dr, its wait not folded",
     "ENDIR DRPAUSE; SIR 4 TDI (c); RUNTEST 5 TCK;", "02 04 0c 12 06 17 01 01 00 00 00 05"},
    {"headers fold into the scan", "HIR 4 TDI (f); SIR 8 TDI (a5);", "02 0c 0a 5f"},
    {"a long scan cut into xsdrb, xsdrc, xsdre", "ENDDR DRPAUSE; SDR 24 TDI (030201);",
     "14 01 08 00 00 00 08 01 00 0c 01 0d 02 0e 03", 8},
    {"a checked long scan cut into the tdo forms", "SDR 12 TDI (321) TDO (654) MASK (fff);",
     "08 00 00 00 08 01 ff 0f 21 54 08 00 00 00 04 01 0f 11 03 06", 8,
     "warning: SDR of 12 bits with TDO cut at --max-scan 8"},
    {"frequency cannot be said", "FREQUENCY 1E6 HZ;", "", 0, "error: FREQUENCY"},
    {"trst cannot be said", "TRST OFF;", "", 0, "error: TRST"},
    {"xsir compares no tdo", "SIR 8 TDI (a5) TDO (01);", "02 08 a5", 0, "error: SIR with TDO"},
    {"a state path that does not start one clock away",
     "STATE IDLE; STATE DRCAPTURE DREXIT1 DRPAUSE;", "12 01", 0,
     "error: STATE: DRCAPTURE does not follow IDLE"},
};

class XsvfWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(XsvfWrite, FollowsThePlayersRules) {
    const WriteCase& c = GetParam();
    kelsvfwriter::WriterOptions options;
    options.maxScan = c.maxScan;
    options.dropUnsupported = std::string(c.finding).rfind("warning: FREQUENCY", 0) == 0;
    const Converted written = fromSvf(c.svf, To::Xsvf, options);
    ASSERT_EQ(written.error, "");
    EXPECT_EQ(hexOf(written.output), hexOf(bytes(std::string("07 00 ") + c.xsvf + " 00")));
    const std::string first = written.findings.empty() ? "" : written.findings.front();
    EXPECT_EQ(first.rfind(c.finding, 0), 0u) << first;
    EXPECT_EQ(written.findings.empty(), *c.finding == '\0');
}

INSTANTIATE_TEST_SUITE_P(Statements, XsvfWrite, testing::ValuesIn(kWriteCases),
                         [](const testing::TestParamInfo<WriteCase>& param) {
                             return caseName(param.param.name);
                         });

TEST(XsvfWriteOptions, XrepeatAndDroppedStatements) {
    kelsvfwriter::WriterOptions options;
    options.xrepeat = 32;
    options.dropUnsupported = true;
    const Converted written = fromSvf("TRST OFF; SIR 2 TDI (1);", To::Xsvf, options);
    EXPECT_EQ(hexOf(written.output), "07 20 02 02 01 00");
    ASSERT_EQ(written.findings.size(), 1u);
    EXPECT_EQ(written.findings[0].rfind("warning: TRST", 0), 0u);
}

// SVF to XSVF and back gives what SVF to SVF gives, where XSVF says it all alike (no waits: XSVF
// has no clocks without time; no headers: XSVF folds them), cut or not.
TEST(XsvfRoundTrip, ScansComeBackAsTheyWere) {
    const char* kFiles[] = {
        "SIR 8 TDI (a5); SDR 32 TDI (12345678) TDO (00000001) MASK (0000ffff); SDR 32 TDI "
        "(0); STATE RESET; STATE IDLE; SDR 32 TDI (87654321) TDO (1);",
        "ENDDR DRPAUSE; SIR 8 TDI (7a); SDR 8 TDI (01); SDR 8 TDI (02); ENDDR IDLE; SDR 8 "
        "TDI (03); ENDIR IRPAUSE; SIR 300 TDI (1); STATE IREXIT2 IRUPDATE DRSELECT DRCAPTURE "
        "DREXIT1 DRPAUSE;",
    };
    for (const char* svf : kFiles) {
        for (const uint64_t maxScan : {uint64_t{0}, uint64_t{5}, uint64_t{16}}) {
            kelsvfwriter::WriterOptions options;
            options.maxScan = maxScan;
            const Converted xsvf = fromSvf(svf, To::Xsvf, options);
            ASSERT_EQ(xsvf.error, "");
            const Converted back = fromXsvf(xsvf.output, To::Svf, {}, 3);
            EXPECT_EQ(back.error, "");
            EXPECT_EQ(back.output, fromSvf(svf, To::Svf, options).output)
                << svf << " cut at " << maxScan;
        }
    }
}

// Spilled values (every one, and the writers reading them in blocks) convert to the same bytes
// and text as values held in memory, both ways and cut into pieces.
TEST(XsvfRoundTrip, SpilledValuesConvertAsHeldOnes) {
    std::string hex;
    for (int i = 0; i < 251; ++i) {
        hex.push_back("0123456789abcdef"[(i * 7 + i / 5) % 16]);
    }
    const std::string svf = "SIR 8 TDI (a5); SDR 1001 TDI (1" + hex.substr(1) + ") TDO (" + hex +
                            ") MASK (" + hex.substr(3) +
                            "); SDR 1001 TDI (0); SDR 64 TDI (5);"
                            " HDR 3 TDI (5); SDR 999 TDI (" +
                            hex.substr(2) + ") TDO (0);";
    for (const uint64_t maxScan : {uint64_t{0}, uint64_t{5}, uint64_t{16}, uint64_t{520}}) {
        kelsvfwriter::WriterOptions options;
        options.maxScan = maxScan;
        for (const To to : {To::Svf, To::Xsvf}) {
            const Converted held = fromSvf(svf, to, options);
            ASSERT_EQ(held.error, "");
            EXPECT_EQ(held.output, fromSvf(svf, to, options, 0).output) << maxScan;
            const Converted xsvf = fromSvf(svf, To::Xsvf, options);
            EXPECT_EQ(fromXsvf(xsvf.output, to, {}, 3).output,
                      fromXsvf(xsvf.output, to, {}, 3, 0).output)
                << maxScan;
        }
    }
}

}  // namespace
}  // namespace kelxsvf::test
