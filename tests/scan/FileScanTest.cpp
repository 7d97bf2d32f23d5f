// The chain-description file: its format, its line ends, and the refusals that keep the
// target's table as it was.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "ScanTestSupport.h"
#include "kelsim/SimulatedChainTarget.h"
#include "svf/SVFFile.h"

namespace {

using namespace scantest;
using namespace KelPluginInterface;
using Ids = std::vector<uint32_t>;

class FileScan : public RecordingTest {
  protected:
    FileScan() {
        unsetenv("ZOR_VANTORA_JTAGFILE");
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path = ::testing::TempDir() + "kel_chain_" + test->name() + ".txt";
    }
    ~FileScan() override {
        std::remove(path.c_str());
        unsetenv("ZOR_VANTORA_JTAGFILE");
    }

    void writeFile(const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
        recorder.clear();
    }

    Ids storedIds() {
        Ids ids;
        for (uint32_t i = 0; i < target.getDeviceCount(); ++i) {
            ids.push_back(target.getDeviceID(i));
        }
        return ids;
    }

    std::string path;
    kelsim::SimulatedChainTarget target;
};

TEST_F(FileScan, ReadsTheExampleFileThroughTheVariable) {
    writeFile("0x1A2B3C4D\n\n0f0e0d0b\n0\n0X001A2B3C4D\n");
    ASSERT_EQ(setenv("ZOR_VANTORA_JTAGFILE", path.c_str(), 1), 0);
    target.setLockOwned(true);

    EXPECT_EQ(target.scanJTAGChain(), KEL_SUCCESS);
    EXPECT_EQ(recorder.lines(),
              (Lines{"> KelPlugin::scanJTAGChain", "  > KelPlugin::fileScanJTAGChain",
                     "print 3: Reading JTAG chain description from file " + path + "\n",
                     "print 4: fileScanJTAGChain: Parsing '0x1A2B3C4D'\n",
                     "print 4: fileScanJTAGChain: Read deviceid 1a2b3c4d from file\n",
                     "print 4: fileScanJTAGChain: Parsing '0f0e0d0b'\n",
                     "print 4: fileScanJTAGChain: Read deviceid 0f0e0d0b from file\n",
                     "print 4: fileScanJTAGChain: Parsing '0'\n",
                     "print 4: fileScanJTAGChain: Read deviceid 00000000 from file\n",
                     "print 4: fileScanJTAGChain: Parsing '0X001A2B3C4D'\n",
                     "print 4: fileScanJTAGChain: Read deviceid 1a2b3c4d from file\n",
                     "print 2: JTAG chain changed... Resetting IR Lengths\n",
                     "print 3: JTAG DeviceCount=4\n", "print 3: Device[0]=1a2b3c4d\n",
                     "print 3: Device[1]=0f0e0d0b\n", "print 3: Device[2]=00000000\n",
                     "print 3: Device[3]=1a2b3c4d\n", "  < KEL_SUCCESS", "< "}));
}

TEST_F(FileScan, EveryRunOfCarriageReturnsAndLineFeedsEndsALine) {
    for (const char* text : {"1a2b3c4d\r\n0F0E0D0B\r\n\r\n0\r\n", "1a2b3c4d\r0F0E0D0B\r\r0\r",
                             "1a2b3c4d\n\r0F0E0D0B\r\n\n\r0"}) {
        writeFile(text);
        EXPECT_EQ(target.fileScanJTAGChain(path.c_str()), KEL_SUCCESS);
        EXPECT_EQ(storedIds(), (Ids{0x1A2B3C4D, 0x0F0E0D0B, 0}));
    }
}

TEST_F(FileScan, OnlyTheLastEightCharactersCountAndBlanksStay) {
    // "1A2B3C4D  " keeps "2B3C4D  "; a line without hex digits is a device without IDCODE.
    writeFile("1A2B3C4D  \n0x123456789\nnone\n");
    EXPECT_EQ(target.fileScanJTAGChain(path.c_str()), KEL_SUCCESS);
    EXPECT_EQ(storedIds(), (Ids{0x002B3C4D, 0x23456789, 0}));
}

TEST_F(FileScan, ALongLineArrivesInPartsOf254Characters) {
    writeFile(std::string(254, '1') + "abcd\n" + std::string(254, '2') + "\n");
    EXPECT_EQ(target.fileScanJTAGChain(path.c_str()), KEL_SUCCESS);
    EXPECT_EQ(storedIds(), (Ids{0x11111111, 0xABCD, 0x22222222}));
}

TEST_F(FileScan, AnUnchangedFileKeepsTheIRLengths) {
    writeFile("1a2b3c4d\n0f0e0d0b\n");
    ASSERT_EQ(target.fileScanJTAGChain(path.c_str()), KEL_SUCCESS);
    target.setIRLength(0, 8);
    target.setIRLength(1, 6);
    recorder.clear();
    EXPECT_EQ(target.fileScanJTAGChain(path.c_str()), KEL_SUCCESS);
    EXPECT_EQ(linesStartingWith("print 2"),
              (Lines{"print 2: No JTAG chain changes detected...\n"}));
    EXPECT_EQ(target.getIRLength(1), 6u);
}

TEST_F(FileScan, AnEmptyFileEmptiesTheTable) {
    for (const char* text : {"", "\n\r\n\r"}) {
        target.setDeviceCount(2);
        writeFile(text);
        EXPECT_EQ(target.fileScanJTAGChain(path.c_str()), KEL_FAILURE);
        EXPECT_EQ(recorder.traceLines().back(), "< KEL_FAILURE, ERROR CODE: 0");
        EXPECT_EQ(recorder.messageLines(),
                  (Lines{"0 256: No devices detected while scanning the JTAG chain\n"}));
        EXPECT_EQ(target.getDeviceCount(), 0u);
    }
}

TEST_F(FileScan, AFileThatCannotBeReadLeavesTheTable) {
    target.setDeviceCount(2);
    target.setLockOwned(true);
    const std::string missing = path + ".missing";
    ASSERT_EQ(setenv("ZOR_VANTORA_JTAGFILE", missing.c_str(), 1), 0);
    recorder.clear();
    EXPECT_EQ(target.scanJTAGChain(), KEL_FAILURE);
    EXPECT_EQ(linesStartingWith("print 1"),
              (Lines{"print 1: ERROR: Could not open " + missing + " for reading\n"}));
    EXPECT_EQ(recorder.traceLines(), (Lines{"> KelPlugin::scanJTAGChain",
                                            "  > KelPlugin::fileScanJTAGChain", "  < ", "< "}));

    // Set but empty still means the file, under an empty name.
    ASSERT_EQ(setenv("ZOR_VANTORA_JTAGFILE", "", 1), 0);
    recorder.clear();
    EXPECT_EQ(target.scanJTAGChain(), KEL_FAILURE);
    EXPECT_EQ(linesStartingWith("print 1"),
              (Lines{"print 1: ERROR: Could not open  for reading\n"}));

    recorder.clear();
    EXPECT_EQ(target.fileScanJTAGChain(nullptr), KEL_FAILURE);
    EXPECT_EQ(prints(), (Lines{"1: <KelPlugin> fileScanJTAGChain called with a NULL file name\n"}));
    EXPECT_EQ(target.getDeviceCount(), 2u);
    EXPECT_EQ(target.shiftCount(), 0u);
}

TEST_F(FileScan, MoreThan255DevicesAreRefusedWhole) {
    std::string lines;
    for (int i = 0; i < 255; ++i) {
        lines += "1a2b3c4d\n";
    }
    writeFile(lines);
    EXPECT_EQ(target.fileScanJTAGChain(path.c_str()), KEL_SUCCESS);
    EXPECT_EQ(target.getDeviceCount(), 255u);

    target.setDeviceCount(2);
    writeFile(lines + "0f0e0d0b\n");
    EXPECT_EQ(target.fileScanJTAGChain(path.c_str()), KEL_FAILURE);
    EXPECT_EQ(recorder.traceLines().back(), "< KEL_FAILURE, ERROR CODE: 0");
    EXPECT_EQ(linesStartingWith("print 1"),
              (Lines{"print 1: <KelPlugin> ERROR: " + path +
                     " lists more than 255 devices; the chain is unchanged\n"}));
    EXPECT_EQ(target.getDeviceCount(), 2u);
}

// /dev/zero is read as lines of NULs that name no device: without a bound, for ever.
TEST_F(FileScan, AFileWithoutEndIsRefusedAfterOneMebibyte) {
    target.setDeviceCount(2);
    EXPECT_EQ(target.fileScanJTAGChain("/dev/zero"), KEL_FAILURE);
    EXPECT_EQ(linesStartingWith("print 1"),
              (Lines{"print 1: <KelPlugin> ERROR: /dev/zero holds more than 1048576 bytes, more "
                     "than any chain description; the chain is unchanged\n"}));
    EXPECT_EQ(target.getDeviceCount(), 2u);
    writeFile(std::string((1 << 20) - 9, '\n') + "1a2b3c4d\n");  // exactly the bound: read
    EXPECT_EQ(target.fileScanJTAGChain(path.c_str()), KEL_SUCCESS);
    EXPECT_EQ(storedIds(), Ids{0x1a2b3c4d});
}

TEST(SvfTargetScan, TheLiveScanFailsWithTheRefusedShift) {
    unsetenv("ZOR_VANTORA_JTAGFILE");
    const std::string output = ::testing::TempDir() + "kel_scan_refused.svf";
    const char* options[] = {"type=svf", nullptr};
    const std::string fname = "fname=" + output;
    options[1] = fname.c_str();
    SVFFile target;
    ASSERT_EQ(target.openTarget(2, options, kNoContext), KEL_SUCCESS);
    ASSERT_EQ(target.lockTarget(0), KEL_SUCCESS);
    target.setDeviceCount(2);

    EXPECT_EQ(target.scanJTAGChain(), KEL_FAILURE);
    EXPECT_EQ(target.getDeviceCount(), 2u);
    target.closeTarget();
    std::remove(output.c_str());
}

}  // namespace
