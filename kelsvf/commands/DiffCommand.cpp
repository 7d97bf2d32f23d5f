// kelsvf diff: plays two SVF files on the same simulated chain and tells whether they do the
// same to it, and where they do not.
#include <cinttypes>
#include <cstdio>

#include "EffectDiff.h"
#include "commands/Commands.h"
#include "commands/PlayInput.h"
#include "common/ExitCodes.h"
#include "output/ReportOutput.h"

namespace kelsvf {
namespace {

// "a.svf:14", "a.svf:14-20", "a.svf:20-end"; a stretch from the start begins at line 1.
std::string placeText(const std::string& name, const check::DiffPlace& place) {
    if (place.from == place.to && !place.atEnd) {
        return name + ":" + std::to_string(place.to);
    }
    return name + ":" + std::to_string(place.from == 0 ? 1 : place.from) + "-" +
           (place.atEnd ? std::string("end") : std::to_string(place.to));
}

void reportUnreadable(const std::string& name, const std::optional<check::Finding>& finding) {
    if (!finding) {
        return;
    }
    std::fprintf(stderr, "kelsvf: %s:%" PRIu64, name.c_str(), finding->line);
    if (finding->column != 0) {
        std::fprintf(stderr, ":%" PRIu64, finding->column);
    }
    std::fprintf(stderr, ": %s (not read as SVF; the files were not compared)\n",
                 finding->text.c_str());
}

void printNote(const std::string& name, const check::SourceNote& note) {
    std::fprintf(stderr, "%s:%" PRIu64 ": warning: %s [%s]\n", name.c_str(), note.line,
                 note.text.c_str(), note.kind.c_str());
}

}  // namespace

int diffCommand(const CommandLine& line) {
    const DiffOptions& options = line.diff;
    int exitCode = 0;
    const std::optional<check::ChainDescription> chain =
        resolveChainForCommand(options.chain, exitCode);
    if (!chain) {
        return exitCode;
    }
    PlayInput a = openPlayInput(options.fileA);
    if (a.source == nullptr) {
        return kExitUnreadableInput;
    }
    PlayInput b = openPlayInput(options.fileB);
    if (b.source == nullptr) {
        return kExitUnreadableInput;
    }
    PlayReader readerA(std::move(a.source));
    PlayReader readerB(std::move(b.source));
    // The XSVF reader's warnings, as check reports them: the effect compared is the file read
    // as they say.
    readerA.onNote([&a](const check::SourceNote& note) { printNote(a.name, note); });
    readerB.onNote([&b](const check::SourceNote& note) { printNote(b.name, note); });

    check::EffectDiffOptions diffOptions;
    diffOptions.maxDifferences = options.maxDifferences;
    diffOptions.waitsAtLeast = options.waitsAtLeast;
    diffOptions.frequencyHz = options.chain.frequencyHz;
    // File B plays ahead on a thread of its own, but not where that shows: an XSVF reader
    // prints its notes as it reads, and standard input may wait on its writer after the
    // comparison has stopped.
    diffOptions.playInParallel = !readerB.xsvf() && options.fileB != "-";
    // Each difference as soon as it is found: a long comparison shows its first at once.
    diffOptions.onDifference = [&](const check::EffectDifference& difference) {
        std::printf("%s %s: %s: %s | %s\n", placeText(a.name, difference.a).c_str(),
                    placeText(b.name, difference.b).c_str(), difference.what.c_str(),
                    difference.aSide.c_str(), difference.bSide.c_str());
        std::fflush(stdout);
    };
    const check::EffectDiff diff(*chain, diffOptions);
    const check::DiffResult result = diff.compare(readerA.source(), readerB.source());
    if (result.unreadableA || result.unreadableB) {
        finishReportOutput();
        reportUnreadable(a.name, result.unreadableA);
        reportUnreadable(b.name, result.unreadableB);
        return kExitUnreadableInput;
    }

    const std::string chainText = chain->describe();
    if (result.same() && options.waitsAtLeast) {
        const check::PlaySummary& summary = result.summaryA;
        std::printf("%s and %s have the same effect on %s: %" PRIu64 " instruction and %" PRIu64
                    " data register updates, %" PRIu64
                    " TDO checks; %s waits at least as long "
                    "as %s in every run state\n",
                    a.name.c_str(), b.name.c_str(), chainText.c_str(), summary.irUpdates,
                    summary.drUpdates, summary.tdoChecks, b.name.c_str(), a.name.c_str());
    } else if (result.same()) {
        const check::PlaySummary& summary = result.summaryA;
        std::printf("%s and %s have the same effect on %s: %" PRIu64 " instruction and %" PRIu64
                    " data register updates, %" PRIu64
                    " TDO checks, %s TCK clocks, %s us of RUNTEST minimum times\n",
                    a.name.c_str(), b.name.c_str(), chainText.c_str(), summary.irUpdates,
                    summary.drUpdates, summary.tdoChecks,
                    check::countText(summary.totalClocks).c_str(),
                    check::countText(summary.minimumWaitMicroseconds).c_str());
    } else {
        const size_t count = result.differences.size();
        std::printf("%s and %s differ in effect on %s: %s%zu difference%s%s%s\n", a.name.c_str(),
                    b.name.c_str(), chainText.c_str(), result.stoppedEarly ? "the first " : "",
                    count, count == 1 ? "" : "s",
                    result.stoppedEarly ? "; the comparison stopped there" : "",
                    options.waitsAtLeast ? " (waits compared as at least)" : "");
    }
    if (!finishReportOutput()) {
        return kExitUnreadableInput;
    }
    return result.same() ? kExitOk : kExitDifferentEffect;
}

}  // namespace kelsvf
