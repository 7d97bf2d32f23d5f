// The statement writer's text against a plain formatter that writes one "%02x" per byte, at
// the sizes where line and block breaking can go wrong.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "MemoryStream.h"
#include "svf/StreamSeam.h"
#include "svf/SvfWriter.h"

namespace {

using KelPluginInterface::svf::RegisterKind;
namespace svf = KelPluginInterface::svf;

std::string hexByte(unsigned value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02x", value);
    return text;
}

// The column rule of the format: a counter that starts at 32, grows by 2 per byte and breaks
// the line at 72. Unused bits of the top byte are cleared.
std::string referenceScan(const char* keyword, const std::vector<uint8_t>& tdi, uint32_t bitCount) {
    std::string text = std::string(keyword) + " " + std::to_string(bitCount) + " TDI (";
    unsigned column = 32;
    const uint32_t top = (bitCount - 1) / 8;
    for (uint32_t index = top + 1; index-- > 0;) {
        unsigned value = tdi[index];
        if (index == top && bitCount % 8 != 0) {
            value &= (1u << (bitCount % 8)) - 1;
        }
        text += hexByte(value);
        column += 2;
        if (column >= 72) {
            text += "\r\n";
            column = 0;
        }
    }
    return text + ");\r\n";
}

std::vector<uint8_t> randomBytes(size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::vector<uint8_t> bytes(count);
    for (auto& byte : bytes) {
        byte = static_cast<uint8_t>(generator());
    }
    return bytes;
}

std::string scanText(RegisterKind kind, const std::vector<uint8_t>& tdi, uint32_t bitCount) {
    MemoryStream stream;
    EXPECT_TRUE(svf::writeScanStatement(stream.file(), kind, tdi.data(), bitCount));
    return stream.text();
}

void expectScanMatchesReference(uint32_t bitCount, unsigned seed) {
    const auto tdi = randomBytes((bitCount + 7) / 8, seed);
    EXPECT_EQ(scanText(RegisterKind::Data, tdi, bitCount), referenceScan("SDR", tdi, bitCount))
        << "bit count " << bitCount;
}

TEST(SvfWriter, ScanLinesHoldTwentyThenThirtySixBytes) {
    const std::vector<uint8_t> one{0x05};
    EXPECT_EQ(scanText(RegisterKind::Instruction, one, 8), "SIR 8 TDI (05);\r\n");
    const std::vector<uint8_t> word{0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(scanText(RegisterKind::Data, word, 32), "SDR 32 TDI (12345678);\r\n");

    const std::vector<uint8_t> ones(21, 0xFF);
    EXPECT_EQ(scanText(RegisterKind::Data, ones, 160),
              "SDR 160 TDI (" + std::string(40, 'f') + "\r\n);\r\n");
    EXPECT_EQ(scanText(RegisterKind::Data, ones, 161),
              "SDR 161 TDI (01" + std::string(38, 'f') + "\r\nff);\r\n");
}

TEST(SvfWriter, TopByteKeepsOnlyTheStatedBits) {
    const std::vector<uint8_t> tdi{0xFF};
    EXPECT_EQ(scanText(RegisterKind::Instruction, tdi, 6), "SIR 6 TDI (3f);\r\n");
    EXPECT_EQ(scanText(RegisterKind::Instruction, tdi, 1), "SIR 1 TDI (01);\r\n");
    EXPECT_EQ(tdi[0], 0xFF);  // the caller's buffer is only read
}

TEST(SvfWriter, EveryShortLengthMatchesReference) {
    for (uint32_t bitCount = 1; bitCount <= 8 * 36 * 3 + 8 * 21; ++bitCount) {
        expectScanMatchesReference(bitCount, bitCount);
    }
}

TEST(SvfWriter, LengthsAroundTheBlockSizeMatchReference) {
    // The hex text of about 4096 bytes fills one block; step over that edge bit by bit.
    for (uint32_t bytes = 3980; bytes <= 4200; ++bytes) {
        expectScanMatchesReference(8 * bytes - bytes % 8, bytes);
    }
}

TEST(SvfWriter, MultiMegabyteScanMatchesReference) {
    expectScanMatchesReference(8 * (5u << 20) - 3, 42);
}

TEST(SvfWriter, PadStatementsStayOnOneLine) {
    const auto pad = [](const char* keyword, uint32_t bitCount, uint8_t fill) {
        MemoryStream stream;
        EXPECT_TRUE(svf::writePadStatement(stream.file(), keyword, bitCount, fill));
        return stream.text();
    };
    EXPECT_EQ(pad("HIR", 10, 0xFF), "HIR 10 TDI (03ff);\r\n");
    EXPECT_EQ(pad("TIR", 6, 0xFF), "TIR 6 TDI (3f);\r\n");
    EXPECT_EQ(pad("HDR", 2, 0x00), "HDR 2 TDI (00);\r\n");
    EXPECT_EQ(pad("TDR", 0, 0x00), "TDR 0;\r\n");
    // Longer than a block: still one line.
    EXPECT_EQ(pad("HIR", 8 * 9000 + 3, 0xFF),
              "HIR 72003 TDI (07" + std::string(18000, 'f') + ");\r\n");
}

TEST(SvfWriter, CountsAreUnsignedDecimals) {
    for (const uint32_t count : {0u, 7u, 10u, 100u, 2147483647u, 2147483648u, 4294967295u}) {
        MemoryStream stream;
        ASSERT_TRUE(svf::writeRunTest(stream.file(), count));
        char expected[32];
        // Identical to "%d" below 2^31; never negative above it.
        std::snprintf(expected, sizeof expected, "RUNTEST %u TCK;\r\n", count);
        EXPECT_EQ(stream.text(), expected);
    }
}

// Every write fails and is counted.
int failedWrites = 0;
const svf::StreamOps failingWrites{
    svf::standardStreamOps().open,
    [](const void*, size_t, size_t, FILE*) -> size_t {
        ++failedWrites;
        return 0;
    },
    svf::standardStreamOps().flush,
    svf::standardStreamOps().close,
};

TEST(SvfWriter, LostBlockEndsTheStatement) {
    const svf::ScopedStreamOps seam(failingWrites);
    MemoryStream stream;
    failedWrites = 0;
    const auto tdi = randomBytes(1 << 20, 1);
    EXPECT_FALSE(svf::writeScanStatement(stream.file(), RegisterKind::Data, tdi.data(), 8 << 20));
    EXPECT_FALSE(svf::writePadStatement(stream.file(), "HIR", 1 << 20, 0xFF));
    EXPECT_FALSE(svf::writeText(stream.file(), "STATE IDLE;\r\n"));
    EXPECT_EQ(failedWrites, 3);  // one attempt per statement, not one per block
}

}  // namespace
