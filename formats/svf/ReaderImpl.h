// The state of one SVF reader and the parts of a statement it reads, shared by the files that
// read each group of statements.
#ifndef KELSVFREADER_READER_IMPL_H
#define KELSVFREADER_READER_IMPL_H

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "SvfLexer.h"
#include "SvfNumbers.h"
#include "kelsvfreader/SvfReader.h"

namespace kelsvfreader {

// The reader's way to the vectors that ScanValues resolves.
class ScanValuesStore {
  public:
    static Bits& bits(ScanValues& values, bool smask) {
        return smask ? values.smask_ : values.mask_;
    }
    static bool& allOnes(ScanValues& values, bool smask) {
        return smask ? values.smaskAllOnes_ : values.maskAllOnes_;
    }
};

// The text of a statement read in one step, from after its keyword up to and including its ';'.
class OneStepText {
  public:
    static constexpr size_t kMostBytes = 128;  // longer texts are not kept

    // True when the block at `at` begins with the kept text.
    bool repeatsAt(const char* at, const char* end) const {
        if (static_cast<size_t>(end - at) < length_) {
            return false;  // also when nothing is kept
        }
        if (length_ < 8) {
            return std::memcmp(at, text_, length_) == 0;
        }
        // Eight bytes at a time, the last eight overlapping: texts are short, a call costs more.
        for (size_t i = 0; i + 8 < length_; i += 8) {
            if (word(at + i) != word(text_ + i)) {
                return false;
            }
        }
        return word(at + length_ - 8) == word(text_ + length_ - 8);
    }
    void keep(const char* at, size_t length) {
        if (length == 0 || length > kMostBytes) {
            forget();
            return;
        }
        length_ = length;
        std::memcpy(text_, at, length_);
    }
    void forget() { length_ = kNothing; }

  private:
    static uint64_t word(const char* at) {
        uint64_t value = 0;
        std::memcpy(&value, at, sizeof value);
        return value;
    }

    // Longer than any block can be: nothing kept fails the first test of repeatsAt.
    static constexpr size_t kNothing = SIZE_MAX;
    size_t length_ = kNothing;
    char text_[kMostBytes];
};

// What the one-step reading of a scan found in its text, kept with the text: the same text
// again is not parsed again (see FastStatements.cpp for why it reads the same).
struct OneStepScan {
    enum Vector : uint8_t { kTdi, kTdo, kMask, kSmask, kVectorCount };
    OneStepText text;
    size_t length = 0;  // of the text
    uint32_t bitCount = 0;
    std::array<bool, kVectorCount> given{};
    std::array<Bits, kVectorCount> vectors;  // as decoded, those given
    size_t tdoOffset = 0;                    // of TDO's name in the text
};

// The last two one-step scans of a kind (a write and a verify often alternate).
struct OneStepScans {
    std::array<OneStepScan, 2> kept;
    size_t lastUsed = 0;
    // The one whose vectors the values in force hold, unchanged since: null when another
    // reading of the kind came after it.
    const OneStepScan* inForce = nullptr;
    void forget() {
        kept[0].text.forget();
        kept[1].text.forget();
        inForce = nullptr;
    }
};

struct OneStepRunTest {
    OneStepText text;
    size_t length = 0;
    uint64_t count = 0;  // of TCK clocks
};

// HIR, HDR, TIR, TDR, SIR or SDR: the scan kind of a scan keyword.
inline ScanKind scanKindOf(Keyword keyword) {
    switch (keyword) {
        case Keyword::HIR:
            return ScanKind::HIR;
        case Keyword::HDR:
            return ScanKind::HDR;
        case Keyword::TIR:
            return ScanKind::TIR;
        case Keyword::TDR:
            return ScanKind::TDR;
        case Keyword::SIR:
            return ScanKind::SIR;
        default:
            return ScanKind::SDR;
    }
}

struct SvfReader::Impl {
    enum class Token : uint8_t { Word, End, Open, Close, Eof };
    struct WordAt {
        std::string text;
        Position at;
    };

    explicit Impl(std::unique_ptr<TextSource> source) : lexer(std::move(source)) {}

    bool next(Statement& statement);
    // SDR or RUNTEST read at once when the block shows it whole; nothing read otherwise.
    std::optional<Keyword> fastKeyword() {
        // The two keywords of most statements, upper case and followed by a blank, in the block;
        // a space after them, the common blank, costs one test.
        const char* at = lexer.blockRest();
        const auto rest = static_cast<size_t>(lexer.blockEnd() - at);
        if (rest >= 8) {
            if (load<uint32_t>(at) == load<uint32_t>("SDR ")) {
                lexer.skipInLine(3);
                return Keyword::SDR;
            }
            if (load<uint64_t>(at) == load<uint64_t>("RUNTEST ")) {
                lexer.skipInLine(7);
                return Keyword::RunTest;
            }
        }
        const auto blankAt = [&](size_t i) {
            return rest > i && kCharClass[static_cast<uint8_t>(at[i])] == kBlank;
        };
        if (blankAt(3) && std::memcmp(at, "SDR", 3) == 0) {
            lexer.skipInLine(3);
            return Keyword::SDR;
        }
        if (blankAt(7) && std::memcmp(at, "RUNTEST", 7) == 0) {
            lexer.skipInLine(7);
            return Keyword::RunTest;
        }
        return std::nullopt;
    }
    // The bytes at `at` as one word, for comparing with a keyword's.
    template <typename Word>
    static Word load(const char* at) {
        Word value;
        std::memcpy(&value, at, sizeof value);
        return value;
    }

    // The next token into token/tokenAt/word; false on a failure.
    bool readToken();
    // Fails for the token just read, which is not what the statement needs.
    bool unexpected(const std::string& expected);
    bool fail(Position at, std::string message);
    void note(NoteKind kind, Position at, std::string text);
    // The next token must be the ';'.
    bool expectEnd(Statement& statement);
    // The words up to the ';' into `words` (at most `limit`), the ';' into statement.end.
    bool readWords(Statement& statement, size_t limit);
    // Fails at words[at], or at the ';' when there are no more words.
    bool failAtWord(const Statement& statement, size_t at, const std::string& message);

    // A word read at `at` as a whole count up to `limit`, or as a time in microseconds.
    bool countFrom(const std::string& text, Position at, const char* what, uint64_t limit,
                   uint64_t& count);
    bool timeFrom(const std::string& text, Position at, const char* what, Time& time);
    // The next token as a stable state.
    bool readStableState(const char* what, TapState& state);

    bool readScan(Statement& statement);
    // After the vectors: what the omitted ones mean, the carried-over notes, the statement's scan.
    bool finishScan(ScanKind kind, uint32_t previous, Position lengthAt, Position tdoAt);
    // finishScan's rare message and note, apart from the path of every scan.
    [[gnu::cold]] bool failNoTdiToCarry(Position lengthAt, uint32_t previous, uint32_t bitCount);
    [[gnu::cold]] void noteMaskLost(Position tdoAt);
    // One-step reading of the commonest one-line forms, "SDR 16 TDI (7fff);" and
    // "RUNTEST 10 TCK;", when the statement lies in the block read: false, and nothing read,
    // for any other text, which the general reading then takes (with its notes and messages).
    // Inline (below): they run for most statements.
    bool readScanFast(Statement& statement, ScanKind kind);
    bool readRunTestFast(Statement& statement);
    // The parse of a text that repeats no kept one, apart from the repeat's path: the reading,
    // kept, or null.
    [[gnu::noinline]] OneStepScan* parseScanFast(ScanKind kind);
    [[gnu::noinline]] const OneStepRunTest* parseRunTestFast();
    // A one-step reading, parsed now or kept, applied at the lexer's position: false, and
    // nothing read, when the state does not allow it.
    bool applyScan(Statement& statement, ScanKind kind, OneStepScan& scan);
    // applyScan's part for a reading that is not in force: its vectors into the values, then
    // finishScan.
    [[gnu::noinline]] bool applyScanValues(ScanKind kind, const OneStepScan& scan, Position tdoAt);
    void applyRunTest(Statement& statement, const OneStepRunTest& run);
    // A general reading of the kind, or a failure, drops what is kept.
    std::array<OneStepScans, kScanKindCount> oneStepScans;
    std::array<OneStepRunTest, 2> oneStepRunTests;
    size_t lastRunTestUsed = 0;
    void forgetOneStepReadings() {
        for (OneStepScans& kind : oneStepScans) {
            kind.forget();
        }
        for (OneStepRunTest& run : oneStepRunTests) {
            run.text.forget();
        }
    }
    // TDI's line map: that of the value just read, null for a value on one line.
    void keepTdiLines(ScanValues& values, uint64_t digits) {
        if (values.tdiLines != nullptr || !tdiLineEnds.empty()) {
            values.tdiLines = tdiLineEnds.finish(digits, values.bitCount);
        }
    }
    DigitLinesBuilder tdiLineEnds;
    bool readState(Statement& statement);
    bool readEndState(Statement& statement);
    bool readRunTest(Statement& statement);
    void resolveRunStates(RunTest& run, Position at) {
        if (!run.runStateGiven) {
            run.runState = states.runState;
        }
        if (!run.endStateGiven) {
            const TapState inForce = states.runEndState;
            run.endState = run.runStateGiven ? run.runState : inForce;
            if (run.runState != KelPluginInterface::KELJTAG_RUN_TEST_IDLE ||
                (run.runStateGiven && inForce != run.runState)) {
                noteRunWithoutEndState(run, at, inForce);
            }
        }
        states.runState = run.runState;
        states.runEndState = run.endState;
    }
    // Apart from resolveRunStates, which runs for every RUNTEST: the note is rare.
    [[gnu::cold]] void noteRunWithoutEndState(const RunTest& run, Position at, TapState inForce);
    void noteSinglePrecision(const WordAt& time, const Time& read);
    bool readFrequency(Statement& statement);
    bool readTrst(Statement& statement);
    bool readPio(Statement& statement);

    SvfLexer lexer;
    // Values of more bytes than this go to the spill file, opened when first needed.
    uint64_t spillAbove = kInMemoryBytes;
    std::shared_ptr<SpillFile> spill;
    std::vector<Note> notes;
    std::array<ScanValues, kScanKindCount> scans;
    // Per scan kind: a scan without TDO came after the MASK was last set, which a common player
    // takes as "clear the MASK".
    std::array<bool, kScanKindCount> maskCleared{};
    StatesInForce states;
    bool nextSharesLine = false;
    // The byte the lexer stopped at after the last statement, a significant one, or -1: the
    // next statement begins there without a second look.
    int nextByte = -1;
    bool finished = false;
    uint64_t statementCount = 0;

    // The statement being read.
    Keyword keyword = Keyword::State;
    Position start;
    Token token = Token::Eof;
    Position tokenAt;
    std::string word;
    std::vector<WordAt> words;
};

// The repeat of a kept one-step reading, the way of most statements: the last one used is
// tried first, as a file mostly repeats one form.
inline bool SvfReader::Impl::readScanFast(Statement& statement, ScanKind kind) {
    OneStepScans& oneStep = oneStepScans[static_cast<size_t>(kind)];
    OneStepScan* kept = &oneStep.kept[oneStep.lastUsed];
    if (!kept->text.repeatsAt(lexer.blockRest(), lexer.blockEnd())) {
        kept = &oneStep.kept[1 - oneStep.lastUsed];
        if (!kept->text.repeatsAt(lexer.blockRest(), lexer.blockEnd())) {
            kept = parseScanFast(kind);
            if (kept == nullptr) {
                return false;
            }
        }
    }
    return applyScan(statement, kind, *kept);
}

// Why a kept reading reads the same. The parse of a one-step scan depends on its text alone: the
// length, the vectors given, their values and places in the text. So a kept parse is true for
// its text for ever, and applyScan does with it what it does with a parse made now. That applies
// it against the state as it is: the one test of the state ("no TDI and another length"), the
// length's change, and finishScan (an omitted TDO, the carried-MASK note and its state) as for
// any scan. A general reading of the kind clears inForce; a failure ends the reader and drops
// all. When inForce is this one, the last scan of the kind was this reading and nothing set the
// values since: they hold what it left (its vectors, its flags, no TDO unless given, the MASK
// state it set), and applying it again leaves them so, but for the length, which no longer
// changes, and the carried-MASK note, which comes again. The one-step forms carry no note of
// their own (those that need one take the general way); the notes about the line come from
// next(), as for any statement. The text lies on one line, so the positions are the lexer's plus
// the text's offsets.
inline bool SvfReader::Impl::applyScan(Statement& statement, ScanKind kind, OneStepScan& scan) {
    const auto index = static_cast<size_t>(kind);
    ScanValues& values = scans[index];
    OneStepScans& oneStep = oneStepScans[index];
    const Position at = lexer.position();
    if (oneStep.inForce == &scan) {
        values.lengthChanged = false;
        if (scan.given[OneStepScan::kTdo] && !scan.given[OneStepScan::kMask] &&
            maskCleared[index]) {
            noteMaskLost(Position{at.line, at.column + scan.tdoOffset});
        }
    } else {
        if (!applyScanValues(kind, scan, Position{at.line, at.column + scan.tdoOffset})) {
            return false;
        }
        oneStep.lastUsed = &scan == &oneStep.kept[0] ? 0 : 1;
    }
    statement.scanKind = kind;
    statement.scan = &values;
    statement.end = Position{at.line, at.column + scan.length - 1};
    lexer.skipInLine(scan.length);
    return true;
}

inline bool SvfReader::Impl::readRunTestFast(Statement& statement) {
    const OneStepRunTest* kept = &oneStepRunTests[lastRunTestUsed];
    if (!kept->text.repeatsAt(lexer.blockRest(), lexer.blockEnd())) {
        kept = &oneStepRunTests[1 - lastRunTestUsed];
        if (kept->text.repeatsAt(lexer.blockRest(), lexer.blockEnd())) {
            lastRunTestUsed = 1 - lastRunTestUsed;
        } else {
            kept = parseRunTestFast();
            if (kept == nullptr) {
                return false;
            }
        }
    }
    applyRunTest(statement, *kept);
    return true;
}

// As applyScan: the parse of a one-step RUNTEST is its count, from its text alone; the states
// it runs in and ends in are resolved against those in force, as for any RUNTEST.
inline void SvfReader::Impl::applyRunTest(Statement& statement, const OneStepRunTest& kept) {
    RunTest& run = statement.run;
    run.count = kept.count;
    run.hasCount = true;
    run.clock = RunClock::TCK;
    const Position at = lexer.position();
    statement.end = Position{at.line, at.column + kept.length - 1};
    lexer.skipInLine(kept.length);
    resolveRunStates(run, statement.position);
}

}  // namespace kelsvfreader

#endif  // KELSVFREADER_READER_IMPL_H
