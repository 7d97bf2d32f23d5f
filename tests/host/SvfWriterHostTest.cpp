// The statements of device writes, byte for byte, as a host finds them in the file.
#include "HostTest.h"

namespace kelhost::test {
namespace {

const char* const kLock = "STATE RESET;\r\nSTATE IDLE;\r\n";
const char* const kUnlock = "STATE IDLE;\r\n";
const char* const kIRNotSet = "<SVFFile> device IR length not set in shiftIR\n";

std::string header(const char* hir, const char* tir, const char* hdr, const char* tdr) {
    return std::string(hir) + ";\r\n" + tir + ";\r\n" + hdr + ";\r\n" + tdr + ";\r\n";
}

// Bytes 0, 1, 2, ... of a buffer: the hex text then counts down from the top byte.
std::vector<uint8_t> countingBytes(size_t count) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<uint8_t>(i);
    }
    return bytes;
}

std::string hexDown(size_t from, size_t downTo) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = from + 1; i-- > downTo;) {
        hex += digits[(i >> 4) & 0xF];
        hex += digits[i & 0xF];
    }
    return hex;
}

class SvfWriter : public HostTest {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(HostTest::SetUp());
        path_ = tempPath("out.svf");
    }

    void start(const std::vector<uint32_t>& irLengths) {
        ASSERT_NO_FATAL_FAILURE(startSession(path_, irLengths));
    }

    // The whole file after unlocking and closing: lock statements, `body`, unlock statement.
    // Checked against the chain started with, unless `notCheckedBecause` says why not.
    void expectBody(const std::string& body, const char* notCheckedBecause = nullptr) {
        ASSERT_EQ(KEL_SUCCESS, target().closeTarget());
        if (notCheckedBecause != nullptr) {
            EXPECT_SVF_FILE_UNCHECKED(path_, kLock + body + kUnlock, notCheckedBecause);
        } else {
            EXPECT_SVF_FILE(path_, kLock + body + kUnlock);
        }
    }

    std::string path_;
};

TEST_F(SvfWriter, WorkedExample) {
    ASSERT_NO_FATAL_FAILURE(start({6, 8, 10}));
    EXPECT_EQ(KEL_SUCCESS, writeIR(1, {0x05}, 8));
    EXPECT_EVENTS(recorder_, "> KelPlugin::writeDeviceIR", "< KEL_SUCCESS");
    EXPECT_EQ(KEL_SUCCESS, writeDR(1, {0x78, 0x56, 0x34, 0x12}, 32));
    EXPECT_EQ(KEL_SUCCESS, target().unlockTarget());
    expectBody(
        "HIR 10 TDI (03ff);\r\n"
        "TIR 6 TDI (3f);\r\n"
        "HDR 1 TDI (00);\r\n"
        "TDR 1 TDI (00);\r\n"
        "SIR 8 TDI (05);\r\n"
        "SDR 32 TDI (12345678);\r\n");
}

TEST_F(SvfWriter, HeadersCarryTheTrailingPadsAndTrailersTheHeadingPads) {
    ASSERT_NO_FATAL_FAILURE(start({8, 6, 10}));
    EXPECT_EQ(KEL_SUCCESS, writeIR(0, {0xAB}, 8));
    EXPECT_EQ(KEL_SUCCESS, writeIR(2, {0xFF, 0x03}, 10));
    EXPECT_EQ(KEL_SUCCESS, writeDR(1, {0x01}, 1));
    expectBody(
        header("HIR 16 TDI (ffff)", "TIR 0", "HDR 2 TDI (00)", "TDR 0") + "SIR 8 TDI (ab);\r\n" +
        header("HIR 0", "TIR 14 TDI (3fff)", "HDR 0", "TDR 2 TDI (00)") + "SIR 10 TDI (03ff);\r\n" +
        header("HIR 10 TDI (03ff)", "TIR 8 TDI (ff)", "HDR 1 TDI (00)", "TDR 1 TDI (00)") +
        "SDR 1 TDI (01);\r\n");
}

TEST_F(SvfWriter, SingleDeviceHasEmptyPads) {
    ASSERT_NO_FATAL_FAILURE(start({4}));
    EXPECT_EQ(KEL_SUCCESS, writeIR(0, {0x0E}, 4));
    expectBody(header("HIR 0", "TIR 0", "HDR 0", "TDR 0") + "SIR 4 TDI (0e);\r\n");
}

TEST_F(SvfWriter, LongPadsAreWholeBytesBehindOnePartialByte) {
    ASSERT_NO_FATAL_FAILURE(start({2, 2, 2, 2, 2, 2, 2, 2, 2, 2}));
    EXPECT_EQ(KEL_SUCCESS, writeDR(0, {0x01}, 1));
    EXPECT_EQ(KEL_SUCCESS, writeDR(9, {0x00}, 1));
    expectBody(header("HIR 18 TDI (03ffff)", "TIR 0", "HDR 9 TDI (0000)", "TDR 0") +
               "SDR 1 TDI (01);\r\n" +
               header("HIR 0", "TIR 18 TDI (03ffff)", "HDR 0", "TDR 9 TDI (0000)") +
               "SDR 1 TDI (00);\r\n");
}

TEST_F(SvfWriter, HeadersAreWrittenOncePerSelectedDevice) {
    ASSERT_NO_FATAL_FAILURE(start({6, 8}));
    EXPECT_EQ(KEL_SUCCESS, writeIR(0, {0x01}, 6));
    EXPECT_EQ(KEL_SUCCESS, writeDR(0, {0x02}, 8));
    EXPECT_EQ(KEL_SUCCESS, writeIR(0, {0x03}, 6));
    const std::string device0 = header("HIR 8 TDI (ff)", "TIR 0", "HDR 1 TDI (00)", "TDR 0");
    expectBody(device0 + "SIR 6 TDI (01);\r\nSDR 8 TDI (02);\r\nSIR 6 TDI (03);\r\n");
}

TEST_F(SvfWriter, AlternatingDevicesRewriteTheHeadersEveryTime) {
    ASSERT_NO_FATAL_FAILURE(start({6, 8}));
    EXPECT_EQ(KEL_SUCCESS, writeIR(0, {0x01}, 6));
    EXPECT_EQ(KEL_SUCCESS, writeDR(1, {0x02}, 8));
    EXPECT_EQ(KEL_SUCCESS, writeIR(0, {0x03}, 6));
    const std::string device0 = header("HIR 8 TDI (ff)", "TIR 0", "HDR 1 TDI (00)", "TDR 0");
    const std::string device1 = header("HIR 0", "TIR 6 TDI (3f)", "HDR 0", "TDR 1 TDI (00)");
    expectBody(device0 + "SIR 6 TDI (01);\r\n" + device1 + "SDR 8 TDI (02);\r\n" + device0 +
                   "SIR 6 TDI (03);\r\n",
               "device 1's DR is written while its IR holds BYPASS and device 0's does not");
}

TEST_F(SvfWriter, ScanLinesBreakAfter20BytesThenEvery36) {
    ASSERT_NO_FATAL_FAILURE(start({4}));
    // Byte i holds i, so the text counts down; a top byte that is only partly used holds 01.
    std::vector<uint8_t> bytes161 = countingBytes(21);
    bytes161[20] = 0x01;
    std::vector<uint8_t> bytes449 = countingBytes(57);
    bytes449[56] = 0x01;
    EXPECT_EQ(KEL_SUCCESS, writeDR(0, countingBytes(20), 160));
    EXPECT_EQ(KEL_SUCCESS, writeDR(0, bytes161, 161));
    EXPECT_EQ(KEL_SUCCESS, writeDR(0, countingBytes(92), 736));
    EXPECT_EQ(KEL_SUCCESS, writeDR(0, bytes449, 449));
    expectBody(header("HIR 0", "TIR 0", "HDR 0", "TDR 0") +
               // exactly one full first line: ");" stands alone on the next
               "SDR 160 TDI (" + hexDown(19, 0) + "\r\n);\r\n" +
               // one byte more: bytes 20 to 1, then byte 0
               "SDR 161 TDI (01" + hexDown(19, 1) + "\r\n" + hexDown(0, 0) + ");\r\n" +
               // three full lines
               "SDR 736 TDI (" + hexDown(91, 72) + "\r\n" + hexDown(71, 36) + "\r\n" +
               hexDown(35, 0) + "\r\n);\r\n" +
               // two full lines and one byte
               "SDR 449 TDI (01" + hexDown(55, 37) + "\r\n" + hexDown(36, 1) + "\r\n" +
               hexDown(0, 0) + ");\r\n");
}

// A player refuses a value with bits beyond its length, so the writer clears them in its own
// output. The caller's buffer is only read.
TEST_F(SvfWriter, BitsAboveTheCountAreNotWritten) {
    ASSERT_NO_FATAL_FAILURE(start({6}));
    const std::vector<uint8_t> ones(21, 0xFF);
    EXPECT_EQ(KEL_SUCCESS, writeIR(0, ones, 6));
    EXPECT_EQ(KEL_SUCCESS, writeDR(0, ones, 13));
    EXPECT_EQ(KEL_SUCCESS, writeDR(0, ones, 161));
    EXPECT_EQ(KEL_SUCCESS, writeDR(0, ones, 16));
    EXPECT_EQ(std::vector<uint8_t>(21, 0xFF), ones);
    expectBody(header("HIR 0", "TIR 0", "HDR 0", "TDR 0") +
                   "SIR 6 TDI (3f);\r\n"
                   "SDR 13 TDI (1fff);\r\n"
                   "SDR 161 TDI (01" +
                   std::string(38, 'f') + "\r\nff);\r\n" + "SDR 16 TDI (ffff);\r\n",
               "the all-ones IR selects BYPASS, which no DR of these lengths fits");
}

TEST_F(SvfWriter, AWriteBeforeAllIRLengthsAreSetIsRefused) {
    ASSERT_NO_FATAL_FAILURE(start({}));
    ASSERT_EQ(KEL_SUCCESS, target().setDeviceCount(3));
    ASSERT_EQ(KEL_SUCCESS, target().setIRLength(0, 6));
    ASSERT_EQ(KEL_SUCCESS, target().setIRLength(1, 8));
    describedIrLengths_ = {6, 8, 10};  // the chain the file is written for, device 2 set below
    recorder_.clear();

    EXPECT_EQ(KEL_FAILURE, writeIR(0, {0x01}, 6));
    EXPECT_EQ(KEL_FAILURE, writeDR(2, {0x01}, 8));
    const std::vector<std::string> refusal = {
        std::string("message 0 256: ") + kIRNotSet,
        std::string("print 1: <KelPlugin> Error:") + kIRNotSet,
        "< KEL_FAILURE, ERROR CODE: 0",
    };
    EXPECT_EVENTS(recorder_,                                                         //
                  "> KelPlugin::writeDeviceIR", refusal[0], refusal[1], refusal[2],  //
                  "> KelPlugin::writeDeviceDR", refusal[0], refusal[1], refusal[2]);

    ASSERT_EQ(KEL_SUCCESS, target().setIRLength(2, 10));
    EXPECT_EQ(KEL_SUCCESS, writeIR(0, {0x01}, 6));
    ASSERT_EQ(KEL_SUCCESS, target().setIRLength(1, 0));
    EXPECT_EQ(KEL_FAILURE, writeIR(0, {0x02}, 6));
    expectBody(header("HIR 18 TDI (03ffff)", "TIR 0", "HDR 2 TDI (00)", "TDR 0") +
               "SIR 6 TDI (01);\r\n");
}

// The headers in force describe the chain as it was: any change of the chain makes the next
// write state them again, even for the same device.
TEST_F(SvfWriter, AChangedChainRewritesTheHeaders) {
    ASSERT_NO_FATAL_FAILURE(start({6, 8, 10}));
    EXPECT_EQ(KEL_SUCCESS, writeIR(1, {0x05}, 8));
    ASSERT_EQ(KEL_SUCCESS, target().setIRLength(2, 12));
    EXPECT_EQ(KEL_SUCCESS, writeIR(1, {0x06}, 8));
    ASSERT_EQ(KEL_SUCCESS, target().setDeviceCount(3));  // unchanged: nothing to rewrite
    EXPECT_EQ(KEL_SUCCESS, writeIR(1, {0x07}, 8));
    ASSERT_EQ(KEL_SUCCESS, target().setDeviceCount(2));
    EXPECT_EQ(KEL_FAILURE, writeIR(1, {0x08}, 8));
    ASSERT_EQ(KEL_SUCCESS, target().setIRLength(0, 4));
    ASSERT_EQ(KEL_SUCCESS, target().setIRLength(1, 8));
    EXPECT_EQ(KEL_SUCCESS, writeIR(1, {0x09}, 8));
    expectBody(
        header("HIR 10 TDI (03ff)", "TIR 6 TDI (3f)", "HDR 1 TDI (00)", "TDR 1 TDI (00)") +
            "SIR 8 TDI (05);\r\n" +
            header("HIR 12 TDI (0fff)", "TIR 6 TDI (3f)", "HDR 1 TDI (00)", "TDR 1 TDI (00)") +
            "SIR 8 TDI (06);\r\n"
            "SIR 8 TDI (07);\r\n" +
            header("HIR 0", "TIR 4 TDI (0f)", "HDR 0", "TDR 1 TDI (00)") + "SIR 8 TDI (09);\r\n",
        "the IR lengths change mid-file, so no one chain plays it");
}

TEST_F(SvfWriter, WritesThatNameNoRealBitsAreRefused) {
    ASSERT_NO_FATAL_FAILURE(start({6, 8}));
    const uint8_t tdi[1] = {0x01};
    const auto refuses = [&](const char* what, auto write) {
        SCOPED_TRACE(what);
        recorder_.clear();
        EXPECT_EQ(KEL_FAILURE, write());
        EXPECT_FALSE(recorder_.printLines().empty());
    };
    using KelPluginInterface::KELJTAG_RUN_TEST_IDLE;
    refuses("device == count", [&] {
        return target().writeDeviceIR(2, tdi, nullptr, 6, KELJTAG_RUN_TEST_IDLE, kNoContext);
    });
    refuses("device far beyond", [&] {
        return target().writeDeviceDR(0xFFFFFFFFu, tdi, nullptr, 6, KELJTAG_RUN_TEST_IDLE,
                                      kNoContext);
    });
    refuses("no bits", [&] {
        return target().writeDeviceIR(0, tdi, nullptr, 0, KELJTAG_RUN_TEST_IDLE, kNoContext);
    });
    refuses("null tdi", [&] {
        return target().writeDeviceDR(1, nullptr, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext);
    });
    expectBody("");
}

}  // namespace
}  // namespace kelhost::test
