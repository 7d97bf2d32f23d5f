// What only a target built on the framework can provoke: implementations that throw, return their
// own codes or report a state without a name, and the refusals that keep such values away from
// the implementation.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "boundary/CallbackTable.h"
#include "kel/KelPlugin.h"
#include "kelhost/Recorder.h"

namespace {

using namespace KelPluginInterface;
using Lines = std::vector<std::string>;

// A target whose implementations answer what the test scripts.
class ScriptedTarget : public KelPlugin {
  public:
    KelResult openCode = KEL_SUCCESS;
    bool openThrows = false;
    TapState reportedState = KELJTAG_RUN_TEST_IDLE;
    int navigations = 0;
    int flushes = 0;

  protected:
    using KelPlugin::navigateTAPImpl;

    KelResult openTargetImpl(uint32_t, const char* const*, CallContext) override {
        if (openThrows) {
            throw std::runtime_error("cable unplugged");
        }
        return openCode;
    }
    KelResult closeTargetImpl() override { return KEL_SUCCESS; }
    KelResult navigateTAPImpl(TapState, uint32_t) override {
        ++navigations;
        return KEL_SUCCESS;
    }
    KelResult initializeTAPImpl() override { return KEL_SUCCESS; }
    KelResult shiftChainIRImpl(const uint8_t*, uint8_t*, const uint8_t*, const uint8_t*, uint32_t,
                               TapState, CallContext) override {
        return KEL_FAILURE;
    }
    KelResult shiftChainDRImpl(const uint8_t*, uint8_t*, const uint8_t*, const uint8_t*, uint32_t,
                               TapState, CallContext) override {
        return KEL_FAILURE;
    }
    TapState getTAPStateImpl() override { return reportedState; }
    KelResult flushImpl() override {
        ++flushes;
        return KEL_SUCCESS;
    }
};

class ScriptedTargetTest : public ::testing::Test {
  protected:
    ScriptedTargetTest() {
        const KelPluginCallbacks table = kelhost::Recorder::callbacks();
        boundary::setCallbacks(&table);
    }
    ~ScriptedTargetTest() override {
        const KelPluginCallbacks none{};
        boundary::setCallbacks(&none);
    }

    kelhost::Recorder recorder;
    ScriptedTarget target;
};

constexpr CallContext kNoContext{};

TEST_F(ScriptedTargetTest, AnExceptionStopsAtThePublicOperation) {
    target.openThrows = true;
    const char* options[] = {"type=cable"};
    recorder.clear();

    EXPECT_EQ(target.openTarget(1, options, kNoContext), KEL_FAILURE);
    EXPECT_EQ(recorder.traceLines().back(), "< KEL_FAILURE, ERROR CODE: 0");
    EXPECT_EQ(
        recorder.printLines(),
        (Lines{"1: <KelPlugin> KelPlugin::openTarget: unexpected exception: cable unplugged\n"}));
    EXPECT_FALSE(target.isOpened());
}

TEST_F(ScriptedTargetTest, ATargetsOwnCodesTravelBackUnchanged) {
    const char* options[] = {"type=cable"};
    target.openCode = static_cast<KelResult>(0x80010005u);
    recorder.clear();
    EXPECT_EQ(target.openTarget(1, options, kNoContext), static_cast<KelResult>(0x80010005u));
    EXPECT_EQ(recorder.traceLines().back(), "< KEL_FAILURE, ERROR CODE: 5");
    EXPECT_FALSE(target.isOpened());

    target.openCode = 1;
    recorder.clear();
    EXPECT_EQ(target.openTarget(1, options, kNoContext), 1);
    EXPECT_EQ(recorder.traceLines().back(), "< KEL_SUCCESS");
    EXPECT_TRUE(target.isOpened());
}

TEST_F(ScriptedTargetTest, AReportedStateWithoutANameTracesAsNull) {
    target.reportedState = static_cast<TapState>(42);
    recorder.clear();
    EXPECT_EQ(target.getTAPState(), static_cast<TapState>(42));
    EXPECT_EQ(recorder.traceLines(), (Lines{"> KelPlugin::getTAPState", "< 0 (NULL)"}));

    target.reportedState = KELJTAG_PAUSE_DR;
    recorder.clear();
    target.getTAPState();
    EXPECT_EQ(recorder.traceLines().back(), "< KELJTAG_PAUSE_DR");
}

TEST_F(ScriptedTargetTest, NavigationToAnInvalidStateIsRefusedAfterTheLockGate) {
    const TapState bad = static_cast<TapState>(16);
    recorder.clear();
    EXPECT_EQ(target.navigateTAP(bad, 0), KEL_FAILURE);
    EXPECT_EQ(
        recorder.printLines(),
        (Lines{"1: <KelPlugin> Operation not permitted without obtaining an exclusive lock!\n"}));

    target.setLockOwned(true);
    for (const TapState state : {bad, static_cast<TapState>(-1)}) {
        recorder.clear();
        EXPECT_EQ(target.navigateTAP(state, 3), KEL_FAILURE);
        EXPECT_EQ(target.navigateTAP(state, 3, 1000), KEL_FAILURE);
        const std::string refusal = "1: <KelPlugin> navigateTAP called with an invalid TAP state " +
                                    std::to_string(static_cast<int>(state)) + "\n";
        EXPECT_EQ(recorder.printLines(), (Lines{refusal, refusal}));
        EXPECT_EQ(recorder.traceLines(),
                  (Lines{"> KelPlugin::navigateTAP", "< KEL_FAILURE, ERROR CODE: 0",
                         "> KelPlugin::navigateTAP", "< KEL_FAILURE, ERROR CODE: 0"}));
    }
    EXPECT_EQ(target.navigations, 0);
    EXPECT_EQ(target.flushes, 0) << "a refused waiting navigation neither flushes nor sleeps";
}

TEST_F(ScriptedTargetTest, AnUnnamedStartStateIsPrintedAsNull) {
    // A target that clocks TMS itself could leave the holder anywhere; the print must not get null.
    struct Misplaced : ScriptedTarget {
        void misplace() { tapState.setState(static_cast<TapState>(99)); }
    } misplaced;
    misplaced.setLockOwned(true);
    misplaced.misplace();
    recorder.clear();
    EXPECT_EQ(misplaced.navigateTAP(KELJTAG_SHIFT_IR, 2), KEL_SUCCESS);
    EXPECT_EQ(
        recorder.printLines(),
        (Lines{"4: KelPlugin::navigateTAP FROM 0 (NULL) TO(KELJTAG_SHIFT_IR,2) returning 0\n"}));
}

TEST_F(ScriptedTargetTest, TheWaitingNavigationFlushesOnlyForAWait) {
    target.setLockOwned(true);
    EXPECT_EQ(target.navigateTAP(KELJTAG_RUN_TEST_IDLE, 0, 0), KEL_SUCCESS);
    EXPECT_EQ(target.flushes, 0);
    recorder.clear();
    EXPECT_EQ(target.navigateTAP(KELJTAG_RUN_TEST_IDLE, 0, 1), KEL_SUCCESS);
    EXPECT_EQ(target.flushes, 1);
    EXPECT_EQ(target.navigations, 2);
    EXPECT_EQ(recorder.printLines(),
              (Lines{"4: KelPlugin::navigateTAP FROM KELJTAG_TEST_LOGIC_RESET "
                     "TO(KELJTAG_RUN_TEST_IDLE,0) returning 0\n",
                     "4: <KelPlugin> navigateTAPImpl:Slept for 1 microSeconds...\n",
                     "4: KelPlugin::navigateTAP FROM KELJTAG_TEST_LOGIC_RESET "
                     "TO(KELJTAG_RUN_TEST_IDLE,0,1) returning 0\n"}));
}

TEST_F(ScriptedTargetTest, NullOutputPointersAreRefusedBeforeTheImplementation) {
    recorder.clear();
    EXPECT_EQ(target.isConnected(nullptr), KEL_FAILURE);
    EXPECT_EQ(target.isFileOutput(nullptr), KEL_FAILURE);
    EXPECT_EQ(target.getPin(3, nullptr), KEL_FAILURE);
    EXPECT_EQ(target.setOption(nullptr, "1"), KEL_FAILURE);
    EXPECT_EQ(target.setOption("speed", nullptr), KEL_FAILURE);
    EXPECT_EQ(target.getOption(nullptr, 0, 0), KEL_FAILURE);
    EXPECT_EQ(target.readChainDR(true, nullptr, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(recorder.printLines(),
              (Lines{"1: <KelPlugin> isConnected called with a NULL pointer\n",
                     "1: <KelPlugin> isFileOutput called with a NULL pointer\n",
                     "1: <KelPlugin> getPin called with a NULL pointer\n",
                     "1: <KelPlugin> setOption called with a NULL key or value\n",
                     "1: <KelPlugin> setOption called with a NULL key or value\n",
                     "1: <KelPlugin> getOption called with a NULL key\n",
                     "1: <KelPlugin> readChainDR called with a NULL tdo buffer\n"}));
    EXPECT_EQ(target.getTargetInfo(nullptr), KEL_FAILURE);
    EXPECT_EQ(recorder.printLines().size(), 7u) << "getTargetInfo(null) fails without a message";
}

TEST_F(ScriptedTargetTest, ALongTypeIsCutToFitItsField) {
    const std::string longType = "type=" + std::string(9000, 'x');
    const std::string shortType = "type=ab";
    KelTargetInfo info;

    const char* longOptions[] = {longType.c_str()};
    target.openTarget(1, longOptions, kNoContext);
    ASSERT_EQ(target.getTargetInfo(&info), KEL_SUCCESS);
    EXPECT_EQ(std::string(info.targetType, sizeof info.targetType - 1), std::string(8191, 'x'));
    EXPECT_EQ(info.targetType[8191], '\0');
    EXPECT_STREQ(info.pluginName, "KEL Plug-in");

    // A shorter type leaves no byte of the longer one behind.
    const char* shortOptions[] = {shortType.c_str()};
    target.openTarget(1, shortOptions, kNoContext);
    ASSERT_EQ(target.getTargetInfo(&info), KEL_SUCCESS);
    EXPECT_STREQ(info.targetType, "ab");
    EXPECT_EQ(std::string(info.targetType + 2, 8190), std::string(8190, '\0'));
}

TEST_F(ScriptedTargetTest, AnIRLengthThatOverflowsTheChainIsRefused) {
    target.setDeviceCount(2);
    ASSERT_EQ(target.setIRLength(0, 0xFFFFFFF0u), KEL_SUCCESS);
    recorder.clear();
    EXPECT_EQ(target.setIRLength(1, 0x10), KEL_FAILURE);
    EXPECT_EQ(target.getIRLength(1), 0u);
    EXPECT_EQ(recorder.printLines().back(),
              "1: <KelPlugin> ERROR:IRLength makes the chain's total IR length exceed 4294967295 "
              "bits\n");
    EXPECT_EQ(target.setIRLength(1, 0x0F), KEL_SUCCESS);
}

}  // namespace
