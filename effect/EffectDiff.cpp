#include "EffectDiff.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <exception>
#include <utility>

#include "BitBuffer.h"
#include "report/ValueText.h"

namespace kelsvf::check {
namespace {

using Clocks = std::array<Count, 16>;

// One event of a file's effect, with the clocks and waits the file had spent when it came.
struct Effect {
    bool tdo = false;  // a TDO check, else a register update
    uint64_t line = 0;
    uint32_t device = 0;
    bool ir = false;
    uint64_t bitCount = 0;
    std::vector<uint8_t> value;        // the update's value; a check's expected bits under its mask
    std::vector<uint8_t> mask;         // a check's mask (every bit compared: all ones)
    std::vector<ValueSource> sources;  // an update's: the statements its bits came from
    Clocks clocks{};
    Count waits = 0;
    std::array<double, 16> run{};  // RUNTEST time in each run state, in microseconds
};

std::string bitsText(uint64_t bitCount) {
    return std::to_string(bitCount) + (bitCount == 1 ? " bit" : " bits");
}

// A shortened value is told apart from another by its digest.
std::string shownValue(const std::vector<uint8_t>& bits, uint64_t bitCount) {
    std::string text = valueText(bits, bitCount);
    if (isShortened(bitCount)) {
        text += " sha256 " + digestText(bits, bitCount);
    }
    return text;
}

std::string effectValueText(const Effect& effect) {
    if (!effect.tdo) {
        return shownValue(effect.value, effect.bitCount);
    }
    return shownValue(effect.value, effect.bitCount) + " under mask " +
           shownValue(effect.mask, effect.bitCount);
}

// The lowest bit at which two values of the same length differ, when they do.
std::optional<uint64_t> firstDifference(const std::vector<uint8_t>& a,
                                        const std::vector<uint8_t>& b) {
    const auto [inA, inB] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (inA == a.end() || inB == b.end()) {
        return std::nullopt;
    }
    const auto byte = static_cast<uint64_t>(inA - a.begin());
    return byte * 8 + static_cast<uint64_t>(std::countr_zero(static_cast<unsigned>(*inA ^ *inB)));
}

// The expected bits a check compares (expected AND mask), and the mask.
void describeTdo(const TdoCheck& check, Effect& effect) {
    const bool everyBit = check.mask.empty();
    effect.value.assign(check.expected.begin(), check.expected.end());
    if (everyBit) {
        effect.mask.assign(check.expected.size(), 0xFF);
        clearTail(effect.mask, check.bitCount);
    } else {
        effect.mask.assign(check.mask.begin(), check.mask.end());
    }
    for (size_t i = 0; i < effect.value.size(); ++i) {
        effect.value[i] = static_cast<uint8_t>(effect.value[i] & effect.mask[i]);
    }
}

// Keeps the events of one file until the comparison takes them. The events live in a ring whose
// slots keep their buffers, so that a file of many small events allocates nothing per event.
class EffectQueue : public PlaySink {
  public:
    void attach(const ChainPlayer& player) { player_ = &player; }

    void deviceUpdate(const DeviceUpdate& update) override {
        Effect& effect = push(update.line);
        effect.device = update.device;
        effect.ir = update.ir;
        effect.bitCount = update.bitCount;
        effect.value.assign(update.value.begin(), update.value.end());
        effect.sources.assign(update.sources.begin(), update.sources.end());
    }

    void tdoCheck(const TdoCheck& check) override {
        Effect& effect = push(check.line);
        effect.tdo = true;
        effect.ir = check.ir;
        effect.bitCount = check.bitCount;
        describeTdo(check, effect);
    }

    void finding(const Finding& finding) override {
        if (finding.kind == kReaderError && !readerError) {
            readerError = finding;
        }
    }

    bool empty() const { return count_ == 0; }
    // The oldest event into `effect`, whose buffers the slot keeps for a later event.
    void pop(Effect& effect) {
        Effect& slot = slots_[head_];
        effect.tdo = slot.tdo;
        effect.line = slot.line;
        effect.device = slot.device;
        effect.ir = slot.ir;
        effect.bitCount = slot.bitCount;
        effect.clocks = slot.clocks;
        effect.waits = slot.waits;
        effect.run = slot.run;
        effect.value.swap(slot.value);
        effect.mask.swap(slot.mask);
        effect.sources.swap(slot.sources);
        // A large buffer is not kept for the rest of the file.
        releaseIfLarge(slot.value);
        releaseIfLarge(slot.mask);
        releaseIfLarge(slot.sources);
        head_ = (head_ + 1) % slots_.size();
        --count_;
    }

    std::optional<Finding> readerError;

  private:
    static constexpr size_t kKeptBytes = 64 * 1024;

    template <typename T>
    static void releaseIfLarge(std::vector<T>& buffer) {
        if (buffer.capacity() * sizeof(T) > kKeptBytes) {
            std::vector<T>().swap(buffer);
        }
    }

    Effect& push(uint64_t line) {
        if (count_ == slots_.size()) {
            std::rotate(slots_.begin(), slots_.begin() + static_cast<std::ptrdiff_t>(head_),
                        slots_.end());
            head_ = 0;
            slots_.emplace_back();
        }
        Effect& effect = slots_[(head_ + count_) % slots_.size()];
        ++count_;
        effect.tdo = false;
        effect.line = line;
        effect.device = 0;
        effect.ir = false;
        effect.bitCount = 0;
        effect.value.clear();
        effect.mask.clear();
        effect.sources.clear();
        effect.clocks = player_->clocksInState();
        effect.waits = player_->minimumWaitMicroseconds();
        effect.run = player_->runMicroseconds();
        return effect;
    }

    const ChainPlayer* player_ = nullptr;
    std::vector<Effect> slots_;
    size_t head_ = 0;
    size_t count_ = 0;
};

// One file being played: its events one at a time, and where the last one left it.
class Side {
  public:
    Side(const ChainDescription& chain, const EffectDiffOptions& options, StatementSource& reader)
        : player_(chain, queue_, PlayOptions{options.frequencyHz}), reader_(reader) {
        queue_.attach(player_);
    }

    // The next event; false when the file has no more.
    bool next(Effect& effect) {
        if (held_) {
            effect = std::move(*held_);
            held_.reset();
            return true;
        }
        while (queue_.empty() && !ended_) {
            ended_ = !player_.playNext(reader_);
        }
        if (queue_.empty()) {
            return false;
        }
        queue_.pop(effect);
        return true;
    }

    // The clocks and waits at the end of the file (after next() returned false).
    Effect atEnd() const {
        Effect end;
        const PlaySummary summary = player_.summary();
        end.clocks = summary.clocksInState;
        end.waits = summary.minimumWaitMicroseconds;
        end.run = summary.runMicroseconds;
        return end;
    }

    // Gives `effect` back, to be the next again.
    void holdBack(Effect effect) { held_ = std::move(effect); }

    // Where the stretch up to `effect` began: the line of the event before it.
    uint64_t previousLine() const { return previous_.line; }
    const Effect& previous() const { return previous_; }
    // Only its place, clocks and waits are needed from here on; the caller keeps its buffers.
    void passed(const Effect& effect) {
        previous_.tdo = effect.tdo;
        previous_.line = effect.line;
        previous_.device = effect.device;
        previous_.ir = effect.ir;
        previous_.bitCount = effect.bitCount;
        previous_.clocks = effect.clocks;
        previous_.waits = effect.waits;
        previous_.run = effect.run;
    }

    PlaySummary summary() const { return player_.summary(); }
    const std::optional<Finding>& readerError() const { return queue_.readerError; }

  private:
    EffectQueue queue_;
    ChainPlayer player_;
    StatementSource& reader_;
    bool ended_ = false;
    std::optional<Effect> held_;
    Effect previous_;
};

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
           a.value == b.value && a.mask == b.mask;
}

// The line of the statement that shifted bit `bit` of an update, 0 when not known.
uint64_t lineOfBit(const Effect& effect, uint64_t bit) {
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
// the statements that shifted that bit in each file.
std::string firstDifferenceText(const Effect& a, const Effect& b) {
    if (a.bitCount != b.bitCount || !isShortened(a.bitCount)) {
        return "";
    }
    std::optional<uint64_t> at = firstDifference(a.value, b.value);
    if (const std::optional<uint64_t> inMask = firstDifference(a.mask, b.mask);
        inMask && (!at || *inMask < *at)) {
        at = inMask;
    }
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

// B's RUNTEST time in each run state of the stretch, where it is shorter than A's. A
// microsecond's fraction is the rounding of clocks at a frequency, not a shorter wait.
void compareRunTimes(const DiffPlace& placeA, const Effect& a, const Effect& previousA,
                     const DiffPlace& placeB, const Effect& b, const Effect& previousB,
                     std::vector<EffectDifference>& out) {
    std::string states;
    std::string aTimes;
    std::string bTimes;
    for (size_t state = 0; state < a.run.size(); ++state) {
        const double inA = a.run[state] - previousA.run[state];
        const double inB = b.run[state] - previousB.run[state];
        if (inB + 0.5 < inA) {
            const char* separator = states.empty() ? "" : ", ";
            states += separator;
            states += kelsvfreader::svfStateName(static_cast<kelsvfreader::TapState>(state));
            aTimes += separator + microsecondsText(inA);
            bTimes += separator + microsecondsText(inB);
        }
    }
    if (!states.empty()) {
        out.push_back({placeA, placeB, "shorter waits in " + states, aTimes, bTimes});
    }
}

// The clocks and waits of the stretches [previous, effect] of both files, when they differ.
void compareStretches(const Side& sideA, const Effect& a, const Side& sideB, const Effect& b,
                      bool atEnd, bool atLeast, std::vector<EffectDifference>& out) {
    const DiffPlace placeA{sideA.previousLine(), a.line, atEnd};
    const DiffPlace placeB{sideB.previousLine(), b.line, atEnd};
    if (atLeast) {
        compareRunTimes(placeA, a, sideA.previous(), placeB, b, sideB.previous(), out);
        return;
    }
    // Both files at the same counts now and at the stretch's start: nothing to compare.
    const auto sameCounts = [](const Clocks& x, const Clocks& y) {
        return std::memcmp(x.data(), y.data(), sizeof x) == 0;  // whole integers: no padding
    };
    const bool sameClocks = sameCounts(a.clocks, b.clocks) &&
                            sameCounts(sideA.previous().clocks, sideB.previous().clocks);
    std::string states;
    std::string aClocks;
    std::string bClocks;
    for (size_t state = 0; state < a.clocks.size() && !sameClocks; ++state) {
        const Count inA = a.clocks[state] - sideA.previous().clocks[state];
        const Count inB = b.clocks[state] - sideB.previous().clocks[state];
        if (inA != inB) {
            const char* separator = states.empty() ? "" : ", ";
            states += separator;
            states += kelsvfreader::svfStateName(static_cast<kelsvfreader::TapState>(state));
            aClocks += separator + countText(inA);
            bClocks += separator + countText(inB);
        }
    }
    if (!states.empty()) {
        out.push_back({placeA, placeB, "clocks in " + states, aClocks, bClocks});
    }
    const Count waitA = a.waits - sideA.previous().waits;
    const Count waitB = b.waits - sideB.previous().waits;
    if (waitA != waitB) {
        out.push_back(
            {placeA, placeB, "minimum waits", countText(waitA) + " us", countText(waitB) + " us"});
    }
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
        Side sideA(chain_, options_, a);
        Side sideB(chain_, options_, b);
        std::vector<EffectDifference>& found = result.differences;
        size_t delivered = 0;
        const auto deliver = [&] {
            for (; delivered < found.size() && delivered < options_.maxDifferences; ++delivered) {
                if (options_.onDifference) {
                    options_.onDifference(found[delivered]);
                }
            }
        };
        Effect effectA;
        Effect effectB;
        for (;; deliver()) {
            const bool moreA = sideA.next(effectA);
            const bool moreB = sideB.next(effectB);
            if (!moreA && !moreB) {
                compareStretches(sideA, sideA.atEnd(), sideB, sideB.atEnd(), true,
                                 options_.waitsAtLeast, found);
                break;
            }
            if (moreA != moreB && (moreA ? sideB : sideA).readerError()) {
                break;  // a file ended at an error: that, not what the other does further, is told
            }
            if (moreA != moreB) {
                const Effect& extra = moreA ? effectA : effectB;
                const DiffPlace there{extra.line, extra.line, false};
                const DiffPlace end{(moreA ? sideB : sideA).previousLine(), 0, true};
                found.push_back({moreA ? there : end, moreA ? end : there, "effect",
                                 moreA ? eventText(extra) : "nothing more",
                                 moreA ? "nothing more" : eventText(extra)});
                break;
            }
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
                (effectA.tdo ? sideB : sideA).holdBack(std::move(effectA.tdo ? effectB : effectA));
            } else if (!sameEvent(effectA, effectB)) {
                found.push_back(eventDifference(effectA, effectB));
            } else {
                compareStretches(sideA, effectA, sideB, effectB, false, options_.waitsAtLeast,
                                 found);
            }
            if (effectA.tdo == effectB.tdo) {
                sideA.passed(effectA);
                sideB.passed(effectB);
            }
            if (found.size() >= options_.maxDifferences) {
                result.stoppedEarly = true;
                break;
            }
        }
        deliver();
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
