// TAP navigation seen from a host: the lock gate, the statements, and the waiting form.
#include "HostTest.h"

namespace kelhost::test {
namespace {

using namespace KelPluginInterface;

const char* const kNoLock =
    "print 1: <KelPlugin> Operation not permitted without obtaining an exclusive lock!\n";

std::string movePrint(const char* to, uint32_t count) {
    return std::string("print 4: KelPlugin::navigateTAP FROM KELJTAG_TEST_LOGIC_RESET TO(") + to +
           "," + std::to_string(count) + ") returning 0\n";
}

std::string waitPrint(const char* to, uint32_t count, uint32_t wait) {
    return std::string("print 4: KelPlugin::navigateTAP FROM KELJTAG_TEST_LOGIC_RESET TO(") + to +
           "," + std::to_string(count) + "," + std::to_string(wait) + ") returning 0\n";
}

std::string wrotePrint(uint32_t wait) {
    return "print 4: <SVFFile> navigateTAPImpl:Wrote a wait of " + std::to_string(wait) +
           " microSeconds to the file...\n";
}

const char* const kLockAndUnlock[] = {"STATE RESET;\r\nSTATE IDLE;\r\n", "STATE IDLE;\r\n"};

using TapGate = HostTest;

TEST_F(TapGate, NavigationWithoutTheLockIsRefused) {
    ASSERT_EQ(KEL_SUCCESS, open(tempPath("a.svf")));
    recorder_.clear();
    EXPECT_EQ(KEL_FAILURE, target().navigateTAP(KELJTAG_RUN_TEST_IDLE, 0));
    EXPECT_EQ(KEL_FAILURE, target().navigateTAP(KELJTAG_RUN_TEST_IDLE, 0, 10));
    EXPECT_EVENTS(recorder_,                                                            //
                  "> KelPlugin::navigateTAP", kNoLock, "< KEL_FAILURE, ERROR CODE: 0",  //
                  "> KelPlugin::navigateTAP", kNoLock, "< KEL_FAILURE, ERROR CODE: 0");
    ASSERT_EQ(KEL_SUCCESS, target().closeTarget());
    EXPECT_SVF_FILE(tempPath("a.svf"), "");
}

TEST_F(TapGate, ChainScanWithoutTheLockIsRefused) {
    EXPECT_EQ(KEL_FAILURE, target().scanJTAGChain());
    EXPECT_EVENTS(recorder_, "> KelPlugin::scanJTAGChain", kNoLock, "< KEL_FAILURE, ERROR CODE: 0");
}

TEST_F(TapGate, ResetNeedsNoLock) {
    ASSERT_EQ(KEL_SUCCESS, open(tempPath("a.svf")));
    recorder_.clear();
    EXPECT_EQ(KEL_SUCCESS, target().initializeTAP());
    EXPECT_EVENTS(recorder_, "> KelPlugin::initializeTAP", "< KEL_SUCCESS");
    ASSERT_EQ(KEL_SUCCESS, target().closeTarget());
    EXPECT_SVF_FILE(tempPath("a.svf"), "STATE RESET;\r\n");
}

class TapNavigation : public HostTest {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(HostTest::SetUp());
        path_ = tempPath("tap.svf");
        ASSERT_NO_FATAL_FAILURE(startSession(path_, {}));
    }

    // The file after closing: the lock's statements, `body`, and the unlock's "STATE IDLE;".
    void expectFileBody(const std::string& body) {
        ASSERT_EQ(KEL_SUCCESS, target().closeTarget());
        EXPECT_SVF_FILE(path_, kLockAndUnlock[0] + body + kLockAndUnlock[1]);
    }

    std::string path_;
};

TEST_F(TapNavigation, OnlyResetIdleAndClocksReachTheFile) {
    EXPECT_EQ(KEL_SUCCESS, target().navigateTAP(KELJTAG_RUN_TEST_IDLE, 0));
    EXPECT_EQ(KEL_SUCCESS, target().navigateTAP(KELJTAG_RUN_TEST_IDLE, 100));
    EXPECT_EQ(KEL_SUCCESS, target().navigateTAP(KELJTAG_SHIFT_DR, 0));
    EXPECT_EQ(KEL_SUCCESS, target().navigateTAP(KELJTAG_PAUSE_IR, 3));
    EXPECT_EQ(KEL_SUCCESS, target().navigateTAP(KELJTAG_TEST_LOGIC_RESET, 0));
    expectFileBody(
        "STATE IDLE;\r\n"
        "STATE IDLE;\r\nRUNTEST 100 TCK;\r\n"
        "RUNTEST IRPAUSE 3 TCK ENDSTATE IRPAUSE;\r\n"
        "STATE RESET;\r\n");
}

TEST_F(TapNavigation, ResetWithClocksTracesTheNestedReset) {
    EXPECT_EQ(KEL_SUCCESS, target().navigateTAP(KELJTAG_TEST_LOGIC_RESET, 5));
    EXPECT_EVENTS(recorder_,                                          //
                  "> KelPlugin::navigateTAP",                         //
                  "  > KelPlugin::initializeTAP", "  < KEL_SUCCESS",  //
                  movePrint("KELJTAG_TEST_LOGIC_RESET", 5),           //
                  "< KEL_SUCCESS");
    // Clocks in reset change no device and the replay stays in reset: they are not written.
    expectFileBody("STATE RESET;\r\n");
}

TEST_F(TapNavigation, TheStoredStateNeverMoves) {
    target().navigateTAP(KELJTAG_SHIFT_IR, 0);
    target().navigateTAP(KELJTAG_RUN_TEST_IDLE, 2);
    recorder_.clear();
    EXPECT_EQ(KELJTAG_TEST_LOGIC_RESET, target().getTAPState());
    EXPECT_EVENTS(recorder_, "> KelPlugin::getTAPState", "< KELJTAG_TEST_LOGIC_RESET");
}

TEST_F(TapNavigation, WaitOfZeroNavigatesOnly) {
    EXPECT_EQ(KEL_SUCCESS, target().navigateTAP(KELJTAG_RUN_TEST_IDLE, 0, 0));
    EXPECT_EVENTS(recorder_,                                                            //
                  "> KelPlugin::navigateTAP",                                           //
                  "  > KelPlugin::navigateTAP", movePrint("KELJTAG_RUN_TEST_IDLE", 0),  //
                  "  < KEL_SUCCESS",                                                    //
                  waitPrint("KELJTAG_RUN_TEST_IDLE", 0, 0),                             //
                  "< KEL_SUCCESS");
    expectFileBody("STATE IDLE;\r\n");
}

// A wait is written as the minimum time of the navigation's run: no flush, no sleep, and a
// print of the microseconds asked for.
TEST_F(TapNavigation, WaitFlushesSleepsAndReports) {
    for (const uint32_t wait : {1u, 1000u, 1001u}) {
        SCOPED_TRACE(wait);
        recorder_.clear();
        EXPECT_EQ(KEL_SUCCESS, target().navigateTAP(KELJTAG_PAUSE_DR, 2, wait));
        EXPECT_EVENTS(recorder_,                                                       //
                      "> KelPlugin::navigateTAP",                                      //
                      "  > KelPlugin::navigateTAP", movePrint("KELJTAG_PAUSE_DR", 2),  //
                      "  < KEL_SUCCESS",                                               //
                      wrotePrint(wait),                                                //
                      waitPrint("KELJTAG_PAUSE_DR", 2, wait),                          //
                      "< KEL_SUCCESS");
    }
    expectFileBody(
        "RUNTEST DRPAUSE 2 TCK 1E-06 SEC ENDSTATE DRPAUSE;\r\n"
        "RUNTEST DRPAUSE 2 TCK 1000E-06 SEC ENDSTATE DRPAUSE;\r\n"
        "RUNTEST DRPAUSE 2 TCK 1001E-06 SEC ENDSTATE DRPAUSE;\r\n");
}

// A state without a name is refused before anything is written or printed with a null name.
TEST_F(TapNavigation, StatesOutsideTheSixteenAreRefused) {
    for (const int32_t state : {16, -1, 0x7FFFFFFF}) {
        SCOPED_TRACE(state);
        recorder_.clear();
        EXPECT_EQ(KEL_FAILURE, target().navigateTAP(static_cast<TapState>(state), 1));
        EXPECT_EQ(KEL_FAILURE, target().navigateTAP(static_cast<TapState>(state), 1, 0));
        for (const std::string& line : recorder_.lines()) {
            EXPECT_EQ(std::string::npos, line.find("(null)")) << line;
        }
        EXPECT_FALSE(recorder_.printLines().empty());
    }
    expectFileBody("");
}

}  // namespace
}  // namespace kelhost::test
