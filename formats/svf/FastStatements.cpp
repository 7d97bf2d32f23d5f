// One-step reading of the statements that make up most of a programming file: a scan with short
// vectors and a count of clocks, each on one line. A form that needs a note or a message, or
// that crosses a line or the block, is left to the general reading, which gives the same
// statement for this text: the one-step path only saves the tokens' way through the lexer. The
// last two texts of each kind are kept with what their parse found, so that a text read again
// is not parsed again.
#include <cstring>
#include <new>

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

constexpr size_t kTdi = OneStepScan::kTdi;
constexpr size_t kTdo = OneStepScan::kTdo;
constexpr size_t kMask = OneStepScan::kMask;
constexpr size_t kSmask = OneStepScan::kSmask;
constexpr size_t kVectorCount = OneStepScan::kVectorCount;

struct VectorText {
    const char* first = nullptr;
    size_t digits = 0;
    size_t nameOffset = 0;
    bool given = false;
};

}  // namespace

OneStepScan* SvfReader::Impl::parseScanFast(ScanKind kind) {
    OneStepScans& oneStep = oneStepScans[static_cast<size_t>(kind)];
    LineText text(lexer.blockRest(), lexer.blockEnd());
    uint64_t length = 0;
    if (!text.skipBlanks() || !text.count(length) || length > kMostFastBits) {
        return nullptr;
    }
    std::array<VectorText, kVectorCount> vectors{};
    const uint64_t needed = (length + 3) / 4;
    for (;;) {
        if (!text.skipBlanks()) {
            return nullptr;
        }
        if (text.peek() == ';') {
            break;
        }
        const size_t nameOffset = text.offset();
        char name[5];
        const size_t nameLength = text.word(name, sizeof name);
        const size_t which = is(name, nameLength, "TDI")     ? kTdi
                             : is(name, nameLength, "TDO")   ? kTdo
                             : is(name, nameLength, "MASK")  ? kMask
                             : is(name, nameLength, "SMASK") ? kSmask
                                                             : kVectorCount;
        if (which == kVectorCount || vectors[which].given || !text.skipBlanks() ||
            text.peek() != '(') {
            return nullptr;
        }
        text.take();
        VectorText& vector = vectors[which];
        if (!text.hexDigits(vector.first, vector.digits) || vector.digits > needed) {
            return nullptr;
        }
        // A 1 bit beyond the length fails in the general reading, with its message.
        if (length % 4 != 0 && vector.digits == needed &&
            (kHexValue[static_cast<uint8_t>(*vector.first)] >> (length % 4)) != 0) {
            return nullptr;
        }
        vector.given = true;
        vector.nameOffset = nameOffset;
    }

    // Parsed: kept in place of the one used longer ago, then applied as a kept one is.
    OneStepScan& scan = oneStep.kept[1 - oneStep.lastUsed];
    if (oneStep.inForce == &scan) {
        oneStep.inForce = nullptr;  // the values keep their own copies
    }
    scan.text.forget();  // until it is whole
    scan.length = text.offset() + 1;
    scan.bitCount = static_cast<uint32_t>(length);
    scan.tdoOffset = vectors[kTdo].nameOffset;
    for (size_t i = 0; i < kVectorCount; ++i) {
        const VectorText& vector = vectors[i];
        scan.given[i] = vector.given;
        Bits& bits = scan.vectors[i];
        if (!vector.given) {
            bits = Bits();
        } else if (scan.bitCount <= Bits::kSmallBits) {
            uint8_t bytes[Bits::kSmallBits / 8] = {};
            decodeHex(vector.first, vector.digits, bytes);
            bits = Bits::fromShort(bytes, scan.bitCount);
        } else {
            std::vector<uint8_t> bytes((static_cast<size_t>(scan.bitCount) + 7) / 8);
            decodeHex(vector.first, vector.digits, bytes.data());
            bits = Bits::fromBytes(std::move(bytes), scan.bitCount);
        }
        if (bits.size() != (vector.given ? scan.bitCount : 0)) {
            throw std::bad_alloc();  // reported by next() as for any statement
        }
    }
    scan.text.keep(lexer.blockRest(), scan.length);
    return &scan;
}

// A kept reading that is not in force: see applyScan for why it reads as a parse made now.
bool SvfReader::Impl::applyScanValues(ScanKind kind, const OneStepScan& scan, Position tdoAt) {
    const auto index = static_cast<size_t>(kind);
    ScanValues& values = scans[index];
    if (!scan.given[kTdi] && values.bitCount != scan.bitCount && scan.bitCount != 0) {
        return false;  // no TDI to carry over: the general reading says so
    }
    const uint32_t previous = values.bitCount;
    values.bitCount = scan.bitCount;
    values.lengthChanged = previous != scan.bitCount;
    values.tdiGiven = scan.given[kTdi];
    values.tdoGiven = scan.given[kTdo];
    values.maskGiven = scan.given[kMask];
    values.smaskGiven = scan.given[kSmask];
    if (values.tdiGiven) {
        values.tdi = scan.vectors[kTdi];
        values.tdiLines.reset();  // on one line: the statement's line is its digits'
    }
    if (values.tdoGiven) {
        values.tdo = scan.vectors[kTdo];
    }
    for (const bool smask : {false, true}) {
        if (scan.given[smask ? kSmask : kMask]) {
            ScanValuesStore::bits(values, smask) = scan.vectors[smask ? kSmask : kMask];
            ScanValuesStore::allOnes(values, smask) = false;
        }
    }
    oneStepScans[index].inForce = &scan;
    return finishScan(kind, previous, Position{}, tdoAt);
}

const OneStepRunTest* SvfReader::Impl::parseRunTestFast() {
    LineText text(lexer.blockRest(), lexer.blockEnd());
    uint64_t count = 0;
    char unit[4];
    if (!text.skipBlanks() || !text.count(count) || !text.skipBlanks() ||
        !is(unit, text.word(unit, sizeof unit), "TCK") || !text.skipBlanks() ||
        text.peek() != ';') {
        return nullptr;
    }
    lastRunTestUsed = 1 - lastRunTestUsed;
    OneStepRunTest& run = oneStepRunTests[lastRunTestUsed];
    run.length = text.offset() + 1;
    run.count = count;
    run.text.keep(lexer.blockRest(), run.length);
    return &run;
}

}  // namespace kelsvfreader
