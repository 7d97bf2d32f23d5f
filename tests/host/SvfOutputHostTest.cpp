// The output file as a whole: lost writes, a new file per open, writes without a file, and one
// writer per file.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "HostTest.h"

namespace kelhost::test {
namespace {

using KelPluginInterface::KELJTAG_RUN_TEST_IDLE;

// Every message is an error of the file target; at least one names the file.
void expectFileErrors(const Recorder& recorder, const std::string& file) {
    bool named = false;
    for (const Event& event : recorder.events()) {
        if (event.kind != Event::Kind::Message) {
            continue;
        }
        EXPECT_EQ(KEL_MSG_ERROR, event.level) << event.text;
        EXPECT_EQ(0u, event.text.rfind("<SVFFile> ", 0)) << event.text;
        named = named || event.text.find(file) != std::string::npos;
    }
    EXPECT_TRUE(named) << "no message names " << file;
}

using SvfOutput = HostTest;

// A full disk must never look like success: the flush of the unlock and the close notice it.
TEST_F(SvfOutput, AFullDiskIsReportedByTheFlushAndTheClose) {
    ASSERT_EQ(KEL_SUCCESS, open("/dev/full"));
    target().lockTarget(0);
    recorder_.clear();

    EXPECT_EQ(KEL_FAILURE, target().unlockTarget());
    expectFileErrors(recorder_, "/dev/full");

    recorder_.clear();
    EXPECT_EQ(KEL_FAILURE, target().closeTarget());
    expectFileErrors(recorder_, "/dev/full");
    EXPECT_FALSE(target().isOpened());
}

TEST_F(SvfOutput, AFullDiskIsReportedByAWriteTooLongToBuffer) {
    ASSERT_EQ(KEL_SUCCESS, open("/dev/full"));
    ASSERT_NO_FATAL_FAILURE(describeChain({8}));
    ASSERT_EQ(KEL_SUCCESS, target().setLockOwned(true));
    recorder_.clear();

    const std::vector<uint8_t> tdi(64 * 1024, 0x5A);
    EXPECT_EQ(KEL_FAILURE, writeDR(0, tdi, static_cast<uint32_t>(tdi.size() * 8)));
    expectFileErrors(recorder_, "/dev/full");

    target().closeTarget();
    EXPECT_FALSE(target().isOpened());
}

// Headers written into one file are not in force in the next one.
TEST_F(SvfOutput, EachNewFileStartsWithoutHeaders) {
    const std::string first = tempPath("first.svf");
    const std::string second = tempPath("second.svf");
    ASSERT_NO_FATAL_FAILURE(startSession(first, {6, 8}));
    ASSERT_EQ(KEL_SUCCESS, writeIR(1, {0x2A}, 8));
    ASSERT_EQ(KEL_SUCCESS, target().closeTarget());

    ASSERT_EQ(KEL_SUCCESS, open(second));
    ASSERT_EQ(KEL_SUCCESS, target().lockTarget(0));
    ASSERT_EQ(KEL_SUCCESS, writeIR(1, {0x2A}, 8));
    ASSERT_EQ(KEL_SUCCESS, target().closeTarget());

    const std::string expected =
        "STATE RESET;\r\nSTATE IDLE;\r\n"
        "HIR 0;\r\nTIR 6 TDI (3f);\r\nHDR 0;\r\nTDR 1 TDI (00);\r\n"
        "SIR 8 TDI (2a);\r\n"
        "STATE IDLE;\r\n";
    EXPECT_SVF_FILE(first, expected);
    EXPECT_SVF_FILE(second, expected);
}

// What a refused second writer hears: today's refusal of the open, then the reason.
void expectInUse(const Recorder& recorder, const std::string& path) {
    EXPECT_TRUE(hasPrint(recorder, KEL_PRINT_DETAIL, "fopen(" + path + ", \"wb\") returned 0\n"));
    EXPECT_MESSAGES(recorder, "0 256: <svf_file> Cannot Open File: Invalide File Name Argument\n",
                    "0 256: <SVFFile> File \"" + path + "\" is in use by another writer\n");
}

// Two targets of one host on the same file: the second is refused before it truncates anything,
// the first finishes a whole file, and once it is closed the file can be opened again.
TEST_F(SvfOutput, ASecondTargetCannotOpenAFileThatIsBeingWritten) {
    const std::string path = tempPath("shared.svf");
    ASSERT_NO_FATAL_FAILURE(startSession(path, {6, 8}));
    ASSERT_EQ(KEL_SUCCESS, writeIR(1, {0x2A}, 8));
    ASSERT_EQ(KEL_SUCCESS, target().unlockTarget());  // flushed: the file has text to lose
    const std::string flushed =
        "STATE RESET;\r\nSTATE IDLE;\r\n"
        "HIR 0;\r\nTIR 6 TDI (3f);\r\nHDR 0;\r\nTDR 1 TDI (00);\r\n"
        "SIR 8 TDI (2a);\r\n";

    TargetPtr second = makeTarget(*library_);
    ASSERT_NE(second, nullptr);
    recorder_.clear();
    const OptionList options{"fname=" + path, "type=SVF"};
    EXPECT_EQ(KEL_FAILURE, second->openTarget(options.count(), options.data(), kNoContext));
    expectInUse(recorder_, path);
    EXPECT_FALSE(second->isOpened());
    EXPECT_SVF_FILE(path, flushed);

    ASSERT_EQ(KEL_SUCCESS, target().lockTarget(0));
    ASSERT_EQ(KEL_SUCCESS, writeDR(1, {0x01}, 1));
    ASSERT_EQ(KEL_SUCCESS, target().closeTarget());
    EXPECT_SVF_FILE(path, flushed +
                              "STATE IDLE;\r\n"
                              "STATE RESET;\r\nSTATE IDLE;\r\nSDR 1 TDI (01);\r\nSTATE IDLE;\r\n");

    EXPECT_EQ(KEL_SUCCESS, second->openTarget(options.count(), options.data(), kNoContext));
    EXPECT_EQ(KEL_SUCCESS, second->closeTarget());
    EXPECT_SVF_FILE(path, "");
}

// A device is shared by nature: two targets may write into /dev/null at once.
TEST_F(SvfOutput, TwoTargetsMayWriteIntoTheSameDevice) {
    ASSERT_EQ(KEL_SUCCESS, open("/dev/null"));
    TargetPtr second = makeTarget(*library_);
    ASSERT_NE(second, nullptr);
    const OptionList options{"fname=/dev/null", "type=SVF"};
    EXPECT_EQ(KEL_SUCCESS, second->openTarget(options.count(), options.data(), kNoContext));
    EXPECT_EQ(KEL_SUCCESS, second->closeTarget());
    EXPECT_EQ(KEL_SUCCESS, target().closeTarget());
}

// Another process holds the file: it is not truncated, and it can be opened once that process
// has let go.
TEST_F(SvfOutput, AFileHeldByAnotherProcessIsNotTouched) {
    const std::string path = tempPath("held.svf");
    std::ofstream(path, std::ios::binary) << "another writer's text\n";
    int ready[2];
    int release[2];
    ASSERT_EQ(0, pipe(ready));
    ASSERT_EQ(0, pipe(release));
    const pid_t child = fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        const int descriptor = ::open(path.c_str(), O_WRONLY);
        const bool locked = descriptor >= 0 && flock(descriptor, LOCK_EX) == 0;
        char byte = locked ? 'L' : 'E';
        if (write(ready[1], &byte, 1) == 1) {
            static_cast<void>(read(release[0], &byte, 1));
        }
        _exit(locked ? 0 : 1);
    }
    close(ready[1]);
    close(release[0]);
    char state = 0;
    ASSERT_EQ(1, read(ready[0], &state, 1));
    ASSERT_EQ('L', state);

    recorder_.clear();
    EXPECT_EQ(KEL_FAILURE, open(path));
    expectInUse(recorder_, path);
    EXPECT_SVF_FILE_UNCHECKED(path, "another writer's text\n", "another writer's text, no SVF");

    ASSERT_EQ(1, write(release[1], "x", 1));
    int status = -1;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    close(ready[0]);
    close(release[1]);

    ASSERT_NO_FATAL_FAILURE(startSession(path, {}));
    ASSERT_EQ(KEL_SUCCESS, target().closeTarget());
    EXPECT_SVF_FILE(path, "STATE RESET;\r\nSTATE IDLE;\r\nSTATE IDLE;\r\n");
}

// Before the first open and after a close there is no file: statements are refused with an
// error of the file target instead of being lost.
TEST_F(SvfOutput, StatementsWithoutAnOpenFileAreRefused) {
    ASSERT_NO_FATAL_FAILURE(describeChain({6}));
    ASSERT_EQ(KEL_SUCCESS, target().setLockOwned(true));
    for (const bool afterClose : {false, true}) {
        SCOPED_TRACE(afterClose ? "after close" : "never opened");
        if (afterClose) {
            ASSERT_EQ(KEL_SUCCESS, open(tempPath("a.svf")));
            ASSERT_EQ(KEL_SUCCESS, target().closeTarget());
            ASSERT_EQ(KEL_SUCCESS, target().setLockOwned(true));
        }
        recorder_.clear();
        EXPECT_EQ(KEL_FAILURE, target().initializeTAP());
        EXPECT_EQ(KEL_FAILURE, target().navigateTAP(KELJTAG_RUN_TEST_IDLE, 5));
        EXPECT_EQ(KEL_FAILURE, writeIR(0, {0x01}, 6));
        EXPECT_EQ(KEL_FAILURE, writeDR(0, {0x01}, 1));
        const std::vector<std::string> messages = recorder_.messageLines();
        EXPECT_GE(messages.size(), 4u);
        for (const std::string& message : messages) {
            EXPECT_EQ(0u, message.rfind("0 256: <SVFFile> ", 0)) << message;
        }
    }
}

// A host that destroys a target without closing it leaves the stream open. What the stream
// buffered still reaches the file when the process exits, from a buffer that nothing has
// taken over in between (blocks of its size are allocated and scribbled over first).
TEST_F(SvfOutput, AStreamLeftOpenByDestructionIsWrittenAtExit) {
    const std::string path = tempPath("left-open.svf");
    EXPECT_EXIT(
        {
            open(path);
            target().lockTarget(0);
            target_.reset();
            std::vector<std::unique_ptr<char[]>> blocks;
            for (int i = 0; i < 16; ++i) {
                blocks.push_back(std::make_unique<char[]>(64 * 1024));
                std::memset(blocks.back().get(), 'X', 64 * 1024);
            }
            blocks.clear();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_SVF_FILE(path, "STATE RESET;\r\nSTATE IDLE;\r\n");
}

}  // namespace
}  // namespace kelhost::test
