// Where the digits of a hex value written over several lines lie, so that a tool can name the
// line of the digit that holds a bit. Kept as runs of lines of equal width: a value written in
// lines of one width costs one run however long it is. Values on one line get no map.
#ifndef KELSVFREADER_DIGIT_LINES_H
#define KELSVFREADER_DIGIT_LINES_H

#include <cstdint>
#include <memory>
#include <vector>

namespace kelsvfreader {

// Shared: a tool that keeps a value keeps its map with shared_from_this().
class DigitLines : public std::enable_shared_from_this<DigitLines> {
  public:
    // Lines firstLine .. firstLine + lineCount - 1 begin at digits firstDigit + k * digitsPerLine
    // (digits counted from the '(' on, leading zeros included).
    struct Run {
        uint64_t firstDigit = 0;
        uint64_t firstLine = 0;
        uint64_t digitsPerLine = 0;
        uint64_t lineCount = 0;
    };
    // A value with more runs has no map (tools then name the statement's line), and all maps
    // alive at once hold at most kRunBudget runs.
    static constexpr size_t kMaxRuns = 4096;
    static constexpr uint64_t kRunBudget = uint64_t{1} << 20;

    DigitLines(const DigitLines&) = delete;
    DigitLines& operator=(const DigitLines&) = delete;
    ~DigitLines();

    // The line of the digit that holds bit `bit` of the value (bit 0 in the last digit); 0 when
    // the bit lies past the length or above the digits written.
    uint64_t lineOfBit(uint64_t bit) const;
    uint64_t lineOfDigit(uint64_t digit) const;
    const std::vector<Run>& runs() const { return runs_; }

  private:
    friend class DigitLinesBuilder;
    DigitLines() = default;

    std::vector<Run> runs_;
    uint64_t digits_ = 0;
    uint64_t bitCount_ = 0;
};

// Collects a value's line ends while it is read; nothing happens for a value on one line.
class DigitLinesBuilder {
  public:
    // A line end inside the value after `digits` digits took the text from line `from` to `to`.
    // Inline for the common case, a line as wide as the ones before it.
    void lineEnd(uint64_t digits, uint64_t from, uint64_t to) noexcept {
        if (from == to) {
            return;  // the LF of a CR LF
        }
        if (started_ && digits != pendingDigit_ && pendingLine_ == nextLine_ &&
            pendingDigit_ == nextDigit_) {
            DigitLines::Run& run = runs_.back();
            ++run.lineCount;
            ++nextLine_;
            nextDigit_ += run.digitsPerLine;
            pendingDigit_ = digits;
            pendingLine_ = to;
            return;
        }
        lineEndOther(digits, from, to);
    }
    bool empty() const { return !started_; }
    // The map of the value just read (null past a cap or without memory); ready for the next.
    std::shared_ptr<const DigitLines> finish(uint64_t digits, uint64_t bitCount) noexcept;
    void reset() noexcept;

  private:
    void lineEndOther(uint64_t digits, uint64_t from, uint64_t to) noexcept;
    void commit(uint64_t digit, uint64_t line);

    std::vector<DigitLines::Run> runs_;
    uint64_t pendingDigit_ = 0;  // the last line seen, not yet in a run: it may hold no digit
    uint64_t pendingLine_ = 0;
    // Where the last run goes on: its next line and that line's first digit (none while the
    // run has one line, and never when dropped).
    uint64_t nextLine_ = 0;
    uint64_t nextDigit_ = UINT64_MAX;
    bool started_ = false;
    bool dropped_ = false;
};

}  // namespace kelsvfreader

#endif  // KELSVFREADER_DIGIT_LINES_H
