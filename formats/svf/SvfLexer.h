// The bottom of the SVF reader: the text block by block, the position of every byte, white space
// and comments, words, and hex values decoded straight into bit vectors.
#ifndef KELSVFREADER_SVF_LEXER_H
#define KELSVFREADER_SVF_LEXER_H

#include <cstdint>
#include <memory>
#include <string>

#include "CharClass.h"
#include "kelsvfreader/DigitLines.h"
#include "kelsvfreader/SpillFile.h"
#include "kelsvfreader/SvfStatement.h"
#include "kelsvfreader/TextSource.h"

namespace kelsvfreader {

// Where a hex value goes: `bytes` holds (bitCount + 7) / 8 bytes, or its significant digits go
// to `spill`; `name` ("TDI") is for messages.
struct HexTarget {
    uint8_t* bytes = nullptr;
    uint32_t bitCount = 0;
    const char* name = "";
    SpillValueWriter* spill = nullptr;
    DigitLinesBuilder* lines = nullptr;  // where the value's line ends go (TDI's), if anywhere
};

// What the text of a hex value looked like.
struct HexInfo {
    uint64_t digits = 0;  // hex digits written, leading zeros included
    Position firstDigit;
};

// "TDI value has 1 bits beyond its length of 8 bits".
std::string beyondLength(const HexTarget& target);

// "'x'" for a printable byte, "byte 0x07" for any other: for messages.
std::string describeByte(uint8_t byte);

class SvfLexer {
  public:
    static constexpr size_t kMaxWordLength = 4096;

    explicit SvfLexer(std::unique_ptr<TextSource> source);

    // Skips white space, line ends and comments. Returns the next byte without consuming it,
    // or -1 at the end of the text or after a failure.
    int peekSignificant() {
        if (cur_ != end_ && !failed_) {
            const auto c = static_cast<uint8_t>(*cur_);
            const uint8_t kind = kCharClass[c];
            if (kind != kBlank && kind != kLineEnd && kind != kBang && kind != kSlash) {
                return c;
            }
        }
        return skipToSignificant();
    }
    // peekSignificant() for the commonest text after a statement: one line end (LF, CR LF or
    // CR), then the next keyword in the block.
    int peekAfterLineEnd() {
        // LF, the commonest line end, costs one test of its own.
        if (end_ - cur_ >= 2 && *cur_ == '\n' &&
            kCharClass[static_cast<uint8_t>(cur_[1])] == kWordChar && !failed_) {
            countLineEnd('\n', offset());
            ++cur_;
            return static_cast<uint8_t>(*cur_);
        }
        const char* p = cur_;
        p += p != end_ && *p == '\r';
        p += p != end_ && *p == '\n';
        if (p == cur_ || p == end_ || kCharClass[static_cast<uint8_t>(*p)] != kWordChar ||
            failed_) {
            return peekSignificant();
        }
        for (; cur_ != p; ++cur_) {
            countLineEnd(*cur_, offset());
        }
        return static_cast<uint8_t>(*cur_);
    }
    // Consumes the byte that peekSignificant() returned (never a line end).
    void advance() { ++cur_; }

    // The position of the next byte (after the last one at the end of the text).
    Position position() const { return {line_, offset() - lineStart_ + 1}; }
    uint64_t line() const { return line_; }
    uint64_t bytesRead() const { return offset(); }

    // The unread rest of the block, for one-step reading of a statement on one line.
    const char* blockRest() const { return cur_; }
    const char* blockEnd() const { return end_; }
    // Consumes `count` bytes of blockRest(), none of them a line end.
    void skipInLine(size_t count) { cur_ += count; }

    // Reads the word that starts at the next byte (a word character), upper-cased.
    bool readWord(std::string& word);

    // Reads a hex value after its '(' up to and including the ')', into `target` from the least
    // significant end. Fails on a character that is not a hex digit, white space or comment, on
    // a 1 bit beyond the length, on an empty value and at the end of the text.
    bool readHexBody(const HexTarget& target, HexInfo& info);

    // Reads the words of a parenthesised list after its '(' up to and including the ')',
    // upper-cased and joined by single spaces.
    bool readWordList(const char* what, std::string& words);

    // Records the first failure and returns false; later failures are ignored.
    bool fail(Position at, std::string message);
    // As fail(), for a failure of the machine (see Error::system).
    bool failSystem(Position at, std::string message) {
        const bool first = !failed_;
        fail(at, std::move(message));
        error_.system = error_.system || first;
        return false;
    }
    bool failed() const { return failed_; }
    const Error& error() const { return error_; }

  private:
    enum class HexGap : uint8_t { Next, Close, Fail };
    // At byte `c` of a hex value that is no digit: white space and comments are skipped (Next),
    // the ')' is left for the caller (Close), anything else fails. `digits`: read so far.
    HexGap hexGap(uint8_t c, const HexTarget& target, uint64_t digits);
    bool readHexSpilled(const HexTarget& target, HexInfo& info);
    // The bulk of a long value: whole digit pairs decoded straight into `spill`, past blanks and
    // line ends (told to `lines` when there is one), while `significant` stays within
    // `nibbles`. False when the spill fails.
    bool spillDigitRun(SpillValueWriter& spill, DigitLinesBuilder* lines, uint64_t nibbles,
                       uint64_t& significant, uint64_t& digits);

    uint64_t offset() const { return blockOffset_ + static_cast<uint64_t>(cur_ - blockBegin_); }
    // Makes the next byte readable; false at the end of the text or after a read failure. The
    // test stays inline: it runs for every byte.
    bool fill() { return cur_ != end_ || nextBlock(); }
    bool nextBlock();
    // Consumes the CR or LF at cur_: CR LF is one line end, a bare CR or LF one each.
    void consumeLineEnd();
    // Counts the CR or LF `c` at text offset `at` as consumeLineEnd() does, without moving.
    void countLineEnd(char c, uint64_t at) {
        if (c == '\r') {
            ++line_;
            afterCr_ = at + 1;
        } else if (at != afterCr_) {
            ++line_;
        }
        lineStart_ = at + 1;
    }
    // peekSignificant() past white space, line ends and comments.
    int skipToSignificant();
    // At '!': skips to the line end (not consumed). At '/': needs a second '/'.
    void skipToLineEnd();
    bool skipSlashComment();

    std::unique_ptr<TextSource> source_;
    const char* blockBegin_ = nullptr;
    const char* cur_ = nullptr;
    const char* end_ = nullptr;
    uint64_t blockOffset_ = 0;  // of blockBegin_ in the text
    uint64_t line_ = 1;
    uint64_t lineStart_ = 0;         // offset of the line's first byte
    uint64_t afterCr_ = UINT64_MAX;  // offset right after the last CR
    bool atEnd_ = false;
    bool failed_ = false;
    Error error_;
};

}  // namespace kelsvfreader

#endif  // KELSVFREADER_SVF_LEXER_H
