// Every place where SVFFile hands text to the stream, made to fail through the stream seam: the
// operation that loses data fails and names the file, and the target stays usable.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "boundary/CallbackTable.h"
#include "kelhost/Recorder.h"
#include "svf/SVFFile.h"
#include "svf/StreamSeam.h"

namespace {

using namespace KelPluginInterface;

// Which stream call fails next. Writes are counted from 1; a forced failure of flush or close
// still does the real call, so nothing leaks and buffered text is kept.
struct FaultPlan {
    bool failOpen = false;
    int failWrite = 0;
    bool failFlush = false;
    bool failClose = false;
    int writes = 0;
};
FaultPlan plan;

const svf::StreamOps faultyStream{
    [](const char* path, const char* mode) {
        return plan.failOpen ? nullptr : svf::standardStreamOps().open(path, mode);
    },
    [](const void* data, size_t size, size_t count, FILE* stream) -> size_t {
        if (++plan.writes == plan.failWrite) {
            return 0;
        }
        return svf::standardStreamOps().write(data, size, count, stream);
    },
    [](FILE* stream) {
        const int result = svf::standardStreamOps().flush(stream);
        return plan.failFlush ? EOF : result;
    },
    [](FILE* stream) {
        const int result = svf::standardStreamOps().close(stream);
        return plan.failClose ? EOF : result;
    },
};

const CallContext kNoContext{0, 0};
const uint8_t kByte[1] = {0x05};

class SvfStreamFailure : public testing::Test {
  protected:
    void SetUp() override {
        plan = FaultPlan{};
        const KelPluginCallbacks table = kelhost::Recorder::callbacks();
        boundary::setCallbacks(&table);
        path = testing::TempDir() + "svf_stream_failure_" +
               testing::UnitTest::GetInstance()->current_test_info()->name() + ".svf";
        fnameOption = "fname=" + path;
    }
    void TearDown() override {
        if (target.isOpened()) {
            target.closeTarget();
        }
        std::filesystem::remove(path);
    }

    KelResult open() {
        const char* options[] = {fnameOption.c_str(), "type=svf"};
        return target.openTarget(2, options, kNoContext);
    }
    // Open, locked, and a chain of three devices with IR lengths 6, 8, 10.
    void openChain() {
        ASSERT_EQ(open(), KEL_SUCCESS);
        ASSERT_EQ(target.lockTarget(0), KEL_SUCCESS);
        ASSERT_EQ(target.setDeviceCount(3), KEL_SUCCESS);
        for (uint32_t device = 0; device < 3; ++device) {
            ASSERT_EQ(target.setIRLength(device, 6 + 2 * device), KEL_SUCCESS);
        }
        plan.writes = 0;
        recorder.clear();
    }
    std::string fileText() const {
        std::string text;
        if (FILE* file = std::fopen(path.c_str(), "rb")) {
            char block[4096];
            size_t got;
            while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
                text.append(block, got);
            }
            std::fclose(file);
        }
        return text;
    }
    std::string lost(const char* action) const {
        return "0 256: <SVFFile> " + std::string(action) + " \"" + path + "\" failed\n";
    }
    std::vector<std::string> messages() const { return recorder.messageLines(); }

    kelhost::Recorder recorder;
    const svf::ScopedStreamOps seam{faultyStream};
    SVFFile target;
    std::string path;
    std::string fnameOption;
};

TEST_F(SvfStreamFailure, FailedOpenLeavesTargetClosed) {
    plan.failOpen = true;
    EXPECT_EQ(open(), KEL_FAILURE);
    EXPECT_FALSE(target.isOpened());
    EXPECT_EQ(recorder.printLines().front(), "4: fopen(" + path + ", \"wb\") returned 0\n");
    EXPECT_EQ(messages(), std::vector<std::string>{
                              "0 256: <svf_file> Cannot Open File: Invalide File Name Argument\n"});
}

TEST_F(SvfStreamFailure, EachTapStatementReportsItsLostWrite) {
    openChain();
    const struct {
        const char* what;
        int failWrite;
        KelResult (*operation)(SVFFile&);
    } cases[] = {
        {"STATE RESET", 1, [](SVFFile& t) { return t.initializeTAP(); }},
        {"STATE IDLE", 1, [](SVFFile& t) { return t.navigateTAP(KELJTAG_RUN_TEST_IDLE, 0); }},
        {"RUNTEST", 1, [](SVFFile& t) { return t.navigateTAP(KELJTAG_PAUSE_IR, 3); }},
        // The nested reset's result is ignored by the navigation, its lost write is not.
        {"STATE RESET before RUNTEST", 1,
         [](SVFFile& t) { return t.navigateTAP(KELJTAG_TEST_LOGIC_RESET, 5); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        plan.writes = 0;
        plan.failWrite = c.failWrite;
        recorder.clear();
        EXPECT_EQ(c.operation(target), KEL_FAILURE);
        EXPECT_EQ(messages(), std::vector<std::string>{lost("Write to file")});
    }
}

TEST_F(SvfStreamFailure, LostResetFailsTheLockEvenThoughIdleIsWritten) {
    ASSERT_EQ(open(), KEL_SUCCESS);
    plan.failWrite = 1;
    EXPECT_EQ(target.lockTarget(0), KEL_FAILURE);
    EXPECT_EQ(messages(), std::vector<std::string>{lost("Write to file")});
    EXPECT_EQ(target.closeTarget(), KEL_SUCCESS);  // unlocks first: the lock was taken
    EXPECT_EQ(fileText(), "STATE IDLE;\r\nSTATE IDLE;\r\n");
}

TEST_F(SvfStreamFailure, LostHeaderIsWrittenAgainByTheNextDeviceWrite) {
    openChain();
    // Writes 1-4 are HIR, TIR, HDR, TDR; losing any of them leaves no header in force.
    for (int failing = 1; failing <= 4; ++failing) {
        SCOPED_TRACE(failing);
        plan.writes = 0;
        plan.failWrite = failing;
        recorder.clear();
        EXPECT_EQ(target.writeDeviceIR(1, kByte, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
                  KEL_FAILURE);
        EXPECT_EQ(messages(), std::vector<std::string>{lost("Write to file")});
    }
    plan.writes = 0;
    plan.failWrite = 0;
    EXPECT_EQ(target.writeDeviceIR(1, kByte, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_SUCCESS);
    EXPECT_EQ(plan.writes, 5);
}

TEST_F(SvfStreamFailure, LostScanFailsButKeepsTheHeaderInForce) {
    openChain();
    plan.failWrite = 5;  // the SIR after the four header statements
    EXPECT_EQ(target.writeDeviceIR(1, kByte, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_FAILURE);
    plan.writes = 0;
    plan.failWrite = 1;  // the SDR alone
    EXPECT_EQ(target.writeDeviceDR(1, kByte, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(plan.writes, 1);
    EXPECT_EQ(messages(), (std::vector<std::string>{lost("Write to file"), lost("Write to file")}));
}

TEST_F(SvfStreamFailure, FailedFlushFailsUnlockButReleasesTheLock) {
    openChain();
    plan.failFlush = true;
    EXPECT_EQ(target.unlockTarget(), KEL_FAILURE);
    EXPECT_EQ(messages(), std::vector<std::string>{lost("Flush of file")});
    EXPECT_EQ(target.unlockTarget(), KEL_FAILURE);  // no longer owned
    EXPECT_EQ(target.closeTarget(), KEL_SUCCESS);
    EXPECT_EQ(fileText(), "STATE RESET;\r\nSTATE IDLE;\r\nSTATE IDLE;\r\n");
}

TEST_F(SvfStreamFailure, FailedCloseStillClosesTheTarget) {
    openChain();
    plan.failClose = true;
    EXPECT_EQ(target.closeTarget(), KEL_FAILURE);
    EXPECT_FALSE(target.isOpened());
    EXPECT_EQ(messages(), std::vector<std::string>{lost("Close of file")});
    plan.failClose = false;
    EXPECT_EQ(open(), KEL_SUCCESS);
}

}  // namespace
