// Clocks, waits and scan end states as a host finds them in the file: the run in the state the
// host named, waits as minimum times that never sleep, long runs in pieces, and refused clocks.
#include <cctype>
#include <functional>
#include <ostream>

#include "HostTest.h"

namespace kelhost::test {
namespace {

using namespace KelPluginInterface;

const char* const kLock = "STATE RESET;\r\nSTATE IDLE;\r\n";
const char* const kUnlock = "STATE IDLE;\r\n";
const char* const kNoHeader = "HIR 0;\r\nTIR 0;\r\nHDR 0;\r\nTDR 0;\r\n";

// Scans of the one 4-bit-IR device of the session, 4 IR and 8 DR bits.
KelResult scanIR(KelPlugin& target, uint8_t bits, TapState endState) {
    return target.writeDeviceIR(0, &bits, nullptr, 4, endState, kNoContext);
}
KelResult scanDR(KelPlugin& target, uint8_t bits, TapState endState) {
    return target.writeDeviceDR(0, &bits, nullptr, 8, endState, kNoContext);
}

class SvfRuns : public HostTest {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(HostTest::SetUp());
        path_ = tempPath("runs.svf");
        ASSERT_NO_FATAL_FAILURE(startSession(path_, {4}));
    }

    // The whole file after closing: the lock's statements, `body`, the unlock's "STATE IDLE;".
    void expectBody(const std::string& body) {
        ASSERT_EQ(KEL_SUCCESS, target().closeTarget());
        EXPECT_SVF_FILE(path_, kLock + body + kUnlock);
    }

    std::string path_;
};

struct Session {
    const char* what;
    std::function<void(KelPlugin&)> run;  // every call in it must succeed
    std::string body;
};

void PrintTo(const Session& session, std::ostream* out) {
    *out << session.what;
}

// Each session on a freshly locked file, whose replay is in Run-Test/Idle with every run and end
// state at the defaults.
class SvfRunForms : public SvfRuns, public ::testing::WithParamInterface<Session> {};

TEST_P(SvfRunForms, WriteExactlyTheseStatements) {
    GetParam().run(target());
    for (const std::string& line : recorder_.messageLines()) {
        ADD_FAILURE() << "message: " << line;
    }
    expectBody(GetParam().body);
}

#define EXPECT_OK(call) EXPECT_EQ(KEL_SUCCESS, call)

const Session kRunForms[] = {
    {"clocks in idle keep today's form",
     [](KelPlugin& t) { EXPECT_OK(t.navigateTAP(KELJTAG_RUN_TEST_IDLE, 100)); },
     "STATE IDLE;\r\nRUNTEST 100 TCK;\r\n"},
    {"clocks and a wait in idle",
     [](KelPlugin& t) { EXPECT_OK(t.navigateTAP(KELJTAG_RUN_TEST_IDLE, 100, 250000)); },
     "STATE IDLE;\r\nRUNTEST 100 TCK 250000E-06 SEC;\r\n"},
    {"a wait alone in idle",
     [](KelPlugin& t) { EXPECT_OK(t.navigateTAP(KELJTAG_RUN_TEST_IDLE, 0, 250000)); },
     "STATE IDLE;\r\nRUNTEST 250000E-06 SEC;\r\n"},
    {"clocks in Pause-DR", [](KelPlugin& t) { EXPECT_OK(t.navigateTAP(KELJTAG_PAUSE_DR, 5)); },
     "RUNTEST DRPAUSE 5 TCK ENDSTATE DRPAUSE;\r\n"},
    {"clocks and a wait in Pause-IR",
     [](KelPlugin& t) { EXPECT_OK(t.navigateTAP(KELJTAG_PAUSE_IR, 5, 1500)); },
     "RUNTEST IRPAUSE 5 TCK 1500E-06 SEC ENDSTATE IRPAUSE;\r\n"},
    {"a wait alone in Pause-DR",
     [](KelPlugin& t) { EXPECT_OK(t.navigateTAP(KELJTAG_PAUSE_DR, 0, 1500)); },
     "RUNTEST DRPAUSE 1500E-06 SEC ENDSTATE DRPAUSE;\r\n"},
    {"a pause state without clocks or wait",
     [](KelPlugin& t) { EXPECT_OK(t.navigateTAP(KELJTAG_PAUSE_IR, 0, 0)); }, ""},
    {"idle is named again after a pause, then in force",
     [](KelPlugin& t) {
         EXPECT_OK(t.navigateTAP(KELJTAG_PAUSE_DR, 5));
         EXPECT_OK(t.navigateTAP(KELJTAG_RUN_TEST_IDLE, 100));
         EXPECT_OK(t.navigateTAP(KELJTAG_RUN_TEST_IDLE, 7));
     },
     "RUNTEST DRPAUSE 5 TCK ENDSTATE DRPAUSE;\r\n"
     "STATE IDLE;\r\nRUNTEST IDLE 100 TCK ENDSTATE IDLE;\r\n"
     "STATE IDLE;\r\nRUNTEST 7 TCK;\r\n"},
    {"a wait in idle after a pause names idle",
     [](KelPlugin& t) {
         EXPECT_OK(t.navigateTAP(KELJTAG_PAUSE_IR, 2));
         EXPECT_OK(t.navigateTAP(KELJTAG_RUN_TEST_IDLE, 0, 250000));
     },
     "RUNTEST IRPAUSE 2 TCK ENDSTATE IRPAUSE;\r\n"
     "STATE IDLE;\r\nRUNTEST IDLE 250000E-06 SEC ENDSTATE IDLE;\r\n"},
    {"clocks in reset are not written, a wait there is",
     [](KelPlugin& t) {
         EXPECT_OK(t.navigateTAP(KELJTAG_TEST_LOGIC_RESET, 5));
         EXPECT_OK(t.navigateTAP(KELJTAG_TEST_LOGIC_RESET, 5, 250000));
         EXPECT_OK(t.navigateTAP(KELJTAG_RUN_TEST_IDLE, 1));
     },
     "STATE RESET;\r\n"
     "STATE RESET;\r\nRUNTEST RESET 250000E-06 SEC ENDSTATE RESET;\r\n"
     "STATE IDLE;\r\nRUNTEST IDLE 1 TCK ENDSTATE IDLE;\r\n"},
    {"a wait on the way to a state SVF cannot hold is spent where the replay is",
     [](KelPlugin& t) {
         EXPECT_OK(t.navigateTAP(KELJTAG_SHIFT_DR, 0, 1500));
         EXPECT_OK(t.navigateTAP(KELJTAG_PAUSE_IR, 1));
         EXPECT_OK(t.navigateTAP(KELJTAG_UPDATE_IR, 0, 20));
     },
     "RUNTEST 1500E-06 SEC;\r\n"
     "RUNTEST IRPAUSE 1 TCK ENDSTATE IRPAUSE;\r\n"
     "RUNTEST IRPAUSE 20E-06 SEC ENDSTATE IRPAUSE;\r\n"},
    {"waitTime runs where the replay is",
     [](KelPlugin& t) {
         EXPECT_OK(t.waitTime(1500));
         EXPECT_OK(t.waitTime(0));
         EXPECT_OK(t.initializeTAP());
         EXPECT_OK(t.waitTime(10));
         EXPECT_OK(scanDR(t, 0xA5, KELJTAG_PAUSE_DR));
         EXPECT_OK(t.waitTime(11));
     },
     std::string("RUNTEST 1500E-06 SEC;\r\n"
                 "STATE RESET;\r\nRUNTEST RESET 10E-06 SEC ENDSTATE RESET;\r\n") +
         kNoHeader +
         "ENDDR DRPAUSE;\r\nSDR 8 TDI (a5);\r\n"
         "RUNTEST DRPAUSE 11E-06 SEC ENDSTATE DRPAUSE;\r\n"},
    {"end states are named when they change, after the header",
     [](KelPlugin& t) {
         EXPECT_OK(scanIR(t, 0x1, KELJTAG_PAUSE_IR));
         EXPECT_OK(scanIR(t, 0x2, KELJTAG_PAUSE_IR));
         EXPECT_OK(scanDR(t, 0x03, KELJTAG_PAUSE_DR));
         EXPECT_OK(scanDR(t, 0x04, KELJTAG_RUN_TEST_IDLE));
         EXPECT_OK(scanIR(t, 0x5, KELJTAG_PAUSE_DR));
         EXPECT_OK(scanIR(t, 0x6, KELJTAG_RUN_TEST_IDLE));
         EXPECT_OK(scanDR(t, 0x07, KELJTAG_RUN_TEST_IDLE));
     },
     std::string(kNoHeader) + "ENDIR IRPAUSE;\r\nSIR 4 TDI (01);\r\n"
                              "SIR 4 TDI (02);\r\n"
                              "ENDDR DRPAUSE;\r\nSDR 8 TDI (03);\r\n"
                              "ENDDR IDLE;\r\nSDR 8 TDI (04);\r\n"
                              "ENDIR DRPAUSE;\r\nSIR 4 TDI (05);\r\n"
                              "ENDIR IDLE;\r\nSIR 4 TDI (06);\r\n"
                              "SDR 8 TDI (07);\r\n"},
    {"any other end state ends the scan in idle",
     [](KelPlugin& t) {
         EXPECT_OK(scanIR(t, 0x1, KELJTAG_SHIFT_IR));
         EXPECT_OK(scanDR(t, 0x02, KELJTAG_EXIT2_DR));
         EXPECT_OK(scanDR(t, 0x03, KELJTAG_PAUSE_DR));
         EXPECT_OK(scanDR(t, 0x04, KELJTAG_UPDATE_DR));
         EXPECT_OK(scanDR(t, 0x06, KELJTAG_TEST_LOGIC_RESET));
         EXPECT_OK(scanDR(t, 0x05, static_cast<TapState>(99)));
     },
     std::string(kNoHeader) + "SIR 4 TDI (01);\r\nSDR 8 TDI (02);\r\n"
                              "ENDDR DRPAUSE;\r\nSDR 8 TDI (03);\r\n"
                              "ENDDR IDLE;\r\nSDR 8 TDI (04);\r\nSDR 8 TDI (06);\r\n"
                              "SDR 8 TDI (05);\r\n"},
    {"a scan end state leaves the run states in force alone",
     [](KelPlugin& t) {
         EXPECT_OK(scanDR(t, 0x01, KELJTAG_PAUSE_DR));
         EXPECT_OK(t.navigateTAP(KELJTAG_RUN_TEST_IDLE, 3));
     },
     std::string(kNoHeader) +
         "ENDDR DRPAUSE;\r\nSDR 8 TDI (01);\r\nSTATE IDLE;\r\nRUNTEST 3 TCK;\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Forms, SvfRunForms, ::testing::ValuesIn(kRunForms),
                         [](const ::testing::TestParamInfo<Session>& param) {
                             std::string name;
                             for (const char* c = param.param.what; *c != '\0'; ++c) {
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             }
                             return name;
                         });

#undef EXPECT_OK

// Waits never sleep: a wait of about 71 minutes returns at once (ctest's timeout would catch a
// sleep). Each time is cut into pieces that both common SVF players read back exactly.
TEST_F(SvfRuns, WaitsOfEverySizeAreWrittenInExactPieces) {
    const struct {
        uint32_t wait;
        std::vector<std::string> pieces;
    } cases[] = {
        {1, {"1"}},
        {1500, {"1500"}},
        {999999, {"999999"}},
        {247, {"246", "1"}},  // 247E-06 read through a float gives 246
        {0xFFFFFFFFu, {"2000000000", "2000000000", "294967264", "31"}},
    };
    std::string body;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.wait);
        recorder_.clear();
        EXPECT_EQ(KEL_SUCCESS, target().navigateTAP(KELJTAG_RUN_TEST_IDLE, 0, c.wait));
        EXPECT_EQ(KEL_SUCCESS, target().waitTime(c.wait));
        EXPECT_PRINT(recorder_, KEL_PRINT_DETAIL,
                     "<SVFFile> navigateTAPImpl:Wrote a wait of " + std::to_string(c.wait) +
                         " microSeconds to the file...\n");
        EXPECT_PRINT(recorder_, KEL_PRINT_DETAIL,
                     "<SVFFile> waitTimeImpl:Wrote a wait of " + std::to_string(c.wait) +
                         " us to the file...\n");
        std::string runs;
        for (const std::string& piece : c.pieces) {
            runs += "RUNTEST " + piece + "E-06 SEC;\r\n";
        }
        body += "STATE IDLE;\r\n" + runs + runs;
    }
    expectBody(body);
}

TEST_F(SvfRuns, CountsOf2To31AndMoreAreSplitIntoRunsThatAddUp) {
    EXPECT_EQ(KEL_SUCCESS, target().navigateTAP(KELJTAG_RUN_TEST_IDLE, 0x7FFFFFFFu));
    EXPECT_EQ(KEL_SUCCESS, target().navigateTAP(KELJTAG_RUN_TEST_IDLE, 0x80000000u));
    EXPECT_EQ(KEL_SUCCESS, target().navigateTAP(KELJTAG_RUN_TEST_IDLE, 0xFFFFFFFFu));
    // Clock and time pieces pair up in order.
    EXPECT_EQ(KEL_SUCCESS, target().navigateTAP(KELJTAG_RUN_TEST_IDLE, 0xFFFFFFFFu, 0xFFFFFFFFu));
    EXPECT_EQ(KEL_SUCCESS, target().navigateTAP(KELJTAG_PAUSE_DR, 0x80000000u, 1500));
    expectBody(
        "STATE IDLE;\r\nRUNTEST 2147483647 TCK;\r\n"
        "STATE IDLE;\r\nRUNTEST 2147483647 TCK;\r\nRUNTEST 1 TCK;\r\n"
        "STATE IDLE;\r\nRUNTEST 2147483647 TCK;\r\nRUNTEST 2147483647 TCK;\r\nRUNTEST 1 TCK;\r\n"
        "STATE IDLE;\r\n"
        "RUNTEST 2147483647 TCK 2000000000E-06 SEC;\r\n"
        "RUNTEST 2147483647 TCK 2000000000E-06 SEC;\r\n"
        "RUNTEST 1 TCK 294967264E-06 SEC;\r\n"
        "RUNTEST 31E-06 SEC;\r\n"
        "RUNTEST DRPAUSE 2147483647 TCK 1500E-06 SEC ENDSTATE DRPAUSE;\r\n"
        "RUNTEST DRPAUSE 1 TCK ENDSTATE DRPAUSE;\r\n");
}

// The waiting form keeps the nested navigation and writes the wait instead of flushing and
// sleeping; waitTime neither flushes nor sleeps.
TEST_F(SvfRuns, WaitsKeepTheNestedNavigationAndNeitherFlushNorSleep) {
    EXPECT_EQ(KEL_SUCCESS, target().navigateTAP(KELJTAG_RUN_TEST_IDLE, 3, 1500));
    EXPECT_EQ(KEL_SUCCESS, target().waitTime(1500));
    EXPECT_EVENTS(
        recorder_,                   //
        "> KelPlugin::navigateTAP",  //
        "  > KelPlugin::navigateTAP",
        "print 4: KelPlugin::navigateTAP FROM KELJTAG_TEST_LOGIC_RESET "
        "TO(KELJTAG_RUN_TEST_IDLE,3) returning 0\n",
        "  < KEL_SUCCESS",
        "print 4: <SVFFile> navigateTAPImpl:Wrote a wait of 1500 microSeconds to the file...\n",
        "print 4: KelPlugin::navigateTAP FROM KELJTAG_TEST_LOGIC_RESET "
        "TO(KELJTAG_RUN_TEST_IDLE,3,1500) returning 0\n",
        "< KEL_SUCCESS",  //
        "> KelPlugin::waitTime",
        "print 4: <SVFFile> waitTimeImpl:Wrote a wait of 1500 us to the file...\n",
        "< KEL_SUCCESS");
    expectBody("STATE IDLE;\r\nRUNTEST 3 TCK 1500E-06 SEC;\r\nRUNTEST 1500E-06 SEC;\r\n");
}

// Clocks in a state SVF cannot keep the TAP in would be made up on replay: refused, named, and
// nothing written, with or without a wait. Without clocks these states write nothing.
TEST_F(SvfRuns, ClocksInAStateSvfCannotHoldAreRefused) {
    const std::pair<TapState, std::string> unholdable[] = {
        {KELJTAG_SELECT_DR_SCAN, "KELJTAG_SELECT_DR_SCAN"},
        {KELJTAG_CAPTURE_DR, "KELJTAG_CAPTURE_DR"},
        {KELJTAG_SHIFT_DR, "KELJTAG_SHIFT_DR"},
        {KELJTAG_EXIT1_DR, "KELJTAG_EXIT1_DR"},
        {KELJTAG_EXIT2_DR, "KELJTAG_EXIT2_DR"},
        {KELJTAG_UPDATE_DR, "KELJTAG_UPDATE_DR"},
        {KELJTAG_SELECT_IR_SCAN, "KELJTAG_SELECT_IR_SCAN"},
        {KELJTAG_CAPTURE_IR, "KELJTAG_CAPTURE_IR"},
        {KELJTAG_SHIFT_IR, "KELJTAG_SHIFT_IR"},
        {KELJTAG_EXIT1_IR, "KELJTAG_EXIT1_IR"},
        {KELJTAG_EXIT2_IR, "KELJTAG_EXIT2_IR"},
        {KELJTAG_UPDATE_IR, "KELJTAG_UPDATE_IR"},
    };
    for (const auto& [state, name] : unholdable) {
        SCOPED_TRACE(name);
        const std::string refusal = "<SVFFile> Cannot clock in " + name +
                                    ": SVF holds the TAP only in RESET, IDLE, DRPAUSE and "
                                    "IRPAUSE\n";
        const std::string moved =
            "print 4: KelPlugin::navigateTAP FROM KELJTAG_TEST_LOGIC_RESET TO(" + name + ",1";
        recorder_.clear();
        EXPECT_EQ(KEL_FAILURE, target().navigateTAP(state, 1));
        EXPECT_EQ(KEL_FAILURE, target().navigateTAP(state, 1, 10));
        EXPECT_EVENTS(recorder_,                                //
                      "> KelPlugin::navigateTAP",               //
                      "message 0 256: " + refusal,              //
                      "print 1: <KelPlugin> Error:" + refusal,  //
                      moved + ") returning -2147483648\n",      //
                      "< KEL_FAILURE, ERROR CODE: 0",           //
                      "> KelPlugin::navigateTAP",               //
                      "  > KelPlugin::navigateTAP",             //
                      "message 0 256: " + refusal,              //
                      "print 1: <KelPlugin> Error:" + refusal,  //
                      moved + ") returning -2147483648\n",      //
                      "  < KEL_FAILURE, ERROR CODE: 0",         //
                      moved + ",10) returning -2147483648\n",   //
                      "< KEL_FAILURE, ERROR CODE: 0");
        EXPECT_EQ(KEL_SUCCESS, target().navigateTAP(state, 0));
    }
    expectBody("");
}

}  // namespace
}  // namespace kelhost::test
