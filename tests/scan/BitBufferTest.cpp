// copyBits against a plain bit-by-bit copy at every offset pair, and maskBuffer.
#include <random>

#include "ScanTestSupport.h"
#include "kelsim/SimulatedChainTarget.h"

namespace {

using namespace scantest;
using KelPluginInterface::KelPlugin;

void referenceCopy(Bytes& dst, uint32_t dstStart, const Bytes& src, uint32_t srcStart,
                   uint32_t numBits) {
    for (uint32_t k = 0; k < numBits; ++k) {
        const size_t to = dstStart + k;
        const auto mask = static_cast<uint8_t>(1u << (to % 8));
        dst[to / 8] = static_cast<uint8_t>(bitOf(src, srcStart + k) ? dst[to / 8] | mask
                                                                    : dst[to / 8] & ~mask);
    }
}

Bytes randomBytes(std::mt19937& random, size_t size) {
    Bytes bytes(size);
    for (uint8_t& byte : bytes) {
        byte = static_cast<uint8_t>(random());
    }
    return bytes;
}

TEST(CopyBits, MatchesABitByBitCopyAtEveryOffsetAndLength) {
    // Each buffer is exactly as long as the copied range needs, so a read or write past the
    // range is caught by the address sanitizer.
    std::mt19937 random(1234);
    for (uint32_t srcStart = 0; srcStart < 64; ++srcStart) {
        for (uint32_t dstStart = 0; dstStart < 64; ++dstStart) {
            for (uint32_t numBits = 0; numBits <= 200; ++numBits) {
                const Bytes src = randomBytes(random, (srcStart + numBits + 7) / 8);
                const Bytes before = randomBytes(random, (dstStart + numBits + 7) / 8);
                Bytes expected = before;
                referenceCopy(expected, dstStart, src, srcStart, numBits);
                Bytes actual = before;
                KelPlugin::copyBits(actual.data(), dstStart, src.data(), srcStart, numBits);
                ASSERT_EQ(actual, expected)
                    << "src " << srcStart << " dst " << dstStart << " bits " << numBits;
            }
        }
    }
}

TEST(CopyBits, ZeroBitsTouchNothing) {
    const Bytes src{0xFF};
    Bytes dst{0x00};
    KelPlugin::copyBits(dst.data(), 3, src.data(), 5, 0);
    EXPECT_EQ(dst, Bytes{0x00});
}

class MaskBuffer : public RecordingTest {
  protected:
    kelsim::SimulatedChainTarget target;
};

TEST_F(MaskBuffer, AndsWholeBytesAndMayWriteOverAnInput) {
    // 9 bits take two bytes; the third is not touched.
    Bytes buffer{0xF0, 0xFF, 0x77};
    const Bytes mask{0x3C, 0x81, 0x00};
    recorder.clear();
    EXPECT_EQ(target.maskBuffer(buffer.data(), buffer.data(), mask.data(), 9), KEL_SUCCESS);
    EXPECT_EQ(buffer, (Bytes{0x30, 0x81, 0x77}));
    EXPECT_EQ(recorder.traceLines(), (Lines{"> KelPlugin::maskBuffer", "< "}));

    // Long enough for the word-wide path, with its byte tail.
    Bytes longBuffer(19, 0xAA);
    Bytes longMask(19, 0x0F);
    Bytes out(19, 0x55);
    EXPECT_EQ(target.maskBuffer(out.data(), longBuffer.data(), longMask.data(), 150), KEL_SUCCESS);
    EXPECT_EQ(out, Bytes(19, 0x0A));
}

TEST_F(MaskBuffer, RefusesANullBuffer) {
    Bytes bytes{0xFF};
    recorder.clear();
    EXPECT_EQ(target.maskBuffer(bytes.data(), nullptr, bytes.data(), 8), KEL_FAILURE);
    EXPECT_EQ(target.maskBuffer(nullptr, bytes.data(), bytes.data(), 8), KEL_FAILURE);
    EXPECT_EQ(target.maskBuffer(bytes.data(), bytes.data(), nullptr, 8), KEL_FAILURE);
    const std::string refusal = "1: <KelPlugin> Atleast one NULL buffer passed into maskBuffer.\n";
    EXPECT_EQ(prints(), (Lines{refusal, refusal, refusal}));
    EXPECT_EQ(recorder.traceLines()[1], "< ");
}

}  // namespace
