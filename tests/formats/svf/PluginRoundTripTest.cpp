// A file the SVF target writes, read back: every clock, every microsecond of wait and every
// scanned bit the host asked for is in the statements the reader resolves, with no error and no
// note but the target's whole-byte hex values.
#include <gtest/gtest.h>

#include "HostTest.h"
#include "kelsvfreader/SvfReader.h"

namespace kelhost::test {
namespace {

using namespace KelPluginInterface;
using namespace kelsvfreader;

#define EXPECT_OK(call) EXPECT_EQ(KEL_SUCCESS, call)

class PluginFileReadsBack : public HostTest {};

TEST_F(PluginFileReadsBack, ClocksWaitsAndScansAddUp) {
    const std::string path = tempPath("session.svf");
    ASSERT_NO_FATAL_FAILURE(startSession(path, {4, 6, 8}));
    KelPlugin& t = target();
    EXPECT_OK(t.navigateTAP(KELJTAG_RUN_TEST_IDLE, 100, 250000));
    EXPECT_OK(t.navigateTAP(KELJTAG_PAUSE_DR, 0xFFFFFFFF));     // in pieces
    EXPECT_OK(t.navigateTAP(KELJTAG_PAUSE_IR, 5, 0xFFFFFFFF));  // in pieces
    EXPECT_OK(t.waitTime(247));                                 // not one float-exact piece
    EXPECT_OK(t.navigateTAP(KELJTAG_TEST_LOGIC_RESET, 0, 1500));
    EXPECT_OK(t.navigateTAP(KELJTAG_RUN_TEST_IDLE, 7));
    const uint8_t ir = 0x2a;
    const uint8_t dr[3] = {0x12, 0x34, 0x0f};
    EXPECT_OK(t.writeDeviceIR(1, &ir, nullptr, 6, KELJTAG_PAUSE_IR, kNoContext));
    EXPECT_OK(t.writeDeviceDR(2, dr, nullptr, 20, KELJTAG_PAUSE_DR, kNoContext));
    EXPECT_OK(t.writeDeviceDR(0, dr, nullptr, 9, KELJTAG_TEST_LOGIC_RESET, kNoContext));
    ASSERT_EQ(KEL_SUCCESS, t.closeTarget());

    std::string why;
    SvfReader reader(openFileSource(path, why));
    Statement statement;
    uint64_t clocks = 0;
    uint64_t microseconds = 0;
    std::vector<std::vector<uint8_t>> scannedIR;
    std::vector<std::vector<uint8_t>> scannedDR;
    while (reader.next(statement)) {
        for (const Note& note : reader.notes()) {
            EXPECT_EQ(NoteKind::ExtraHexDigits, note.kind) << note.text;
        }
        if (statement.keyword == Keyword::RunTest) {
            clocks += statement.run.count;
            microseconds += statement.run.minTime.microseconds;
            EXPECT_TRUE(statement.run.minTime.exact);
            EXPECT_EQ(statement.run.runState, statement.run.endState);
        } else if (statement.keyword == Keyword::SIR) {
            scannedIR.push_back(statement.scan->tdi.toBytes());
        } else if (statement.keyword == Keyword::SDR) {
            scannedDR.push_back(statement.scan->tdi.toBytes());
        }
    }
    EXPECT_FALSE(reader.failed()) << reader.error().message;
    EXPECT_EQ(uint64_t{0xFFFFFFFF} + 100 + 5 + 7, clocks);
    EXPECT_EQ(uint64_t{0xFFFFFFFF} + 250000 + 247 + 1500, microseconds);
    EXPECT_EQ((std::vector<std::vector<uint8_t>>{{0x2a}}), scannedIR);
    EXPECT_EQ((std::vector<std::vector<uint8_t>>{{0x12, 0x34, 0x0f}, {0x12, 0x00}}), scannedDR);
    const StatesInForce states = reader.statesInForce();
    EXPECT_EQ(KELJTAG_PAUSE_IR, states.endIR);
    EXPECT_EQ(KELJTAG_RUN_TEST_IDLE, states.endDR);
}

}  // namespace
}  // namespace kelhost::test
