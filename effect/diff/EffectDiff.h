// Compares what two SVF files do to the same chain: both are played on simulated chains of the
// same description, one statement at a time in turn, and their effects are compared one event
// at a time, so that memory stays bounded by the largest scan of either file.
//
// Two files have the same effect when they report the same register updates (device, IR or DR,
// length, every bit of the value) and the same TDO checks (length, every bit of the mask and of
// the expected values under it) in
// the same order, and between each event and the next, the same clocks in each TAP state and
// the same minimum waits. How the text says it (line breaks, letter case, hex digit counts,
// headers written again, STATE paths spelled out) does not matter.
//
//   kelsvf::check::EffectDiff diff(chain, {.maxDifferences = 10});
//   const kelsvf::check::DiffResult result = diff.compare(readerA, readerB);
#ifndef KELSVF_CHECK_EFFECT_DIFF_H
#define KELSVF_CHECK_EFFECT_DIFF_H

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ChainDescription.h"
#include "ChainPlayer.h"
#include "PlayEvents.h"
#include "kelsvfreader/SvfReader.h"

namespace kelsvf::check {

// Where a difference lies in one file: the statement of an event (`from` == `to`), or the
// stretch of statements from the event before (`from`, 0 for the file's start) to the event at
// `to` (or to the end of the file: `atEnd`), where clocks and waits are compared.
struct DiffPlace {
    uint64_t from = 0;
    uint64_t to = 0;
    bool atEnd = false;
};

struct EffectDifference {
    DiffPlace a;
    DiffPlace b;
    std::string what;   // "device 1 data", "clocks in IDLE", "minimum waits"
    std::string aSide;  // what file A does there: "12345678 (32 bits)", "100"
    std::string bSide;  // what file B does there
};

struct DiffResult {
    std::vector<EffectDifference> differences;
    bool stoppedEarly = false;  // maxDifferences were found; there may be more
    // A file the reader refused (or that ran out of memory): its finding; the comparison
    // stopped there.
    std::optional<Finding> unreadableA;
    std::optional<Finding> unreadableB;
    // What each file's play counted: the whole file's when both were played to their ends
    // (same()); after an early stop, file B's may count statements past the comparison's end.
    PlaySummary summaryA;
    PlaySummary summaryB;

    bool same() const { return differences.empty() && !unreadableA && !unreadableB; }
};

struct EffectDiffOptions {
    size_t maxDifferences = 10;  // at least 1
    double frequencyHz = 1e6;    // the players' replay-time assumption; no part of the effect
    // Waits compared as "at least": instead of the same clocks in each state and the same
    // minimum waits, file B's RUNTESTs must take at least file A's time in each run state
    // (clocks at the FREQUENCY in force, else frequencyHz), between each event and the next.
    // For conversions whose waits change form (XSVF has no clocks without time).
    bool waitsAtLeast = false;
    // Called with each difference as soon as it is found (up to maxDifferences), before
    // compare() returns; DiffResult holds them all the same.
    std::function<void(const EffectDifference&)> onDifference{};
    // Plays file B on a thread of its own where the machine has more than one core: the same
    // result, sooner.
    bool playInParallel = true;
};

class EffectDiff {
  public:
    EffectDiff(const ChainDescription& chain, EffectDiffOptions options = {});

    // Plays both texts to their ends (or to maxDifferences) and compares them. Throws nothing.
    DiffResult compare(kelsvfreader::SvfReader& a, kelsvfreader::SvfReader& b) const;
    DiffResult compare(StatementSource& a, StatementSource& b) const;

  private:
    ChainDescription chain_;
    EffectDiffOptions options_;
};

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_EFFECT_DIFF_H
