#include "EffectDiff.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <exception>
#include <thread>
#include <utility>

#include "PlaySide.h"
#include "report/ValueText.h"

namespace kelsvf::check {
namespace {

using diff::Clocks;
using diff::Effect;
using diff::Side;
using diff::Spent;

std::string bitsText(uint64_t bitCount) {
    return std::to_string(bitCount) + (bitCount == 1 ? " bit" : " bits");
}

// The bits an effect compares: an update's value; a check's expected bits under its mask.
ReadBits comparedBits(const Effect& effect) {
    return [&effect](uint64_t first, uint64_t count, uint8_t* out) {
        if (!effect.value.read(first, count, out)) {
            return false;
        }
        if (!effect.tdo) {
            return true;
        }
        thread_local std::vector<uint8_t> mask;
        mask.assign(bytesFor(count), 0);
        if (!effect.mask.read(first, count, mask.data())) {
            return false;
        }
        for (size_t i = 0; i < mask.size(); ++i) {
            out[i] = static_cast<uint8_t>(out[i] & mask[i]);
        }
        return true;
    };
}

ReadBits maskBits(const Effect& effect) {
    return [&effect](uint64_t first, uint64_t count, uint8_t* out) {
        return effect.mask.read(first, count, out);
    };
}

// A shortened value is told apart from another by its digest.
std::string shownValue(const ReadBits& bits, uint64_t bitCount) {
    std::string text = valueTextOf(bits, bitCount);
    if (isShortened(bitCount)) {
        text += " sha256 " + digestTextOf(bits, bitCount);
    }
    return text;
}

std::string effectValueText(const Effect& effect) {
    if (!effect.tdo) {
        return shownValue(comparedBits(effect), effect.bitCount);
    }
    return shownValue(comparedBits(effect), effect.bitCount) + " under mask " +
           shownValue(maskBits(effect), effect.bitCount);
}

// The lowest bit at which two values of `bitCount` bits differ, when they do; block by block,
// every bit.
std::optional<uint64_t> firstDifference(const ReadBits& a, const ReadBits& b, uint64_t bitCount) {
    std::vector<uint8_t> blockA;
    std::vector<uint8_t> blockB;
    for (uint64_t first = 0; first < bitCount; first += kBlockBits) {
        const uint64_t count = std::min(kBlockBits, bitCount - first);
        blockA.assign(bytesFor(count), 0);
        blockB.assign(bytesFor(count), 0);
        requireRead(a(first, count, blockA.data()) && b(first, count, blockB.data()));
        if (std::memcmp(blockA.data(), blockB.data(), blockA.size()) == 0) {
            continue;  // the common case, word-wide
        }
        const auto [inA, inB] = std::mismatch(blockA.begin(), blockA.end(), blockB.begin());
        if (inA != blockA.end()) {
            const auto byte = static_cast<uint64_t>(inA - blockA.begin());
            return first + byte * 8 +
                   static_cast<uint64_t>(std::countr_zero(static_cast<unsigned>(*inA ^ *inB)));
        }
    }
    return std::nullopt;
}

// The first bit at which what two effects of one length compare differs: the bits or the mask.
std::optional<uint64_t> firstDifference(const Effect& a, const Effect& b) {
    if (!a.tdo && a.value.allZeros() && b.value.allZeros()) {
        return std::nullopt;  // "TDI (0)" of the same length in both: nothing to read
    }
    // Short values in memory, the common case, byte by byte without a copy.
    const uint8_t* valueA = a.value.memory();
    const uint8_t* valueB = b.value.memory();
    const uint8_t* maskA = a.tdo ? a.mask.memory() : nullptr;
    const uint8_t* maskB = b.tdo ? b.mask.memory() : nullptr;
    if (valueA != nullptr && valueB != nullptr &&
        (!a.tdo || (maskA != nullptr && maskB != nullptr))) {
        const size_t bytes = bytesFor(a.bitCount);
        for (size_t i = 0; i < bytes; ++i) {
            const unsigned inA = a.tdo ? valueA[i] & maskA[i] : valueA[i];
            const unsigned inB = b.tdo ? valueB[i] & maskB[i] : valueB[i];
            unsigned differ = (inA ^ inB) | (a.tdo ? maskA[i] ^ maskB[i] : 0u);
            if (i + 1 == bytes && a.bitCount % 8 != 0) {
                differ &= (1u << (a.bitCount % 8)) - 1u;
            }
            if (differ != 0) {
                return uint64_t{i} * 8 + static_cast<uint64_t>(std::countr_zero(differ));
            }
        }
        return std::nullopt;
    }
    std::optional<uint64_t> at = firstDifference(comparedBits(a), comparedBits(b), a.bitCount);
    if (a.tdo && b.tdo) {
        const std::optional<uint64_t> inMask =
            firstDifference(maskBits(a), maskBits(b), a.bitCount);
        if (inMask && (!at || *inMask < *at)) {
            at = inMask;
        }
    }
    return at;
}

std::string tdoWhat(bool ir) {
    return ir ? "TDO check of an IR scan" : "TDO check of a DR scan";
}

std::string eventText(const Effect& effect) {
    if (effect.tdo) {
        return tdoWhat(effect.ir) + ", " + bitsText(effect.bitCount) + ": " +
               effectValueText(effect);
    }
    return "device " + std::to_string(effect.device) + (effect.ir ? " instruction " : " data ") +
           effectValueText(effect) + " (" + bitsText(effect.bitCount) + ")";
}

// Every bit compared: no hash, no prefix.
bool sameEvent(const Effect& a, const Effect& b) {
    return a.tdo == b.tdo && a.device == b.device && a.ir == b.ir && a.bitCount == b.bitCount &&
           a.captureOffset == b.captureOffset && !firstDifference(a, b);
}

// The line of the digit that holds bit `bit` of an update, where the statement that shifted it
// wrote it over several lines; else that statement's line; 0 when not known.
uint64_t lineOfBit(const Effect& effect, uint64_t bit) {
    for (const Effect::DigitLinesKept& kept : effect.digitLines) {
        if (bit >= kept.bits.firstBit && bit - kept.bits.firstBit < kept.bits.bitCount) {
            if (const uint64_t line =
                    kept.lines->lineOfBit(kept.bits.tdiBit + (bit - kept.bits.firstBit));
                line != 0) {
                return line;
            }
        }
    }
    uint64_t line = effect.sources.empty() ? effect.line : 0;
    for (const ValueSource& source : effect.sources) {
        if (source.firstBit > bit) {
            break;
        }
        line = source.line;
    }
    return line;
}

// ", first difference at bit 70 (lines 12 | 15)" for long values of one length: the lines of
// the digits that hold that bit in each file (of the statements, for values on one line).
std::string firstDifferenceText(const Effect& a, const Effect& b) {
    if (a.bitCount != b.bitCount || !isShortened(a.bitCount)) {
        return "";
    }
    const std::optional<uint64_t> at = firstDifference(a, b);
    if (!at) {
        return "";
    }
    const auto lineText = [](uint64_t line) {
        return line == 0 ? std::string("captured") : std::to_string(line);
    };
    std::string text = ", first difference at bit " + std::to_string(*at);
    if (!a.tdo) {
        text +=
            " (lines " + lineText(lineOfBit(a, *at)) + " | " + lineText(lineOfBit(b, *at)) + ")";
    }
    return text;
}

EffectDifference eventDifference(const Effect& a, const Effect& b) {
    EffectDifference difference{{a.line, a.line, false}, {b.line, b.line, false}, "", "", ""};
    if (!a.tdo && !b.tdo && a.device == b.device && a.ir == b.ir) {
        difference.what = "device " + std::to_string(a.device) + (a.ir ? " instruction" : " data") +
                          firstDifferenceText(a, b);
        difference.aSide = effectValueText(a) + " (" + bitsText(a.bitCount) + ")";
        difference.bSide = effectValueText(b) + " (" + bitsText(b.bitCount) + ")";
    } else if (a.tdo && b.tdo && a.ir == b.ir) {
        difference.what = tdoWhat(a.ir) + firstDifferenceText(a, b);
        difference.aSide = effectValueText(a) + " (" + bitsText(a.bitCount) + ")";
        difference.bSide = effectValueText(b) + " (" + bitsText(b.bitCount) + ")";
    } else {
        difference.what = "effect";
        difference.aSide = eventText(a);
        difference.bSide = eventText(b);
    }
    return difference;
}

std::string microsecondsText(double microseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f us", microseconds);
    return text;
}

// The TAP states where two stretches differ, with what each file does there: "IDLE, DRSHIFT" |
// "10, 16" | "12, 16", one difference for them all.
struct StateColumns {
    std::string states;
    std::string aSide;
    std::string bSide;

    void add(size_t state, const std::string& inA, const std::string& inB) {
        const char* separator = states.empty() ? "" : ", ";
        states += separator;
        states += kelsvfreader::svfStateName(static_cast<kelsvfreader::TapState>(state));
        aSide += separator + inA;
        bSide += separator + inB;
    }
    void report(const DiffPlace& placeA, const DiffPlace& placeB, const char* what,
                std::vector<EffectDifference>& out) const {
        if (!states.empty()) {
            out.push_back({placeA, placeB, what + states, aSide, bSide});
        }
    }
};

// B's RUNTEST time in each run state of the stretch, where it is shorter than A's. A
// microsecond's fraction is the rounding of clocks at a frequency, not a shorter wait.
void compareRunTimes(const DiffPlace& placeA, const Effect& a, const Effect& previousA,
                     const DiffPlace& placeB, const Effect& b, const Effect& previousB,
                     std::vector<EffectDifference>& out) {
    StateColumns shorter;
    const auto& runA = a.spent->run;
    const auto& runB = b.spent->run;
    for (size_t state = 0; state < runA.size(); ++state) {
        const double inA = runA[state] - previousA.spent->run[state];
        const double inB = runB[state] - previousB.spent->run[state];
        if (inB + 0.5 < inA) {
            shorter.add(state, microsecondsText(inA), microsecondsText(inB));
        }
    }
    shorter.report(placeA, placeB, "shorter waits in ", out);
}

// The clocks and waits of the stretches [previous, effect] of both files, when they differ.
// `previousSame`: the files' clocks are known to be the same at the stretches' start. Returns
// whether they are the same at `a` and `b`.
bool compareStretches(const Side& sideA, const Effect& a, const Side& sideB, const Effect& b,
                      bool atEnd, bool atLeast, bool previousSame,
                      std::vector<EffectDifference>& out) {
    const DiffPlace placeA{sideA.previousLine(), a.line, atEnd};
    const DiffPlace placeB{sideB.previousLine(), b.line, atEnd};
    if (atLeast) {
        compareRunTimes(placeA, a, sideA.previous(), placeB, b, sideB.previous(), out);
        return false;
    }
    // Both files at the same counts now and at the stretch's start: nothing to compare.
    const auto sameCounts = [](const Clocks& x, const Clocks& y) {
        return std::memcmp(x.data(), y.data(), sizeof x) == 0;  // whole integers: no padding
    };
    const Spent& fromA = *sideA.previous().spent;
    const Spent& fromB = *sideB.previous().spent;
    const bool sameNow = sameCounts(a.spent->clocks, b.spent->clocks);
    const bool sameClocks = sameNow && (previousSame || sameCounts(fromA.clocks, fromB.clocks));
    const Count waitA = a.spent->waits - fromA.waits;
    const Count waitB = b.spent->waits - fromB.waits;
    if (sameClocks && waitA == waitB) {
        return sameNow;  // the common case: nothing to tell
    }
    StateColumns differing;
    for (size_t state = 0; state < fromA.clocks.size() && !sameClocks; ++state) {
        const Count inA = a.spent->clocks[state] - fromA.clocks[state];
        const Count inB = b.spent->clocks[state] - fromB.clocks[state];
        if (inA != inB) {
            differing.add(state, countText(inA), countText(inB));
        }
    }
    differing.report(placeA, placeB, "clocks in ", out);
    if (waitA != waitB) {
        out.push_back(
            {placeA, placeB, "minimum waits", countText(waitA) + " us", countText(waitB) + " us"});
    }
    return sameNow;
}

}  // namespace

EffectDiff::EffectDiff(const ChainDescription& chain, EffectDiffOptions options)
    : chain_(chain), options_(options) {
    if (options_.maxDifferences == 0) {
        options_.maxDifferences = 1;
    }
}

DiffResult EffectDiff::compare(kelsvfreader::SvfReader& a, kelsvfreader::SvfReader& b) const {
    ReaderSource<kelsvfreader::SvfReader> sourceA(a);
    ReaderSource<kelsvfreader::SvfReader> sourceB(b);
    return compare(sourceA, sourceB);
}

DiffResult EffectDiff::compare(StatementSource& a, StatementSource& b) const {
    DiffResult result;
    try {
        // File B plays on a second core while this thread plays A and compares.
        const bool ahead = options_.playInParallel && std::thread::hardware_concurrency() > 1;
        Side sideA(chain_, options_, a, false);
        Side sideB(chain_, options_, b, ahead);
        std::vector<EffectDifference>& found = result.differences;
        size_t delivered = 0;
        const auto deliver = [&] {
            for (; delivered < found.size() && delivered < options_.maxDifferences; ++delivered) {
                if (options_.onDifference) {
                    options_.onDifference(found[delivered]);
                }
            }
        };
        // Whether both files' clocks are known to be the same at the last events passed (at
        // the start, none spent).
        bool previousSame = true;
        for (;; deliver()) {
            bool sameNow = false;
            Effect* const nextA = sideA.next();
            Effect* const nextB = sideB.next();
            const bool moreA = nextA != nullptr;
            const bool moreB = nextB != nullptr;
            if (!moreA && !moreB) {
                compareStretches(sideA, sideA.atEnd(), sideB, sideB.atEnd(), true,
                                 options_.waitsAtLeast, previousSame, found);
                break;
            }
            if (moreA != moreB && (moreA ? sideB : sideA).readerError()) {
                break;  // a file ended at an error: that, not what the other does further, is told
            }
            if (moreA != moreB) {
                const Effect& extra = moreA ? *nextA : *nextB;
                const DiffPlace there{extra.line, extra.line, false};
                const DiffPlace end{(moreA ? sideB : sideA).previousLine(), 0, true};
                found.push_back({moreA ? there : end, moreA ? end : there, "effect",
                                 moreA ? eventText(extra) : "nothing more",
                                 moreA ? "nothing more" : eventText(extra)});
                break;
            }
            Effect& effectA = *nextA;
            Effect& effectB = *nextB;
            if (effectA.tdo != effectB.tdo) {
                // A TDO check in one file only: the other's register update is compared with
                // what comes after the check. The stretches run on from the last events that
                // both files share.
                const Effect& check = effectA.tdo ? effectA : effectB;
                const Effect& update = effectA.tdo ? effectB : effectA;
                const DiffPlace atCheck{check.line, check.line, false};
                const DiffPlace atUpdate{update.line, update.line, false};
                const std::string given =
                    effectValueText(check) + " (" + bitsText(check.bitCount) + ")";
                found.push_back({effectA.tdo ? atCheck : atUpdate, effectA.tdo ? atUpdate : atCheck,
                                 tdoWhat(check.ir), effectA.tdo ? given : "none",
                                 effectA.tdo ? "none" : given});
                (effectA.tdo ? sideB : sideA).holdBack();
            } else if (!sameEvent(effectA, effectB)) {
                found.push_back(eventDifference(effectA, effectB));
            } else {
                sameNow = compareStretches(sideA, effectA, sideB, effectB, false,
                                           options_.waitsAtLeast, previousSame, found);
            }
            if (effectA.tdo == effectB.tdo) {
                sideA.passed(effectA);
                sideB.passed(effectB);
                previousSame = sameNow;
            }
            if (found.size() >= options_.maxDifferences) {
                result.stoppedEarly = true;
                break;
            }
        }
        deliver();
        sideB.stop();
        if (found.size() > options_.maxDifferences) {
            result.stoppedEarly = true;
            found.resize(options_.maxDifferences);
        }
        result.unreadableA = sideA.readerError();
        result.unreadableB = sideB.readerError();
        result.summaryA = sideA.summary();
        result.summaryB = sideB.summary();
    } catch (const std::exception& error) {
        // Out of memory for an event's text or the queue: reported as the first file's.
        result.unreadableA = Finding{Severity::Error, 0, 0, kReaderError,
                                     std::string("the comparison stopped: ") + error.what()};
    }
    return result;
}

}  // namespace kelsvf::check
