// Every place where SVFFile hands text to the stream, made to fail through the stream seam: the
// operation that loses data fails and names the file with the system's reason, every later
// statement on that file is refused, and the target works again with the next file.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "boundary/CallbackTable.h"
#include "kelhost/Recorder.h"
#include "svf/SVFFile.h"
#include "svf/StreamSeam.h"

namespace {

using namespace KelPluginInterface;

// Which stream call fails next, and the errno it leaves (0: none). Writes are counted from 1; a
// forced failure of flush or close still does the real call, so nothing leaks and buffered text
// is kept.
struct FaultPlan {
    bool failOpen = false;
    int failWrite = 0;
    bool failFlush = false;
    bool failClose = false;
    int error = 0;
    int writes = 0;
    int flushes = 0;
};
FaultPlan plan;

const svf::StreamOps faultyStream{
    [](const char* path, int* error) -> FILE* {
        if (plan.failOpen) {
            *error = EACCES;
            return nullptr;
        }
        return svf::standardStreamOps().open(path, error);
    },
    [](const void* data, size_t size, size_t count, FILE* stream) -> size_t {
        if (++plan.writes == plan.failWrite) {
            errno = plan.error;
            return 0;
        }
        return svf::standardStreamOps().write(data, size, count, stream);
    },
    [](FILE* stream) {
        ++plan.flushes;
        const int result = svf::standardStreamOps().flush(stream);
        if (plan.failFlush) {
            errno = plan.error;
            return EOF;
        }
        return result;
    },
    [](FILE* stream) {
        const int result = svf::standardStreamOps().close(stream);
        if (plan.failClose) {
            errno = plan.error;
            return EOF;
        }
        return result;
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
    std::string lost(const char* action, const std::string& reason = "") const {
        return "0 256: <SVFFile> " + std::string(action) + " \"" + path + "\" failed" +
               (reason.empty() ? "" : ": " + reason) + "\n";
    }
    std::string lostEarlier() const {
        return "0 256: <SVFFile> An earlier write to file \"" + path +
               "\" was lost; nothing more is written to it\n";
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
    const struct {
        const char* what;
        int failWrite;
        KelResult (*operation)(SVFFile&);
    } cases[] = {
        {"STATE RESET", 1, [](SVFFile& t) { return t.initializeTAP(); }},
        {"STATE IDLE", 1, [](SVFFile& t) { return t.navigateTAP(KELJTAG_RUN_TEST_IDLE, 0); }},
        {"RUNTEST", 1, [](SVFFile& t) { return t.navigateTAP(KELJTAG_PAUSE_IR, 3); }},
        // The nested reset's result is ignored by the navigation, its lost write is not; the
        // wait after it is then not written.
        {"STATE RESET before RUNTEST", 1,
         [](SVFFile& t) { return t.navigateTAP(KELJTAG_TEST_LOGIC_RESET, 5, 100); }},
        {"RUNTEST after STATE IDLE", 2,
         [](SVFFile& t) { return t.navigateTAP(KELJTAG_RUN_TEST_IDLE, 5); }},
        {"the second RUNTEST of a long run", 2,
         [](SVFFile& t) { return t.navigateTAP(KELJTAG_PAUSE_DR, 0xFFFFFFFFu); }},
        {"a wait", 1, [](SVFFile& t) { return t.waitTime(1500); }},
        {"ENDDR", 1,
         [](SVFFile& t) {
             // A first scan puts the header in force; the second names its new end state.
             const int failing = std::exchange(plan.failWrite, 0);
             t.writeDeviceDR(1, kByte, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext);
             plan.writes = 0;
             plan.failWrite = failing;
             return t.writeDeviceDR(1, kByte, nullptr, 8, KELJTAG_PAUSE_DR, kNoContext);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NO_FATAL_FAILURE(openChain());  // each on a file of its own
        plan.failWrite = c.failWrite;
        EXPECT_EQ(c.operation(target), KEL_FAILURE);
        EXPECT_EQ(messages(), std::vector<std::string>{lost("Write to file")});
        EXPECT_EQ(plan.writes, c.failWrite) << "nothing after the lost statement";
        plan.failWrite = 0;
    }
}

TEST_F(SvfStreamFailure, LostResetFailsTheLockAndNothingFollowsIt) {
    ASSERT_EQ(open(), KEL_SUCCESS);
    plan.failWrite = 1;
    EXPECT_EQ(target.lockTarget(0), KEL_FAILURE);
    // The lock's move to Run-Test/Idle is refused: it would follow a gap.
    EXPECT_EQ(messages(), (std::vector<std::string>{lost("Write to file"), lostEarlier()}));
    recorder.clear();
    EXPECT_EQ(target.closeTarget(), KEL_FAILURE);  // unlocks first: the lock was taken
    EXPECT_FALSE(target.isOpened());
    EXPECT_EQ(messages(), (std::vector<std::string>{lostEarlier(), lostEarlier(), lostEarlier()}));
    EXPECT_EQ(plan.writes, 1);
    EXPECT_EQ(fileText(), "");
}

// A lost header statement, or the scan after it, ends what reaches the file: later device writes
// are refused without a stream call, and only a new file takes statements again.
TEST_F(SvfStreamFailure, LostHeaderOrScanIsFollowedByNothingUntilTheNextFile) {
    // Writes 1-4 are HIR, TIR, HDR, TDR, 5 the SIR.
    for (int failing = 1; failing <= 5; ++failing) {
        SCOPED_TRACE(failing);
        ASSERT_NO_FATAL_FAILURE(openChain());
        plan.failWrite = failing;
        EXPECT_EQ(target.writeDeviceIR(1, kByte, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
                  KEL_FAILURE);
        EXPECT_EQ(target.writeDeviceDR(1, kByte, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
                  KEL_FAILURE);
        EXPECT_EQ(plan.writes, failing);
        EXPECT_EQ(messages(), (std::vector<std::string>{lost("Write to file"), lostEarlier()}));
        plan.failWrite = 0;
    }
    ASSERT_NO_FATAL_FAILURE(openChain());
    EXPECT_EQ(target.writeDeviceIR(1, kByte, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_SUCCESS);
    EXPECT_EQ(plan.writes, 5) << "the new file gets the header again";
}

TEST_F(SvfStreamFailure, LostScanFailsButKeepsTheHeaderInForce) {
    openChain();
    EXPECT_EQ(target.writeDeviceIR(1, kByte, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_SUCCESS);
    plan.writes = 0;
    plan.failWrite = 1;  // the SDR alone: the header is in force
    EXPECT_EQ(target.writeDeviceDR(1, kByte, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext),
              KEL_FAILURE);
    EXPECT_EQ(plan.writes, 1);
    EXPECT_EQ(messages(), std::vector<std::string>{lost("Write to file")});
}

TEST_F(SvfStreamFailure, FailedFlushFailsUnlockButReleasesTheLock) {
    openChain();
    plan.failFlush = true;
    EXPECT_EQ(target.unlockTarget(), KEL_FAILURE);
    // The flush is lost; the unlock's "STATE IDLE;" is then refused.
    EXPECT_EQ(messages(), (std::vector<std::string>{lost("Flush of file"), lostEarlier()}));
    recorder.clear();
    EXPECT_EQ(target.unlockTarget(), KEL_FAILURE);  // no longer owned
    EXPECT_EQ(plan.flushes, 1) << "nothing is flushed after the loss";
    EXPECT_EQ(target.closeTarget(), KEL_FAILURE);
    EXPECT_EQ(fileText(), "STATE RESET;\r\nSTATE IDLE;\r\n");
}

// A loss at any stream call of the open file: the failing call's message carries the system's
// reason, every later statement on that file is refused with one message and no stream call,
// unlock and close fail (and still give the lock back and close), and the next file starts clean.
TEST_F(SvfStreamFailure, ALostWriteSticksUntilTheNextFile) {
    const struct {
        const char* what;
        int error;
        std::string message;  // of the failing call, without the target's prefix
        void (*fail)(SVFFile&);
    } cases[] = {
        {"write", ENOSPC, "Write to file \"%s\" failed: No space left on device",
         [](SVFFile& t) {
             plan.failWrite = 1;
             EXPECT_EQ(t.navigateTAP(KELJTAG_RUN_TEST_IDLE, 5), KEL_FAILURE);
         }},
        {"write without a reason", 0, "Write to file \"%s\" failed",
         [](SVFFile& t) {
             plan.failWrite = 2;
             EXPECT_EQ(t.writeDeviceIR(0, kByte, nullptr, 6, KELJTAG_RUN_TEST_IDLE, kNoContext),
                       KEL_FAILURE);
         }},
        {"flush", EIO, "Flush of file \"%s\" failed: Input/output error",
         [](SVFFile& t) {
             plan.failFlush = true;
             EXPECT_EQ(t.unlockTarget(), KEL_FAILURE);
             t.setLockOwned(true);  // the unlock gave the lock back; take it for what follows
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NO_FATAL_FAILURE(openChain());
        plan.error = c.error;
        c.fail(target);
        std::string failed = c.message;
        failed.replace(failed.find("%s"), 2, path);
        ASSERT_FALSE(messages().empty());
        EXPECT_EQ(messages().front(), "0 256: <SVFFile> " + failed + "\n");
        plan.failWrite = 0;
        plan.failFlush = false;
        const int writes = plan.writes;
        const int flushes = plan.flushes;
        const std::string atTheLoss = fileText();

        const std::pair<const char*, KelResult (*)(SVFFile&)> later[] = {
            {"initializeTAP", [](SVFFile& t) { return t.initializeTAP(); }},
            {"navigateTAP", [](SVFFile& t) { return t.navigateTAP(KELJTAG_RUN_TEST_IDLE, 0); }},
            {"navigateTAP with a wait",
             [](SVFFile& t) { return t.navigateTAP(KELJTAG_PAUSE_DR, 3, 100); }},
            {"waitTime", [](SVFFile& t) { return t.waitTime(1500); }},
            {"writeDeviceIR",
             [](SVFFile& t) {
                 return t.writeDeviceIR(2, kByte, nullptr, 8, KELJTAG_PAUSE_IR, kNoContext);
             }},
            {"writeDeviceDR",
             [](SVFFile& t) {
                 return t.writeDeviceDR(1, kByte, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext);
             }},
        };
        for (const auto& [name, statement] : later) {
            SCOPED_TRACE(name);
            recorder.clear();
            EXPECT_EQ(statement(target), KEL_FAILURE);
            EXPECT_EQ(messages(), std::vector<std::string>{lostEarlier()});
        }
        // The unlock's flush and its "STATE IDLE;" are both refused; the lock is given back.
        recorder.clear();
        EXPECT_EQ(target.unlockTarget(), KEL_FAILURE);
        EXPECT_EQ(messages(), (std::vector<std::string>{lostEarlier(), lostEarlier()}));
        EXPECT_EQ(target.navigateTAP(KELJTAG_RUN_TEST_IDLE, 0), KEL_FAILURE);  // not locked
        recorder.clear();
        EXPECT_EQ(target.closeTarget(), KEL_FAILURE);
        EXPECT_EQ(messages(), std::vector<std::string>{lostEarlier()});
        EXPECT_FALSE(target.isOpened());
        EXPECT_EQ(plan.writes, writes);
        EXPECT_EQ(plan.flushes, flushes);
        EXPECT_EQ(fileText(), atTheLoss) << "what the stream still held went in after the loss";
    }
    // A new file takes statements again.
    ASSERT_NO_FATAL_FAILURE(openChain());
    EXPECT_EQ(target.navigateTAP(KELJTAG_RUN_TEST_IDLE, 5), KEL_SUCCESS);
    EXPECT_EQ(target.closeTarget(), KEL_SUCCESS);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(fileText(),
              "STATE RESET;\r\nSTATE IDLE;\r\nSTATE IDLE;\r\nRUNTEST 5 TCK;\r\nSTATE IDLE;\r\n");
}

// A close that loses data closes all the same, with the system's reason; the target is then
// closed (no file to write to) until the next open, which starts clean.
TEST_F(SvfStreamFailure, ALostCloseLeavesNoFileAndTheNextOpenStartsClean) {
    openChain();
    plan.failClose = true;
    plan.error = ENOSPC;
    EXPECT_EQ(target.closeTarget(), KEL_FAILURE);
    EXPECT_EQ(messages(),
              std::vector<std::string>{lost("Close of file", "No space left on device")});
    plan.failClose = false;
    recorder.clear();
    EXPECT_EQ(target.initializeTAP(), KEL_FAILURE);
    EXPECT_EQ(messages(), std::vector<std::string>{"0 256: <SVFFile> No output file is open\n"});
    ASSERT_NO_FATAL_FAILURE(openChain());
    EXPECT_EQ(target.initializeTAP(), KEL_SUCCESS);
    EXPECT_TRUE(messages().empty());
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
