// One-step reading of the statements that make up most of a programming file: a scan with short
// vectors and a count of clocks, each on one line. A form that needs a note or a message, or
// that crosses a line or the block, is left to the general reading, which gives the same
// statement for this text: the one-step path only saves the tokens' way through the lexer.
#include <cstring>

#include "CharClass.h"
#include "ReaderImpl.h"

namespace kelsvfreader {
namespace {

// The most digits of a value read in one step; longer values take the general way.
constexpr size_t kMostFastDigits = 64;
// Counts below 10^9 need no note (2^31 and more get one).
constexpr size_t kMostFastCountDigits = 9;
// Scans this long or shorter; a longer one may go to the spill file.
constexpr uint64_t kMostFastBits = 4096;

class LineText {
  public:
    LineText(const char* begin, const char* end) : begin_(begin), end_(end), at_(begin) {}

    size_t offset() const { return static_cast<size_t>(at_ - begin_); }
    bool atEnd() const { return at_ == end_; }
    char peek() const { return *at_; }
    void take() { ++at_; }

    // Blanks; false at the end of the block.
    bool skipBlanks() {
        while (at_ != end_ && kCharClass[static_cast<uint8_t>(*at_)] == kBlank) {
            ++at_;
        }
        return at_ != end_;
    }
    // A whole word of at most `most` characters, upper-cased into `out`; 0 when there is none,
    // when it is longer or when it reaches the block's end.
    size_t word(char* out, size_t most) {
        size_t length = 0;
        while (at_ != end_) {
            const char c = kWordUpper[static_cast<uint8_t>(*at_)];
            if (c == 0) {
                return length;
            }
            if (length == most) {
                return 0;
            }
            out[length++] = c;
            ++at_;
        }
        return 0;
    }
    // Decimal digits making up a whole word: the count, false for anything else.
    bool count(uint64_t& value) {
        char digits[kMostFastCountDigits];
        const size_t length = word(digits, sizeof digits);
        if (length == 0) {
            return false;
        }
        value = 0;
        for (size_t i = 0; i < length; ++i) {
            if (digits[i] < '0' || digits[i] > '9') {
                return false;
            }
            value = value * 10 + static_cast<uint64_t>(digits[i] - '0');
        }
        return true;
    }
    // After '(': hex digits only, then ')'. The digits' span, without the ')'.
    bool hexDigits(const char*& first, size_t& digits) {
        first = at_;
        while (at_ != end_ && kHexValue[static_cast<uint8_t>(*at_)] != kNotHex) {
            ++at_;
        }
        digits = static_cast<size_t>(at_ - first);
        if (at_ == end_ || *at_ != ')' || digits == 0 || digits > kMostFastDigits) {
            return false;
        }
        ++at_;
        return true;
    }

  private:
    const char* begin_;
    const char* end_;
    const char* at_;
};

bool is(const char* word, size_t length, const char* name) {
    return std::strlen(name) == length && std::memcmp(word, name, length) == 0;
}

// `digits` hex digits, the last one least significant, into bytes from bit 0.
void decodeHex(const char* first, size_t digits, uint8_t* bytes) {
    for (size_t k = 0; k < digits; ++k) {
        const uint8_t nibble = kHexValue[static_cast<uint8_t>(first[digits - 1 - k])];
        bytes[k / 2] = static_cast<uint8_t>(bytes[k / 2] | (nibble << (4 * (k % 2))));
    }
}

enum Vector : uint8_t { kTdi, kTdo, kMask, kSmask, kVectorCount };

struct VectorText {
    const char* first = nullptr;
    size_t digits = 0;
    size_t nameOffset = 0;
    bool given = false;
};

}  // namespace

bool SvfReader::Impl::readScanFast(Statement& statement) {
    const ScanKind kind = scanKindOf(keyword);
    OneStepText& last = lastScanText[static_cast<size_t>(kind)];
    if (last.repeatsAt(lexer.blockRest(), lexer.blockEnd())) {
        return repeatScan(statement, kind, last);
    }
    LineText text(lexer.blockRest(), lexer.blockEnd());
    uint64_t length = 0;
    if (!text.skipBlanks() || !text.count(length) || length > kMostFastBits) {
        return false;
    }
    std::array<VectorText, kVectorCount> vectors{};
    const uint64_t needed = (length + 3) / 4;
    for (;;) {
        if (!text.skipBlanks()) {
            return false;
        }
        if (text.peek() == ';') {
            break;
        }
        const size_t nameOffset = text.offset();
        char name[5];
        const size_t nameLength = text.word(name, sizeof name);
        const Vector which = is(name, nameLength, "TDI")     ? kTdi
                             : is(name, nameLength, "TDO")   ? kTdo
                             : is(name, nameLength, "MASK")  ? kMask
                             : is(name, nameLength, "SMASK") ? kSmask
                                                             : kVectorCount;
        if (which == kVectorCount || vectors[which].given || !text.skipBlanks() ||
            text.peek() != '(') {
            return false;
        }
        text.take();
        VectorText& vector = vectors[which];
        if (!text.hexDigits(vector.first, vector.digits) || vector.digits > needed) {
            return false;
        }
        // A 1 bit beyond the length fails in the general reading, with its message.
        if (length % 4 != 0 && vector.digits == needed &&
            (kHexValue[static_cast<uint8_t>(*vector.first)] >> (length % 4)) != 0) {
            return false;
        }
        vector.given = true;
        vector.nameOffset = nameOffset;
    }
    ScanValues& values = scans[static_cast<size_t>(kind)];
    const auto bitCount = static_cast<uint32_t>(length);
    if (!vectors[kTdi].given && values.bitCount != bitCount && bitCount != 0) {
        return false;  // no TDI to carry over: the general reading says so
    }

    // The statement is read: from here on it changes the reader's state.
    const Position at = lexer.position();
    const uint32_t previous = values.bitCount;
    values.bitCount = bitCount;
    values.lengthChanged = previous != bitCount;
    values.tdiGiven = values.tdoGiven = values.maskGiven = values.smaskGiven = false;
    Position tdoAt;
    for (size_t i = 0; i < kVectorCount; ++i) {
        const VectorText& vector = vectors[i];
        if (!vector.given) {
            continue;
        }
        Bits* bits = nullptr;
        switch (i) {
            case kTdi:
                values.tdiGiven = true;
                bits = &values.tdi;
                values.tdiLines.reset();  // on one line: the statement's line is its digits'
                break;
            case kTdo:
                values.tdoGiven = true;
                bits = &values.tdo;
                tdoAt = Position{at.line, at.column + vector.nameOffset};
                break;
            default: {
                const bool smask = i == kSmask;
                (smask ? values.smaskGiven : values.maskGiven) = true;
                bits = &ScanValuesStore::bits(values, smask);
                ScanValuesStore::allOnes(values, smask) = false;
                break;
            }
        }
        if (bitCount <= Bits::kSmallBits) {
            uint8_t bytes[Bits::kSmallBits / 8] = {};
            decodeHex(vector.first, vector.digits, bytes);
            *bits = Bits::fromShort(bytes, bitCount);
        } else {
            std::vector<uint8_t> bytes((static_cast<size_t>(bitCount) + 7) / 8);
            decodeHex(vector.first, vector.digits, bytes.data());
            *bits = Bits::fromBytes(std::move(bytes), bitCount);
        }
        if (bits->size() != bitCount) {
            throw std::bad_alloc();  // reported by next() as for any statement
        }
    }
    last.keep(lexer.blockRest(), text.offset() + 1);
    last.given = static_cast<uint8_t>((values.tdiGiven ? OneStepText::kTdi : 0) |
                                      (values.tdoGiven ? OneStepText::kTdo : 0) |
                                      (values.maskGiven ? OneStepText::kMask : 0) |
                                      (values.smaskGiven ? OneStepText::kSmask : 0));
    last.tdoOffset = vectors[kTdo].nameOffset;
    lexer.skipInLine(text.offset());
    statement.end = lexer.position();
    lexer.skipInLine(1);
    return finishScan(statement, kind, previous, Position{}, tdoAt);
}

// The same text again. The one-step reading of a scan computes, from its kind and its text alone,
// the length and the vectors given, with their places relative to the text; of the reader's
// state it tests only "no TDI and another length", and it changes only that kind's values in
// force. When the last reading of the kind was the one-step reading of this very text (any other
// reading of the kind drops or replaces the kept text; no other statement touches a kind's
// values; a failure ends the reader), the length in force is the text's, so the test passes
// again and the length does not change, and the given vectors hold what decoding the same
// digits would write. What depends on more than the text is done as in any reading: finishScan
// (an omitted TDO, the carried-MASK note and its state) and, for RUNTEST, resolveRunStates. The
// text lies on one line, so the positions are the lexer's plus the text's offsets.
bool SvfReader::Impl::repeatScan(Statement& statement, ScanKind kind, const OneStepText& last) {
    ScanValues& values = scans[static_cast<size_t>(kind)];
    const Position at = lexer.position();
    values.lengthChanged = false;
    values.tdiGiven = (last.given & OneStepText::kTdi) != 0;
    values.tdoGiven = (last.given & OneStepText::kTdo) != 0;
    values.maskGiven = (last.given & OneStepText::kMask) != 0;
    values.smaskGiven = (last.given & OneStepText::kSmask) != 0;
    const Position tdoAt{at.line, at.column + last.tdoOffset};
    lexer.skipInLine(last.length() - 1);
    statement.end = lexer.position();
    lexer.skipInLine(1);
    return finishScan(statement, kind, values.bitCount, Position{}, tdoAt);
}

bool SvfReader::Impl::readRunTestFast(Statement& statement) {
    if (lastRunTestText.repeatsAt(lexer.blockRest(), lexer.blockEnd())) {
        repeatRunTest(statement, lastRunTestText);
        return true;
    }
    LineText text(lexer.blockRest(), lexer.blockEnd());
    uint64_t count = 0;
    char unit[4];
    if (!text.skipBlanks() || !text.count(count) || !text.skipBlanks() ||
        !is(unit, text.word(unit, sizeof unit), "TCK") || !text.skipBlanks() ||
        text.peek() != ';') {
        return false;
    }
    RunTest& run = statement.run;
    run.count = count;
    run.hasCount = true;
    run.clock = RunClock::TCK;
    lastRunTestText.keep(lexer.blockRest(), text.offset() + 1);
    lastRunTestText.count = count;
    lexer.skipInLine(text.offset());
    statement.end = lexer.position();
    lexer.skipInLine(1);
    resolveRunStates(run, statement.position);
    return true;
}

// As repeatScan: the one-step RUNTEST reads its count from the text alone.
void SvfReader::Impl::repeatRunTest(Statement& statement, const OneStepText& last) {
    RunTest& run = statement.run;
    run.count = last.count;
    run.hasCount = true;
    run.clock = RunClock::TCK;
    lexer.skipInLine(last.length() - 1);
    statement.end = lexer.position();
    lexer.skipInLine(1);
    resolveRunStates(run, statement.position);
}

}  // namespace kelsvfreader
