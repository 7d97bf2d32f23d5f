// Scans longer than the player's block and scans cut into pieces through a pause: every bit of
// their updates and TDO checks is played, compared and shown as for one short scan.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "BitBuffer.h"
#include "CheckReport.h"
#include "EffectDiff.h"
#include "report/ValueText.h"

namespace {

using namespace kelsvf::check;
using Buffer = std::vector<uint8_t>;

Buffer randomBits(uint64_t bitCount, unsigned seed) {
    std::mt19937 random(seed);
    Buffer bits(bytesFor(bitCount));
    for (uint8_t& byte : bits) {
        byte = static_cast<uint8_t>(random());
    }
    clearTail(bits, bitCount);
    return bits;
}

Buffer sliceOf(const Buffer& bits, uint64_t first, uint64_t count) {
    Buffer slice(bytesFor(count), 0);
    copyBits(slice.data(), 0, bits.data(), first, count);
    return slice;
}

std::string hex(const Buffer& bits, uint64_t bitCount) {
    return "(" + fullValueText(bits, bitCount) + ")";
}

// What a report shows of a value: its top digits and its digest.
std::string shown(const Buffer& bits, uint64_t bitCount) {
    return valueText(bits, bitCount) + " " + digestText(bits, bitCount);
}

struct Seen : PlaySink {
    void deviceUpdate(const DeviceUpdate& update) override {
        if (!update.ir) {
            updates.push_back(valueText(update.value, update.bitCount) + " " +
                              digestText(update.value, update.bitCount));
        }
    }
    void tdoCheck(const TdoCheck& check) override {
        checks.push_back(std::to_string(check.mismatchedBits) + " at " +
                         std::to_string(check.firstMismatch) + " of " +
                         std::to_string(check.comparedBits) + ", read " +
                         valueText(check.actual, check.bitCount) + " " +
                         digestText(check.actual, check.bitCount));
    }
    std::vector<std::string> updates;
    std::vector<std::string> checks;
};

Seen play(const std::string& svf) {
    Seen seen;
    ChainPlayer player(chainFromIrLengths({4, 4}), seen);
    kelsvfreader::SvfReader reader = kelsvfreader::SvfReader::fromString(svf);
    const PlaySummary summary = player.playAll(reader);
    EXPECT_TRUE(summary.readToEnd);
    return seen;
}

constexpr uint64_t kNoFlip = ~uint64_t{0};

// Around the block's edges: through two BYPASS registers with TDO (after a 3-bit header that
// checks TDO too, or none), and into a register of unknown length beside BYPASS, whole or in
// pieces through Pause-DR.
TEST(LongScan, EveryBitAroundTheBlocksEdgesIsShiftedComparedAndLatched) {
    constexpr uint64_t kBlock = kBlockBits;
    const struct {
        uint64_t bits;
        uint64_t header;
        uint64_t flipped;              // an expected TDO bit made wrong
        std::vector<uint64_t> pieces;  // the update's scan cut so (the rest is the last piece)
    } cases[] = {
        {kBlock - 1, 0, kNoFlip, {}},
        {kBlock, 3, kBlock - 1, {}},
        {kBlock + 1, 0, kBlock, {100, kBlock - 200}},
        {2 * kBlock + 3, 3, 2 * kBlock + 5, {kBlock + 7, 3000}},
        {2 * kBlock + 3, 0, 1, {64, 4095, 4096, 1}},
    };
    unsigned seed = 1;
    for (const auto& c : cases) {
        const std::string name = std::to_string(c.bits) + " bits, header " +
                                 std::to_string(c.header) + ", flipped " +
                                 std::to_string(c.flipped);
        const uint64_t total = c.header + c.bits;
        const Buffer stream = randomBits(total, seed++);  // header bits, then the statement's
        // Two BYPASS bits (captured 0) come out first, then the stream.
        Buffer out(bytesFor(total), 0);
        copyBits(out.data(), 2, stream.data(), 0, total - 2);
        Buffer expected = out;
        if (c.flipped != kNoFlip) {
            putBit(expected.data(), c.flipped, !bitAt(expected.data(), c.flipped));
        }
        const std::string header = c.header == 0
                                       ? "HDR 0;\n"
                                       : "HDR 3 TDI " + hex(sliceOf(stream, 0, 3), 3) + " TDO " +
                                             hex(sliceOf(expected, 0, 3), 3) + ";\n";
        const Seen checked =
            play("SIR 8 TDI (ff);\n" + header + "SDR " + std::to_string(c.bits) + " TDI " +
                 hex(sliceOf(stream, c.header, c.bits), c.bits) + " TDO " +
                 hex(sliceOf(expected, c.header, c.bits), c.bits) + ";\n");
        const bool flipped = c.flipped != kNoFlip;
        ASSERT_EQ(checked.checks.size(), 1u) << name;
        EXPECT_EQ(checked.checks[0], std::to_string(flipped ? 1 : 0) + " at " +
                                         std::to_string(flipped ? c.flipped : 0) + " of " +
                                         std::to_string(total) + ", read " + shown(out, total))
            << name;

        // Device 0's register of unknown length takes all but the BYPASS bit nearest TDO.
        const Buffer body = sliceOf(stream, c.header, c.bits);
        std::string pieces = "SIR 8 TDI (2f);\nENDDR DRPAUSE;\n";
        uint64_t at = 0;
        for (const uint64_t piece : c.pieces) {
            pieces += "SDR " + std::to_string(piece) + " TDI " +
                      hex(sliceOf(body, at, piece), piece) + ";\n";
            at += piece;
        }
        pieces += "ENDDR IDLE;\nSDR " + std::to_string(c.bits - at) + " TDI " +
                  hex(sliceOf(body, at, c.bits - at), c.bits - at) + ";\n";
        const Seen latched = play(pieces);
        ASSERT_EQ(latched.updates.size(), 1u) << name;
        EXPECT_EQ(latched.updates[0], shown(sliceOf(body, 1, c.bits - 1), c.bits - 1)) << name;
    }
}

// A checked scan cut into pieces through Pause-DR, as convert --max-scan writes it, has the
// effect of the whole scan; an expected or mask bit changed in one piece does not.
TEST(LongScan, TheTdoPiecesOfOneCaptureAreComparedAsOneCheck) {
    constexpr uint64_t kBits = 300;
    const Buffer tdi = randomBits(kBits, 7);
    const Buffer tdo = randomBits(kBits, 8);
    Buffer mask(bytesFor(kBits), 0xFF);
    clearTail(mask, kBits);
    fillBits(mask.data(), 128, 128, false);  // the middle piece checks nothing
    const auto scan = [](const Buffer& in, const Buffer& out, const Buffer& m, uint64_t first,
                         uint64_t count, bool checked) {
        std::string text =
            "SDR " + std::to_string(count) + " TDI " + hex(sliceOf(in, first, count), count);
        if (checked) {
            text += " TDO " + hex(sliceOf(out, first, count), count) + " MASK " +
                    hex(sliceOf(m, first, count), count);
        }
        return text + ";\n";
    };
    const std::string whole = "SIR 8 TDI (02);\n" + scan(tdi, tdo, mask, 0, kBits, true);
    // Pieces of 128, 128 (that piece with or without its TDO) and 44 bits.
    const auto pieces = [&](const Buffer& out, const Buffer& m, bool middleChecked) {
        return "SIR 8 TDI (02);\nENDDR DRPAUSE;\n" + scan(tdi, out, m, 0, 128, true) +
               scan(tdi, out, m, 128, 128, middleChecked) + "ENDDR IDLE;\n" +
               scan(tdi, out, m, 256, 44, true);
    };
    Buffer flippedTdo = tdo;
    putBit(flippedTdo.data(), 270, !bitAt(tdo.data(), 270));
    Buffer unmaskedFlip = tdo;
    putBit(unmaskedFlip.data(), 200, !bitAt(tdo.data(), 200));  // under a mask of 0
    Buffer flippedMask = mask;
    putBit(flippedMask.data(), 5, false);
    const struct {
        const char* name;
        std::string pieces;
        std::string difference;  // empty: the same effect
    } cases[] = {
        {"every piece checked", pieces(tdo, mask, true), ""},
        {"the piece that checks nothing without TDO", pieces(tdo, mask, false), ""},
        {"an expected bit the mask leaves out", pieces(unmaskedFlip, mask, true), ""},
        {"an expected bit flipped", pieces(flippedTdo, mask, false),
         "TDO check of a DR scan, first difference at bit 270"},
        {"a mask bit cleared", pieces(tdo, flippedMask, true),
         "TDO check of a DR scan, first difference at bit 5"},
    };
    for (const auto& c : cases) {
        kelsvfreader::SvfReader a = kelsvfreader::SvfReader::fromString(whole);
        kelsvfreader::SvfReader b = kelsvfreader::SvfReader::fromString(c.pieces);
        EffectDiffOptions options;
        options.waitsAtLeast = true;  // the pieces add clocks in the pause
        const DiffResult result = EffectDiff(chainFromIrLengths({8}), options).compare(a, b);
        if (c.difference.empty()) {
            EXPECT_TRUE(result.same())
                << c.name << ": " << (result.differences.empty() ? "" : result.differences[0].what);
        } else {
            ASSERT_EQ(result.differences.size(), 1u) << c.name;
            EXPECT_EQ(result.differences[0].what, c.difference) << c.name;
        }
    }
}

// The JSON report with every digit writes a value of several blocks from its top digit down.
TEST(LongScan, TheJsonReportWritesEveryDigitOfALongValue) {
    constexpr uint64_t kBits = 2 * kBlockBits + 13;
    const Buffer tdi = randomBits(kBits, 9);
    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    ASSERT_NE(out, nullptr);
    {
        const std::unique_ptr<CheckReport> report = jsonReport(out, true);
        const ChainDescription chain = chainFromIrLengths({4, 4});
        report->begin("long.svf", chain);
        ChainPlayer player(chain, *report);
        const std::string svf =
            "SIR 8 TDI (2f);\nSDR " + std::to_string(kBits) + " TDI " + hex(tdi, kBits) + ";\n";
        kelsvfreader::SvfReader reader = kelsvfreader::SvfReader::fromString(svf);
        report->end(player.playAll(reader));
    }
    std::fclose(out);
    const std::string json(text, size);
    std::free(text);
    // Device 0 takes all but the BYPASS bit nearest TDO.
    const Buffer latched = sliceOf(tdi, 1, kBits - 1);
    EXPECT_NE(json.find("\"bits\": " + std::to_string(kBits - 1) + ", \"value\": \"" +
                        fullValueText(latched, kBits - 1) + "\", \"hash\": \"" +
                        digestText(latched, kBits - 1) + "\""),
              std::string::npos);
}

}  // namespace
