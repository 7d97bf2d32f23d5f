#include "EffectDiff.h"

#include <array>
#include <deque>
#include <exception>
#include <utility>

#include "report/ValueText.h"

namespace kelsvf::check {
namespace {

using Clocks = std::array<uint64_t, 16>;

constexpr uint64_t kFnvOffset = 0xcbf29ce484222325ull;
constexpr uint64_t kFnvPrime = 0x100000001b3ull;

// One event of a file's effect, with the clocks and waits the file had spent when it came.
struct Effect {
    bool tdo = false;  // a TDO check, else a register update
    uint64_t line = 0;
    uint32_t device = 0;
    bool ir = false;
    uint64_t bitCount = 0;
    uint64_t valueHash = 0;  // the update's value; a check's expected bits under its mask
    uint64_t maskHash = 0;   // a check's mask
    std::string valueText;   // for the report: the value, or "EXPECTED under MASK"
    Clocks clocks{};
    uint64_t waits = 0;
};

std::string bitsText(uint64_t bitCount) {
    return std::to_string(bitCount) + (bitCount == 1 ? " bit" : " bits");
}

// A shortened value is told apart from another by its hash.
std::string shownValue(std::span<const uint8_t> bits, uint64_t bitCount, uint64_t hash) {
    std::string text = valueText(bits, bitCount);
    if (isShortened(bitCount)) {
        text += " hash " + hashText(hash);
    }
    return text;
}

// The expected bits a check compares (expected AND mask), hashed and shown; the mask too.
void describeTdo(const TdoCheck& check, Effect& effect) {
    const bool everyBit = check.mask.empty();
    uint64_t expectedHash = kFnvOffset;
    uint64_t maskHash = kFnvOffset;
    std::vector<uint8_t> compared;
    const bool shown = !isShortened(check.bitCount);
    if (shown) {
        compared.reserve(check.expected.size());
    }
    for (size_t i = 0; i < check.expected.size(); ++i) {
        const uint8_t mask = everyBit ? 0xFF : check.mask[i];
        const auto byte = static_cast<uint8_t>(check.expected[i] & mask);
        expectedHash = (expectedHash ^ byte) * kFnvPrime;
        maskHash = (maskHash ^ mask) * kFnvPrime;
        if (shown) {
            compared.push_back(byte);
        }
    }
    if (everyBit) {
        maskHash = fnv1aOfOnes(check.bitCount);  // the unused top bits of the last byte are 0
    }
    effect.valueHash = expectedHash;
    effect.maskHash = maskHash;
    effect.valueText =
        shown ? valueText(compared, check.bitCount) + " under mask " +
                    valueText(check.mask, check.bitCount)
              : "hash " + hashText(expectedHash) + " under mask hash " + hashText(maskHash);
}

// Keeps the events of one file until the comparison takes them.
class EffectQueue : public PlaySink {
  public:
    void attach(const ChainPlayer& player) { player_ = &player; }

    void deviceUpdate(const DeviceUpdate& update) override {
        Effect& effect = push(update.line);
        effect.device = update.device;
        effect.ir = update.ir;
        effect.bitCount = update.bitCount;
        effect.valueHash = update.valueHash;
        effect.valueText = shownValue(update.value, update.bitCount, update.valueHash);
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

    std::deque<Effect> effects;
    std::optional<Finding> readerError;

  private:
    Effect& push(uint64_t line) {
        Effect& effect = effects.emplace_back();
        effect.line = line;
        const PlaySummary now = player_->summary();
        effect.clocks = now.clocksInState;
        effect.waits = now.minimumWaitMicroseconds;
        return effect;
    }

    const ChainPlayer* player_ = nullptr;
};

// One file being played: its events one at a time, and where the last one left it.
class Side {
  public:
    Side(const ChainDescription& chain, const EffectDiffOptions& options,
         kelsvfreader::SvfReader& reader)
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
        while (queue_.effects.empty() && !ended_) {
            ended_ = !player_.playNext(reader_);
        }
        if (queue_.effects.empty()) {
            return false;
        }
        effect = std::move(queue_.effects.front());
        queue_.effects.pop_front();
        return true;
    }

    // The clocks and waits at the end of the file (after next() returned false).
    Effect atEnd() const {
        Effect end;
        const PlaySummary summary = player_.summary();
        end.clocks = summary.clocksInState;
        end.waits = summary.minimumWaitMicroseconds;
        return end;
    }

    // Gives `effect` back, to be the next again.
    void holdBack(Effect effect) { held_ = std::move(effect); }

    // Where the stretch up to `effect` began: the line of the event before it.
    uint64_t previousLine() const { return previous_.line; }
    const Effect& previous() const { return previous_; }
    void passed(Effect effect) { previous_ = std::move(effect); }

    PlaySummary summary() const { return player_.summary(); }
    const std::optional<Finding>& readerError() const { return queue_.readerError; }

  private:
    EffectQueue queue_;
    ChainPlayer player_;
    kelsvfreader::SvfReader& reader_;
    bool ended_ = false;
    std::optional<Effect> held_;
    Effect previous_;
};

std::string tdoWhat(bool ir) {
    return ir ? "TDO check of an IR scan" : "TDO check of a DR scan";
}

std::string eventText(const Effect& effect) {
    if (effect.tdo) {
        return tdoWhat(effect.ir) + ", " + bitsText(effect.bitCount) + ": " + effect.valueText;
    }
    return "device " + std::to_string(effect.device) + (effect.ir ? " instruction " : " data ") +
           effect.valueText + " (" + bitsText(effect.bitCount) + ")";
}

bool sameEvent(const Effect& a, const Effect& b) {
    return a.tdo == b.tdo && a.device == b.device && a.ir == b.ir && a.bitCount == b.bitCount &&
           a.valueHash == b.valueHash && a.maskHash == b.maskHash && a.valueText == b.valueText;
}

EffectDifference eventDifference(const Effect& a, const Effect& b) {
    EffectDifference difference{{a.line, a.line, false}, {b.line, b.line, false}, "", "", ""};
    if (!a.tdo && !b.tdo && a.device == b.device && a.ir == b.ir) {
        difference.what = "device " + std::to_string(a.device) + (a.ir ? " instruction" : " data");
        difference.aSide = a.valueText + " (" + bitsText(a.bitCount) + ")";
        difference.bSide = b.valueText + " (" + bitsText(b.bitCount) + ")";
    } else if (a.tdo && b.tdo && a.ir == b.ir) {
        difference.what = tdoWhat(a.ir);
        difference.aSide = a.valueText + " (" + bitsText(a.bitCount) + ")";
        difference.bSide = b.valueText + " (" + bitsText(b.bitCount) + ")";
    } else {
        difference.what = "effect";
        difference.aSide = eventText(a);
        difference.bSide = eventText(b);
    }
    return difference;
}

// The clocks and waits of the stretches [previous, effect] of both files, when they differ.
void compareStretches(const Side& sideA, const Effect& a, const Side& sideB, const Effect& b,
                      bool atEnd, std::vector<EffectDifference>& out) {
    const DiffPlace placeA{sideA.previousLine(), a.line, atEnd};
    const DiffPlace placeB{sideB.previousLine(), b.line, atEnd};
    std::string states;
    std::string aClocks;
    std::string bClocks;
    for (size_t state = 0; state < a.clocks.size(); ++state) {
        const uint64_t inA = a.clocks[state] - sideA.previous().clocks[state];
        const uint64_t inB = b.clocks[state] - sideB.previous().clocks[state];
        if (inA != inB) {
            const char* separator = states.empty() ? "" : ", ";
            states += separator;
            states += kelsvfreader::svfStateName(static_cast<kelsvfreader::TapState>(state));
            aClocks += separator + std::to_string(inA);
            bClocks += separator + std::to_string(inB);
        }
    }
    if (!states.empty()) {
        out.push_back({placeA, placeB, "clocks in " + states, aClocks, bClocks});
    }
    const uint64_t waitA = a.waits - sideA.previous().waits;
    const uint64_t waitB = b.waits - sideB.previous().waits;
    if (waitA != waitB) {
        out.push_back({placeA, placeB, "minimum waits", std::to_string(waitA) + " us",
                       std::to_string(waitB) + " us"});
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
    DiffResult result;
    try {
        Side sideA(chain_, options_, a);
        Side sideB(chain_, options_, b);
        std::vector<EffectDifference>& found = result.differences;
        Effect effectA;
        Effect effectB;
        for (;;) {
            const bool moreA = sideA.next(effectA);
            const bool moreB = sideB.next(effectB);
            if (!moreA && !moreB) {
                compareStretches(sideA, sideA.atEnd(), sideB, sideB.atEnd(), true, found);
                break;
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
                const std::string given = check.valueText + " (" + bitsText(check.bitCount) + ")";
                found.push_back({effectA.tdo ? atCheck : atUpdate, effectA.tdo ? atUpdate : atCheck,
                                 tdoWhat(check.ir), effectA.tdo ? given : "none",
                                 effectA.tdo ? "none" : given});
                (effectA.tdo ? sideB : sideA).holdBack(std::move(effectA.tdo ? effectB : effectA));
            } else if (!sameEvent(effectA, effectB)) {
                found.push_back(eventDifference(effectA, effectB));
            } else {
                compareStretches(sideA, effectA, sideB, effectB, false, found);
            }
            if (effectA.tdo == effectB.tdo) {
                sideA.passed(std::move(effectA));
                sideB.passed(std::move(effectB));
            }
            if (found.size() >= options_.maxDifferences) {
                result.stoppedEarly = true;
                break;
            }
        }
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
