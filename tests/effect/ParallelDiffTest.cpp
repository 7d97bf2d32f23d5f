// diff with file B played on a thread of its own against diff played in turn: the same
// differences, early stop and reader errors, wherever a batch of events ends, wherever file B
// fails and however few differences are asked for.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "EffectDiff.h"

namespace {

using namespace kelsvf::check;

// A flash file of `scans` scans: data, waits and a verify read every seventh; `flipped` (when
// below `scans`) is written with another bit, and a statement the reader refuses follows scan
// `failAt` (when below `scans`).
std::string flashFile(size_t scans, size_t flipped, size_t failAt) {
    std::string text = "STATE RESET;\nENDDR IDLE;\nSIR 8 TDI (3a);\n";
    for (size_t i = 0; i < scans; ++i) {
        text += i % 7 == 6 ? "SDR 16 TDI (0000) TDO (7fff) MASK (7fff);\n"
                           : std::string("SDR 16 TDI (") + (i == flipped ? "7ffe" : "7fff") +
                                 ");\nRUNTEST " + std::to_string(10 + i % 3) + " TCK;\n";
        if (i == failAt) {
            text += "SDR 8 TDI (1FF);\n";
        }
    }
    return text;
}

std::string resultText(const DiffResult& result) {
    std::string text = result.stoppedEarly ? "stopped early\n" : "";
    for (const EffectDifference& difference : result.differences) {
        text += std::to_string(difference.a.from) + "-" + std::to_string(difference.a.to) + " " +
                std::to_string(difference.b.from) + "-" + std::to_string(difference.b.to) + " " +
                difference.what + ": " + difference.aSide + " | " + difference.bSide + "\n";
    }
    for (const auto* unreadable : {&result.unreadableA, &result.unreadableB}) {
        text += *unreadable ? std::to_string((*unreadable)->line) + " " + (*unreadable)->text
                            : std::string("readable");
        text += "\n";
    }
    if (result.same()) {
        text += std::to_string(result.summaryB.statements) + " statements, " +
                countText(result.summaryB.totalClocks) + " clocks\n";
    }
    return text;
}

DiffResult compare(const std::string& a, const std::string& b, size_t most, bool parallel,
                   bool waitsAtLeast = false) {
    kelsvfreader::SvfReader readerA = kelsvfreader::SvfReader::fromString(a);
    kelsvfreader::SvfReader readerB = kelsvfreader::SvfReader::fromString(b, 7);
    EffectDiffOptions options{most};
    options.playInParallel = parallel;
    options.waitsAtLeast = waitsAtLeast;
    return EffectDiff(chainFromIrLengths({8}), options).compare(readerA, readerB);
}

TEST(ParallelDiff, GivesWhatADiffInTurnGives) {
    constexpr size_t kNone = 100000;
    // Events come in batches of 1024: 8 for every 7 scans, so scan 895 is near the first batch's
    // end.
    const std::string a = flashFile(2000, kNone, kNone);
    struct Case {
        size_t flipped;
        size_t failAt;
        size_t most;
    };
    const Case cases[] = {
        {kNone, kNone, 10}, {300, kNone, 10}, {300, 300, 1}, {300, 301, 1},    {300, 302, 1},
        {300, 299, 1},      {0, 1, 1},        {0, 0, 1},     {kNone, 0, 10},   {kNone, 1999, 10},
        {110, 111, 2},      {111, 112, 1},    {5, 590, 1},   {599, kNone, 1},  {kNone, 150, 1},
        {127, 128, 1},      {128, 128, 1},    {256, 257, 1}, {1999, kNone, 1},
    };
    std::vector<Case> all(std::begin(cases), std::end(cases));
    for (size_t at = 888; at < 904; at += 2) {
        all.push_back({at, at, 1});
        all.push_back({at, at + 1, 1});
    }
    for (const Case& c : all) {
        const std::string b = flashFile(2000, c.flipped, c.failAt);
        for (const auto& [first, second] : {std::pair{a, b}, std::pair{b, a}}) {
            const std::string inTurn = resultText(compare(first, second, c.most, false));
            EXPECT_EQ(resultText(compare(first, second, c.most, true)), inTurn)
                << "flipped " << c.flipped << ", fails after " << c.failAt << ", most " << c.most;
        }
    }
    // Files of other lengths: one ends first, or has a check the other does not.
    for (const auto& [first, second] :
         {std::pair{flashFile(600, kNone, kNone), flashFile(601, kNone, kNone)},
          std::pair{flashFile(300, kNone, kNone), flashFile(600, kNone, kNone)},
          std::pair{flashFile(13, kNone, kNone), flashFile(14, kNone, kNone)}}) {
        EXPECT_EQ(resultText(compare(first, second, 10, true)),
                  resultText(compare(first, second, 10, false)));
        EXPECT_EQ(resultText(compare(second, first, 10, true)),
                  resultText(compare(second, first, 10, false)));
    }
}

// Long values: events larger than a batch's slot keeps, batches ended by their bytes rather than
// by their count (2 KiB values: 512 to a batch).
TEST(ParallelDiff, LongValuesGiveWhatADiffInTurnGives) {
    constexpr size_t kScans = 600;
    const auto longFile = [](size_t flipped) {
        std::string text = "STATE RESET;\nENDDR IDLE;\nSIR 8 TDI (3a);\n";
        for (size_t i = 0; i < kScans; ++i) {
            std::string digits(4096, "0123456789abcdef"[i % 16]);
            if (i == flipped) {
                digits[0] = digits[0] == '0' ? '1' : '0';
            }
            text += "SDR 16384 TDI (" + digits + ");\n";
        }
        return text;
    };
    const std::string a = longFile(kScans);
    for (const size_t flipped : {size_t{0}, size_t{300}, size_t{511}, size_t{512}, kScans - 1}) {
        const std::string b = longFile(flipped);
        const DiffResult inTurn = compare(a, b, 10, false);
        ASSERT_EQ(inTurn.differences.size(), 1u) << flipped;
        EXPECT_EQ(inTurn.differences[0].b.to, 4 + flipped);
        EXPECT_EQ(resultText(compare(a, b, 10, true)), resultText(inTurn)) << flipped;
    }
}

// Events of every shape the hand-over packs or keeps apart: short values up to 256 bits and longer
// ones, TDO checks with and without a mask, updates joined from several scans through Pause-DR,
// TDI over several lines, clocks in many states and RUNTEST times and waits. `changed` (when below
// the count of pieces) is written with another bit, clock count or time.
std::string mixedFile(size_t pieces, size_t changed) {
    std::string text = "STATE RESET;\nSIR 8 TDI (3a);\n";
    for (size_t i = 0; i < pieces; ++i) {
        const bool change = i == changed;
        switch (i % 8) {
            case 0:
                text += std::string("SDR 256 TDI (") + (change ? "1" : "0") + std::string(63, 'f') +
                        ");\n";
                break;
            case 1:
                text += "SDR 257 TDI (1" + std::string(64, change ? 'e' : 'c') + ");\n";
                break;
            case 2:
                text += std::string("SDR 32 TDI (0) TDO (") + (change ? "10000" : "0") +
                        ") MASK (ffff0000);\n";
                break;
            case 3:
                text += "ENDDR DRPAUSE;\n";
                for (int piece = 0; piece < 6; ++piece) {
                    text += "SDR 8 TDI (" + std::to_string(10 + piece + (change ? 1 : 0)) + ");\n";
                }
                text += "ENDDR IDLE;\nSDR 8 TDI (ff);\n";
                break;
            case 4:
                text += "SDR 128 TDI (0123456789abcdef\n" + std::string(change ? "f" : "0") +
                        "123456789abcdef);\n";
                break;
            case 5:
                text +=
                    "RUNTEST DRPAUSE " + std::to_string(change ? 6 : 5) + " TCK ENDSTATE IDLE;\n";
                break;
            case 6:
                text +=
                    std::string("RUNTEST ") + (change ? "2E-3" : "1E-3") + " SEC MAXIMUM 1 SEC;\n";
                break;
            default:
                text += std::string("STATE IRPAUSE;\nSTATE IDLE;\nSDR 16 TDI (7fff) TDO (") +
                        (change ? "7ffe" : "7fff") + ");\n";
                break;
        }
    }
    return text;
}

TEST(ParallelDiff, EventsOfEveryShapeGiveWhatADiffInTurnGives) {
    constexpr size_t kPieces = 1200;
    const std::string a = mixedFile(kPieces, kPieces);
    for (size_t changed = 0; changed < 16; ++changed) {
        for (const size_t at : {changed, 880 + changed}) {
            const std::string b = mixedFile(kPieces, at);
            const DiffResult inTurn = compare(a, b, 3, false);
            EXPECT_FALSE(inTurn.same()) << at;
            EXPECT_EQ(resultText(compare(a, b, 3, true)), resultText(inTurn)) << at;
            // Waits compared as "at least": the RUNTEST times of each run state.
            EXPECT_EQ(resultText(compare(b, a, 3, true, true)),
                      resultText(compare(b, a, 3, false, true)))
                << at;
        }
    }
    EXPECT_EQ(resultText(compare(a, a, 3, true)), resultText(compare(a, a, 3, false)));
}

}  // namespace
