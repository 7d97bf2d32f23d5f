// The state of one SVF reader and the parts of a statement it reads, shared by the files that
// read each group of statements.
#ifndef KELSVFREADER_READER_IMPL_H
#define KELSVFREADER_READER_IMPL_H

#include <array>
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

// The text of the last statement of a kind read in one step, from after its keyword up to and
// including its ';', and what its reading found there: a statement of the same text is taken
// again without parsing it (see FastStatements.cpp for why that gives the same statement).
class OneStepText {
  public:
    static constexpr size_t kMostBytes = 128;  // longer texts are not kept
    enum Given : uint8_t { kTdi = 1, kTdo = 2, kMask = 4, kSmask = 8 };

    // True when the block at `at` begins with the kept text.
    bool repeatsAt(const char* at, const char* end) const {
        if (length_ == 0 || static_cast<size_t>(end - at) < length_) {
            return false;
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
        length_ = length <= kMostBytes ? length : 0;
        std::memcpy(text_, at, length_);
    }
    void forget() { length_ = 0; }
    size_t length() const { return length_; }

    uint8_t given = 0;     // scans: the vectors written
    size_t tdoOffset = 0;  // scans: of TDO's name in the text
    uint64_t count = 0;    // RUNTEST: the count of TCK clocks

  private:
    static uint64_t word(const char* at) {
        uint64_t value = 0;
        std::memcpy(&value, at, sizeof value);
        return value;
    }

    size_t length_ = 0;  // 0: nothing to repeat
    char text_[kMostBytes];
};

// HIR, HDR, TIR, TDR, SIR or SDR: the scan kind of a scan keyword.
ScanKind scanKindOf(Keyword keyword);

struct SvfReader::Impl {
    enum class Token : uint8_t { Word, End, Open, Close, Eof };
    struct WordAt {
        std::string text;
        Position at;
    };

    explicit Impl(std::unique_ptr<TextSource> source) : lexer(std::move(source)) {}

    bool next(Statement& statement);
    // SDR or RUNTEST read at once when the block shows it whole; nothing read otherwise.
    std::optional<Keyword> fastKeyword();

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
    bool finishScan(Statement& statement, ScanKind kind, uint32_t previous, Position lengthAt,
                    Position tdoAt);
    // finishScan's rare message and note, apart from the path of every scan.
    [[gnu::cold]] bool failNoTdiToCarry(Position lengthAt, uint32_t previous, uint32_t bitCount);
    [[gnu::cold]] void noteMaskLost(Position tdoAt);
    // One-step reading of the commonest one-line forms, "SDR 16 TDI (7fff);" and
    // "RUNTEST 10 TCK;", when the statement lies in the block read: false, and nothing read,
    // for any other text, which the general reading then takes (with its notes and messages).
    bool readScanFast(Statement& statement);
    bool readRunTestFast(Statement& statement);
    // The one-step statement of the kept text again, at the lexer's position.
    bool repeatScan(Statement& statement, ScanKind kind, const OneStepText& last);
    void repeatRunTest(Statement& statement, const OneStepText& last);
    // The last one-step texts: a general reading of the kind, or a failure, drops them.
    std::array<OneStepText, kScanKindCount> lastScanText;
    OneStepText lastRunTestText;
    void forgetOneStepTexts() {
        for (OneStepText& text : lastScanText) {
            text.forget();
        }
        lastRunTestText.forget();
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
    void resolveRunStates(RunTest& run, Position at);
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

}  // namespace kelsvfreader

#endif  // KELSVFREADER_READER_IMPL_H
