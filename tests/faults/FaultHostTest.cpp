// Real faults of the file system, met through the loaded plug-in as a host meets them: a full
// device, missing and wrong paths, a chain description that is no file or stops mid-line. Each
// must end in a failure with a message, or in exactly what the file does hold; nothing may
// report success for data that did not reach its file; and the same target must work normally
// afterwards.
#include <fcntl.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "../host/HostTest.h"

namespace kelhost::test {
namespace {

namespace fs = std::filesystem;
using KelPluginInterface::KELJTAG_RUN_TEST_IDLE;

class Faults : public HostTest {
  protected:
    // A normal session on the same target: every step succeeds and the file holds exactly its
    // statements.
    void expectUsable() {
        SCOPED_TRACE("a normal session afterwards");
        const std::string path = tempPath("after-the-fault.svf");
        ASSERT_NO_FATAL_FAILURE(startSession(path, {8, 4}));
        EXPECT_EQ(KEL_SUCCESS, writeIR(0, {0xC3}, 8));
        EXPECT_EQ(KEL_SUCCESS, target().unlockTarget());
        EXPECT_EQ(KEL_SUCCESS, target().closeTarget());
        EXPECT_SVF_FILE(path,
                        "STATE RESET;\r\nSTATE IDLE;\r\n"
                        "HIR 4 TDI (0f);\r\nTIR 0;\r\nHDR 1 TDI (00);\r\nTDR 0;\r\n"
                        "SIR 8 TDI (c3);\r\n"
                        "STATE IDLE;\r\n");
    }

    // At least one error reached the host's messageCallback, and every one contains `text`.
    void expectErrorsAbout(const std::string& text) {
        const std::vector<std::string> messages = recorder_.messageLines();
        EXPECT_FALSE(messages.empty()) << "no message";
        for (const std::string& message : messages) {
            EXPECT_EQ(0u, message.rfind("0 256: ", 0)) << message;
            EXPECT_NE(std::string::npos, message.find(text)) << message;
        }
    }

    void writeChainFile(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }

    // The chain model as the host reads it back: IDCODE and IR length of every device.
    std::vector<std::pair<uint32_t, uint32_t>> chain() {
        std::vector<std::pair<uint32_t, uint32_t>> devices;
        for (uint32_t i = 0; i < target().getDeviceCount(); ++i) {
            devices.emplace_back(target().getDeviceID(i), target().getIRLength(i));
        }
        return devices;
    }
};

// The stream takes statements into its buffer, so a full device shows at the first flush; from
// there on nothing the session wrote may be reported as written.
TEST_F(Faults, AFullDeviceFailsTheSessionAndLeavesTheTargetUsable) {
    ASSERT_EQ(KEL_SUCCESS, open("/dev/full"));
    ASSERT_NO_FATAL_FAILURE(describeChain({8, 4}));
    target().lockTarget(0);
    writeIR(0, {0xC3}, 8);
    recorder_.clear();

    const std::string earlierLoss =
        "0 256: <SVFFile> An earlier write to file \"/dev/full\" was lost; nothing more is "
        "written to it\n";
    EXPECT_EQ(KEL_FAILURE, target().unlockTarget());
    // The flush names the system's reason; the unlock's "STATE IDLE;" after it is refused.
    EXPECT_MESSAGES(recorder_,
                    "0 256: <SVFFile> Flush of file \"/dev/full\" failed: No space left on "
                    "device\n",
                    earlierLoss);
    recorder_.clear();
    // Statements after the failed flush are lost as well: the close must not claim them.
    EXPECT_EQ(KEL_FAILURE, target().closeTarget());
    EXPECT_MESSAGES(recorder_, earlierLoss);
    EXPECT_FALSE(target().isOpened());

    ASSERT_NO_FATAL_FAILURE(expectUsable());
}

// A small file system of this test's own (root only, in a mount namespace of this process):
// the SVF file loses a write when it fills up, and after space is freed again no later statement,
// unlock or close writes anything more or claims success.
TEST_F(Faults, AFileSystemThatFilledUpTakesNothingMoreAfterSpaceIsFreed) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "mounting a file system needs root";
    }
    // Private: the mount below must not show outside this process.
    if (unshare(CLONE_NEWNS) != 0 ||
        mount("none", "/", "none", MS_REC | MS_PRIVATE, nullptr) != 0) {
        GTEST_SKIP() << "no private mount namespace: " << std::strerror(errno);
    }
    const std::string dir = tempPath("small-fs");
    ASSERT_TRUE(fs::create_directory(dir));
    if (mount("kel-test", dir.c_str(), "tmpfs", 0, "size=256k") != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
    }
    struct Unmount {
        std::string dir;
        ~Unmount() { umount2(dir.c_str(), MNT_DETACH); }
    } unmount{dir};

    const std::string path = dir + "/out.svf";
    ASSERT_EQ(KEL_SUCCESS, open(path));
    ASSERT_NO_FATAL_FAILURE(describeChain({8, 4}));
    ASSERT_EQ(KEL_SUCCESS, target().lockTarget(0));
    const std::string filler = dir + "/filler";
    const int fill = ::open(filler.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fill, 0);
    const std::string block(4096, 'F');
    while (write(fill, block.data(), block.size()) > 0) {
    }
    close(fill);
    recorder_.clear();

    // Longer than the stream's buffer: it reaches the file system at once.
    const std::vector<uint8_t> tdi(128 * 1024, 0x5A);
    EXPECT_EQ(KEL_FAILURE, writeDR(1, tdi, static_cast<uint32_t>(tdi.size() * 8)));
    EXPECT_MESSAGES(recorder_, "0 256: <SVFFile> Write to file \"" + path +
                                   "\" failed: No space left on device\n");
    const auto sizeAtTheLoss = fs::file_size(path);
    ASSERT_TRUE(fs::remove(filler));

    const std::string earlierLoss = "0 256: <SVFFile> An earlier write to file \"" + path +
                                    "\" was lost; nothing more is written to it\n";
    const std::vector<std::pair<const char*, std::function<KelResult()>>> later = {
        {"initializeTAP", [&] { return target().initializeTAP(); }},
        {"navigateTAP", [&] { return target().navigateTAP(KELJTAG_RUN_TEST_IDLE, 5); }},
        {"waitTime", [&] { return target().waitTime(100); }},
        {"writeDeviceIR", [&] { return writeIR(0, {0xC3}, 8); }},
    };
    for (const auto& [name, statement] : later) {
        SCOPED_TRACE(name);
        recorder_.clear();
        EXPECT_EQ(KEL_FAILURE, statement());
        EXPECT_MESSAGES(recorder_, earlierLoss);
    }
    recorder_.clear();
    EXPECT_EQ(KEL_FAILURE, target().unlockTarget());
    EXPECT_MESSAGES(recorder_, earlierLoss, earlierLoss);
    recorder_.clear();
    EXPECT_EQ(KEL_FAILURE, target().closeTarget());
    EXPECT_MESSAGES(recorder_, earlierLoss);
    EXPECT_FALSE(target().isOpened());
    EXPECT_EQ(sizeAtTheLoss, fs::file_size(path)) << "written after the loss";

    ASSERT_NO_FATAL_FAILURE(expectUsable());
}

TEST_F(Faults, AStatementTooLongForTheBufferFailsAtOnceOnAFullDevice) {
    ASSERT_EQ(KEL_SUCCESS, open("/dev/full"));
    ASSERT_NO_FATAL_FAILURE(describeChain({8, 4}));
    ASSERT_EQ(KEL_SUCCESS, target().setLockOwned(true));
    recorder_.clear();

    const std::vector<uint8_t> tdi(256 * 1024, 0xA5);
    EXPECT_EQ(KEL_FAILURE, writeDR(1, tdi, static_cast<uint32_t>(tdi.size() * 8)));
    expectErrorsAbout("\"/dev/full\" failed");
    EXPECT_EQ(KEL_FAILURE, target().closeTarget());

    ASSERT_NO_FATAL_FAILURE(expectUsable());
}

// An output file that cannot be created: in a missing directory, or where a directory stands.
TEST_F(Faults, AnOutputFileThatCannotBeCreatedIsRefused) {
    const std::string missing = tempPath("no-such-directory/out.svf");
    for (const std::string& path : {missing, tempPath("")}) {
        SCOPED_TRACE(path);
        recorder_.clear();
        EXPECT_EQ(KEL_FAILURE, open(path));
        EXPECT_MESSAGES(recorder_,
                        "0 256: <svf_file> Cannot Open File: Invalide File Name "
                        "Argument\n");
        EXPECT_FALSE(target().isOpened());
        // Nothing can be written without a file, and nothing claims it was.
        EXPECT_EQ(KEL_FAILURE, target().lockTarget(0));
    }
    EXPECT_FALSE(fs::exists(tempPath("no-such-directory")));
    EXPECT_TRUE(fs::is_directory(tempPath("")));

    ASSERT_NO_FATAL_FAILURE(expectUsable());
}

// Opening a second file closes the first one whole, even when the second cannot be created.
TEST_F(Faults, ReopeningOntoABadPathKeepsTheFirstFileWhole) {
    const std::string first = tempPath("first.svf");
    ASSERT_NO_FATAL_FAILURE(startSession(first, {8, 4}));
    ASSERT_EQ(KEL_SUCCESS, writeIR(1, {0x05}, 4));

    EXPECT_EQ(KEL_FAILURE, open(tempPath("no-such-directory/second.svf")));
    EXPECT_FALSE(target().isOpened());
    EXPECT_SVF_FILE(first,
                    "STATE RESET;\r\nSTATE IDLE;\r\n"
                    "HIR 0;\r\nTIR 8 TDI (ff);\r\nHDR 0;\r\nTDR 1 TDI (00);\r\n"
                    "SIR 4 TDI (05);\r\n"
                    "STATE IDLE;\r\n");

    ASSERT_NO_FATAL_FAILURE(expectUsable());
}

// A directory opens for reading on this system but yields a read error, not an empty chain:
// the chain the host described stays as it was.
TEST_F(Faults, AChainFileThatIsADirectoryIsRefusedAndTheChainKept) {
    ASSERT_NO_FATAL_FAILURE(describeChain({8, 4}));
    ASSERT_EQ(KEL_SUCCESS, target().setDeviceID(0, 0x1A2B3C4D));
    recorder_.clear();

    EXPECT_EQ(KEL_FAILURE, target().fileScanJTAGChain(tempPath("").c_str()));
    EXPECT_PRINT(recorder_, 1, "ERROR: Could not read " + tempPath("") + "\n");
    EXPECT_EQ((std::vector<std::pair<uint32_t, uint32_t>>{{0x1A2B3C4D, 8}, {0, 4}}), chain());

    ASSERT_NO_FATAL_FAILURE(expectUsable());
}

// A file cut off in the middle of its last line holds the devices of its whole lines and one
// more made of what the cut line holds; reached through the environment as a host does.
TEST_F(Faults, AChainFileCutOffMidLineGivesTheDevicesItHolds) {
    const std::string path = tempPath("chain.txt");
    writeChainFile(path, "0x1A2B3C4D\r\n0f0e0d0b\r\n0x16D4");
    ASSERT_EQ(KEL_SUCCESS, open(tempPath("out.svf")));
    ASSERT_EQ(KEL_SUCCESS, target().lockTarget(0));
    ASSERT_EQ(0, setenv("ZOR_VANTORA_JTAGFILE", path.c_str(), 1));
    const KelResult result = target().scanJTAGChain();
    unsetenv("ZOR_VANTORA_JTAGFILE");

    EXPECT_EQ(KEL_SUCCESS, result);
    EXPECT_EQ((std::vector<std::pair<uint32_t, uint32_t>>{
                  {0x1A2B3C4D, 0}, {0x0F0E0D0B, 0}, {0x000016D4, 0}}),
              chain());
    // Cut right after the prefix, the last line is a device without IDCODE.
    writeChainFile(path, "0x1A2B3C4D\n0x");
    EXPECT_EQ(KEL_SUCCESS, target().fileScanJTAGChain(path.c_str()));
    EXPECT_EQ((std::vector<std::pair<uint32_t, uint32_t>>{{0x1A2B3C4D, 0}, {0, 0}}), chain());
    ASSERT_EQ(KEL_SUCCESS, target().closeTarget());

    ASSERT_NO_FATAL_FAILURE(expectUsable());
}

// A line that starts with a NUL byte is empty as a text, whatever follows the NUL: no device,
// and no parsing print for it.
TEST_F(Faults, AChainFileLineThatStartsWithANulIsSkipped) {
    const std::string path = tempPath("chain.txt");
    using namespace std::string_literals;
    for (const std::string& text : {"1a2b3c4d\n\0\n0f0e0d0b\n"s, "\0 0x55\r\n1a2b3c4d\r\n0f0e0d0b"s,
                                    "1a2b3c4d\n0f0e0d0b\n\0"s}) {
        SCOPED_TRACE(showLines({text}));
        writeChainFile(path, text);
        recorder_.clear();
        EXPECT_EQ(KEL_SUCCESS, target().fileScanJTAGChain(path.c_str()));
        EXPECT_EQ((std::vector<std::pair<uint32_t, uint32_t>>{{0x1A2B3C4D, 0}, {0x0F0E0D0B, 0}}),
                  chain());
        EXPECT_TRUE(
            hasPrint(recorder_, KEL_PRINT_DETAIL, "fileScanJTAGChain: Parsing '1a2b3c4d'\n"));
        EXPECT_FALSE(hasPrint(recorder_, KEL_PRINT_DETAIL, "fileScanJTAGChain: Parsing ''\n"));
    }
    // A NUL later in a line ends its text there; the line still holds a device.
    writeChainFile(path, "0x1A2B3C4D\0ff\n"s);
    EXPECT_EQ(KEL_SUCCESS, target().fileScanJTAGChain(path.c_str()));
    EXPECT_EQ((std::vector<std::pair<uint32_t, uint32_t>>{{0x1A2B3C4D, 0}}), chain());
}

// A chain rescan in which only the device nearest TDI changed is a new chain: the IR lengths
// are cleared, and the next device write states new headers once the host has set them again.
TEST_F(Faults, ARescanWithOnlyDevice0ChangedGivesNewIRLengthsAndHeaders) {
    const std::string chainFile = tempPath("chain.txt");
    const std::string output = tempPath("rescan.svf");
    writeChainFile(chainFile, "1a2b3c4d\n0f0e0d0b\n16d4c093\n");
    ASSERT_EQ(KEL_SUCCESS, open(output));
    ASSERT_EQ(KEL_SUCCESS, target().lockTarget(0));
    ASSERT_EQ(KEL_SUCCESS, target().fileScanJTAGChain(chainFile.c_str()));
    ASSERT_NO_FATAL_FAILURE(describeChain({6, 8, 10}));
    ASSERT_EQ(KEL_SUCCESS, writeIR(1, {0x05}, 8));

    writeChainFile(chainFile, "11111111\n0f0e0d0b\n16d4c093\n");
    recorder_.clear();
    ASSERT_EQ(KEL_SUCCESS, target().fileScanJTAGChain(chainFile.c_str()));
    EXPECT_TRUE(
        hasPrint(recorder_, KEL_PRINT_STATUS, "JTAG chain changed... Resetting IR Lengths\n"));
    EXPECT_EQ((std::vector<std::pair<uint32_t, uint32_t>>{
                  {0x11111111, 0}, {0x0F0E0D0B, 0}, {0x16D4C093, 0}}),
              chain());
    EXPECT_EQ(KEL_FAILURE, writeIR(1, {0x06}, 8)) << "the old IR lengths no longer hold";
    ASSERT_EQ(KEL_SUCCESS, target().setIRLength(0, 4));
    ASSERT_EQ(KEL_SUCCESS, target().setIRLength(1, 8));
    ASSERT_EQ(KEL_SUCCESS, target().setIRLength(2, 10));
    ASSERT_EQ(KEL_SUCCESS, writeIR(1, {0x07}, 8));
    ASSERT_EQ(KEL_SUCCESS, target().closeTarget());
    EXPECT_SVF_FILE_UNCHECKED(
        output,
        "STATE RESET;\r\nSTATE IDLE;\r\n"
        "HIR 10 TDI (03ff);\r\nTIR 6 TDI (3f);\r\nHDR 1 TDI (00);\r\nTDR 1 TDI (00);\r\n"
        "SIR 8 TDI (05);\r\n"
        "HIR 10 TDI (03ff);\r\nTIR 4 TDI (0f);\r\nHDR 1 TDI (00);\r\nTDR 1 TDI (00);\r\n"
        "SIR 8 TDI (07);\r\n"
        "STATE IDLE;\r\n",
        "the IR lengths change mid-file, so no one chain plays it");
}

}  // namespace
}  // namespace kelhost::test
