// The END word of ir and dr lines reaches the target: each scan leaves the TAP where the line
// says, checked on a simulated chain.
#include <gtest/gtest.h>

#include <cstdio>

#include "common/ErrorLines.h"
#include "kelsim/SimulatedChainTarget.h"
#include "output/OutputFiles.h"
#include "script/ScriptParser.h"
#include "script/Session.h"

namespace kelsvf {
namespace {

using namespace KelPluginInterface;

TEST(ScanEndState, EachScanEndsInTheStateItsLineNames) {
    kelsim::SimulatedChainTarget target({kelsim::SimulatedDevice(4), kelsim::SimulatedDevice(5)});
    OutputFiles outputs;
    ErrorLines errors(stderr);
    Session session(target, stdout, outputs, errors);
    const struct {
        const char* line;
        bool ir;
        TapState end;
    } cases[] = {
        {"ir 1 5 1f IRPAUSE", true, KELJTAG_PAUSE_IR},
        {"dr 1 1 1 drpause", false, KELJTAG_PAUSE_DR},
        {"ir 0 4 3", true, KELJTAG_RUN_TEST_IDLE},  // the default
        {"dr 0 1 0 KELJTAG_TEST_LOGIC_RESET", false, KELJTAG_TEST_LOGIC_RESET},
        {"ir 1 5 1 IDLE", true, KELJTAG_RUN_TEST_IDLE},
    };
    const ParsedScript setup = parseScript("lock\nchain 4 5\n", "setup", ParseSettings{});
    ASSERT_TRUE(setup.ok());
    for (const Step& step : setup.steps) {
        ASSERT_EQ(step.run(session), KEL_SUCCESS) << step.text;
    }
    for (const auto& c : cases) {
        const ParsedScript script = parseScript(c.line, "end", ParseSettings{});
        ASSERT_TRUE(script.ok()) << c.line;
        ASSERT_EQ(script.steps.front().run(session), KEL_SUCCESS) << c.line;
        EXPECT_EQ(target.lastShift().ir, c.ir) << c.line;
        EXPECT_EQ(target.lastShift().endState, c.end) << c.line;
        EXPECT_EQ(target.heldTapState(), c.end) << c.line;
    }
}

}  // namespace
}  // namespace kelsvf
