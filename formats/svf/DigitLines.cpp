#include "kelsvfreader/DigitLines.h"

#include <algorithm>
#include <atomic>
#include <new>

namespace kelsvfreader {
namespace {

// Runs held by the maps alive in the process: a diff keeps many values at once.
std::atomic<uint64_t> liveRuns{0};

}  // namespace

DigitLines::~DigitLines() {
    liveRuns.fetch_sub(runs_.size(), std::memory_order_relaxed);
}

uint64_t DigitLines::lineOfDigit(uint64_t digit) const {
    const auto after =
        std::upper_bound(runs_.begin(), runs_.end(), digit,
                         [](uint64_t d, const Run& run) { return d < run.firstDigit; });
    if (after == runs_.begin()) {
        return 0;
    }
    const Run& run = *(after - 1);
    const uint64_t index =
        run.digitsPerLine == 0 ? 0 : (digit - run.firstDigit) / run.digitsPerLine;
    return run.firstLine + std::min(index, run.lineCount - 1);
}

uint64_t DigitLines::lineOfBit(uint64_t bit) const {
    if (bit >= bitCount_ || bit / 4 >= digits_) {
        return 0;
    }
    return lineOfDigit(digits_ - 1 - bit / 4);
}

void DigitLinesBuilder::lineEndOther(uint64_t digits, uint64_t from, uint64_t to) noexcept {
    if (dropped_) {
        return;
    }
    if (!started_) {
        started_ = true;
        pendingDigit_ = 0;
        pendingLine_ = from;
    }
    if (digits != pendingDigit_) {
        try {
            commit(pendingDigit_, pendingLine_);
        } catch (const std::bad_alloc&) {
            dropped_ = true;
            return;
        }
        pendingDigit_ = digits;
    }
    pendingLine_ = to;  // a line without digits (a comment, a blank line) is no line of digits
}

void DigitLinesBuilder::commit(uint64_t digit, uint64_t line) {
    if (!runs_.empty()) {
        DigitLines::Run& run = runs_.back();
        if (line == run.firstLine + run.lineCount) {
            if (run.lineCount == 1) {
                run.digitsPerLine = digit - run.firstDigit;
                run.lineCount = 2;
                nextLine_ = line + 1;
                nextDigit_ = digit + run.digitsPerLine;
                return;
            }
            if (digit == run.firstDigit + run.lineCount * run.digitsPerLine) {
                ++run.lineCount;
                ++nextLine_;
                nextDigit_ += run.digitsPerLine;
                return;
            }
        }
    }
    nextDigit_ = UINT64_MAX;
    if (runs_.size() == DigitLines::kMaxRuns) {
        dropped_ = true;
        runs_.clear();
        return;
    }
    runs_.push_back({digit, line, 0, 1});
}

std::shared_ptr<const DigitLines> DigitLinesBuilder::finish(uint64_t digits,
                                                            uint64_t bitCount) noexcept {
    std::shared_ptr<DigitLines> lines;
    try {
        if (started_ && !dropped_ && digits != pendingDigit_) {
            commit(pendingDigit_, pendingLine_);
        }
        if (started_ && !dropped_ && !runs_.empty()) {
            std::shared_ptr<DigitLines> made(new DigitLines);
            made->runs_ = runs_;  // a copy of its own size; the builder keeps its buffer
            made->digits_ = digits;
            made->bitCount_ = bitCount;
            const uint64_t count = made->runs_.size();
            if (liveRuns.fetch_add(count, std::memory_order_relaxed) + count <=
                DigitLines::kRunBudget) {
                lines = std::move(made);
            } else {
                liveRuns.fetch_sub(count, std::memory_order_relaxed);
                made->runs_.clear();
            }
        }
    } catch (const std::bad_alloc&) {
        lines.reset();
    }
    reset();
    return lines;
}

void DigitLinesBuilder::reset() noexcept {
    runs_.clear();
    nextDigit_ = UINT64_MAX;
    started_ = false;
    dropped_ = false;
}

}  // namespace kelsvfreader
