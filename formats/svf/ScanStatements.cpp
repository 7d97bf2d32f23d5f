// HIR, HDR, TIR, TDR, SIR and SDR: length, the four vectors, and what an omitted vector means.
#include <cstring>
#include <new>

#include "ReaderImpl.h"
#include "SvfNames.h"

namespace kelsvfreader {

namespace {

size_t bytesFor(uint32_t bitCount) {
    return (static_cast<size_t>(bitCount) + 7) / 8;
}

}  // namespace

bool SvfReader::Impl::readScan(Statement& statement) {
    const ScanKind kind = scanKindOf(keyword);
    const auto index = static_cast<size_t>(kind);
    ScanValues& values = scans[index];
    oneStepScans[index].inForce = nullptr;  // the parsed texts stay true
    // Built only for a message.
    const auto name = [this] { return std::string(keywordName(keyword)); };

    if (!readToken()) {
        return false;
    }
    if (token != Token::Word) {
        return unexpected("the length");
    }
    const Position lengthAt = tokenAt;
    uint64_t length = 0;
    if (!countFrom(word, lengthAt, "length", UINT32_MAX, length)) {
        return false;
    }
    const uint32_t previous = values.bitCount;
    values.bitCount = static_cast<uint32_t>(length);
    values.lengthChanged = previous != values.bitCount;
    values.tdiGiven = values.tdoGiven = values.maskGiven = values.smaskGiven = false;
    Position tdoAt;

    for (;;) {
        if (!readToken()) {
            return false;
        }
        if (token == Token::End) {
            break;
        }
        bool* given = nullptr;
        Bits* vector = nullptr;
        const char* vectorName = nullptr;
        if (token == Token::Word) {
            if (isWord(word, "TDI")) {
                given = &values.tdiGiven;
                vector = &values.tdi;
                vectorName = "TDI";
            } else if (isWord(word, "TDO")) {
                given = &values.tdoGiven;
                vector = &values.tdo;
                vectorName = "TDO";
                tdoAt = tokenAt;
            } else if (isWord(word, "MASK") || isWord(word, "SMASK")) {
                const bool smask = isWord(word, "SMASK");
                given = smask ? &values.smaskGiven : &values.maskGiven;
                vector = &ScanValuesStore::bits(values, smask);
                vectorName = smask ? "SMASK" : "MASK";
                ScanValuesStore::allOnes(values, smask) = false;
            }
        }
        if (given == nullptr) {
            return unexpected("TDI, TDO, MASK, SMASK or ';'");
        }
        if (*given) {
            return fail(tokenAt, name() + ": " + vectorName + " given twice");
        }
        *given = true;
        if (!readToken()) {
            return false;
        }
        if (token != Token::Open) {
            return unexpected(std::string("'(' and the ") + vectorName + " value");
        }
        HexInfo info;
        DigitLinesBuilder* const lineEnds = vector == &values.tdi ? &tdiLineEnds : nullptr;
        if (bytesFor(values.bitCount) > spillAbove) {
            SpillValueWriter writer(spill, values.bitCount);
            if (!lexer.readHexBody(
                    HexTarget{nullptr, values.bitCount, vectorName, &writer, lineEnds}, info)) {
                return false;
            }
            if (!writer.finish(*vector)) {
                return lexer.failSystem(
                    info.firstDigit,
                    std::string("cannot keep a long ") + vectorName + " value: " + writer.error());
            }
        } else {
            std::vector<uint8_t> bytes(bytesFor(values.bitCount));
            if (!lexer.readHexBody(
                    HexTarget{bytes.data(), values.bitCount, vectorName, nullptr, lineEnds},
                    info)) {
                return false;
            }
            *vector = Bits::fromBytes(std::move(bytes), values.bitCount);
            if (vector->size() != values.bitCount) {
                throw std::bad_alloc();  // reported by next() as for any statement
            }
        }
        if (vector == &values.tdi) {
            keepTdiLines(values, info.digits);
        }
        if (const uint64_t needed = (length + 3) / 4; info.digits > needed) {
            note(NoteKind::ExtraHexDigits, info.firstDigit,
                 name() + ": " + vectorName + " has " + std::to_string(info.digits) +
                     " hex digits where " + std::to_string(needed) + " hold its " +
                     std::to_string(length) + " bits (the extra leading digits are zero)");
            notes.back().hexDigits = info.digits;
        }
    }
    statement.end = tokenAt;
    if (!finishScan(kind, previous, lengthAt, tdoAt)) {
        return false;
    }
    statement.scanKind = kind;
    statement.scan = &values;
    return true;
}

bool SvfReader::Impl::finishScan(ScanKind kind, uint32_t previous, Position lengthAt,
                                 Position tdoAt) {
    const auto index = static_cast<size_t>(kind);
    ScanValues& values = scans[index];
    if (!values.tdiGiven) {
        if (values.lengthChanged && values.bitCount != 0) {
            return failNoTdiToCarry(lengthAt, previous, values.bitCount);
        }
        if (values.lengthChanged) {
            values.tdi = Bits();
            values.tdiLines.reset();
        }
    }
    if (!values.tdoGiven && !values.tdo.empty()) {
        values.tdo = Bits();  // an empty Bits is always Bits()
    }
    // An omitted MASK or SMASK of a new length is all ones, made only when asked for.
    if (values.lengthChanged) {
        for (const bool smask : {false, true}) {
            if (!(smask ? values.smaskGiven : values.maskGiven)) {
                ScanValuesStore::allOnes(values, smask) = true;
                ScanValuesStore::bits(values, smask) = Bits::ones(values.bitCount);
            }
        }
    }

    bool& cleared = maskCleared[index];
    if (values.tdoGiven && !values.maskGiven && !values.lengthChanged && cleared) {
        noteMaskLost(tdoAt);
    }
    if (!values.tdoGiven) {
        cleared = true;
    } else if (values.maskGiven || values.lengthChanged) {
        cleared = false;
    }
    return true;
}

bool SvfReader::Impl::failNoTdiToCarry(Position lengthAt, uint32_t previous, uint32_t bitCount) {
    return fail(lengthAt, std::string(keywordName(keyword)) +
                              ": TDI must be given: the length changed from " +
                              std::to_string(previous) + " to " + std::to_string(bitCount) +
                              " bits, so there is no TDI to carry over");
}

void SvfReader::Impl::noteMaskLost(Position tdoAt) {
    const std::string name = keywordName(keyword);
    note(NoteKind::MaskLostAfterUncheckedScan, tdoAt,
         name + ": TDO with the MASK carried over an earlier " + name +
             " without TDO; a common player cleared that MASK there and compares no bit");
}

}  // namespace kelsvfreader
