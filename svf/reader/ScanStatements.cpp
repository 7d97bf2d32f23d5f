// HIR, HDR, TIR, TDR, SIR and SDR: length, the four vectors, and what an omitted vector means.
#include <cstring>

#include "ReaderImpl.h"
#include "SvfNames.h"

namespace kelsvfreader {
namespace {

ScanKind scanKindOf(Keyword keyword) {
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

size_t bytesFor(uint32_t bitCount) {
    return (static_cast<size_t>(bitCount) + 7) / 8;
}

void setAllOnes(std::vector<uint8_t>& vector, uint32_t bitCount) {
    vector.assign(bytesFor(bitCount), 0xFF);
    if (const uint32_t spare = bitCount % 8; spare != 0) {
        vector.back() = static_cast<uint8_t>((1u << spare) - 1);
    }
}

}  // namespace

bool SvfReader::Impl::readScan(Statement& statement) {
    const ScanKind kind = scanKindOf(keyword);
    const auto index = static_cast<size_t>(kind);
    ScanValues& values = scans[index];
    const std::string name = keywordName(keyword);

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
        std::vector<uint8_t>* vector = nullptr;
        const char* vectorName = nullptr;
        if (token == Token::Word) {
            if (word == "TDI") {
                given = &values.tdiGiven;
                vector = &values.tdi;
                vectorName = "TDI";
            } else if (word == "TDO") {
                given = &values.tdoGiven;
                vector = &values.tdo;
                vectorName = "TDO";
                tdoAt = tokenAt;
            } else if (word == "MASK") {
                given = &values.maskGiven;
                vector = &values.mask;
                vectorName = "MASK";
            } else if (word == "SMASK") {
                given = &values.smaskGiven;
                vector = &values.smask;
                vectorName = "SMASK";
            }
        }
        if (given == nullptr) {
            return unexpected("TDI, TDO, MASK, SMASK or ';'");
        }
        if (*given) {
            return fail(tokenAt, name + ": " + vectorName + " given twice");
        }
        *given = true;
        if (!readToken()) {
            return false;
        }
        if (token != Token::Open) {
            return unexpected(std::string("'(' and the ") + vectorName + " value");
        }
        vector->resize(bytesFor(values.bitCount));
        HexInfo info;
        if (!lexer.readHexBody(HexTarget{vector->data(), values.bitCount, vectorName}, info)) {
            return false;
        }
        if (const uint64_t needed = (length + 3) / 4; info.digits > needed) {
            note(NoteKind::ExtraHexDigits, info.firstDigit,
                 name + ": " + vectorName + " has " + std::to_string(info.digits) +
                     " hex digits where " + std::to_string(needed) + " hold its " +
                     std::to_string(length) + " bits (the extra leading digits are zero)");
        }
    }
    statement.end = tokenAt;

    if (!values.tdiGiven) {
        if (values.lengthChanged && values.bitCount != 0) {
            return fail(lengthAt, name + ": TDI must be given: the length changed from " +
                                      std::to_string(previous) + " to " +
                                      std::to_string(values.bitCount) +
                                      " bits, so there is no TDI to carry over");
        }
        values.tdi.resize(bytesFor(values.bitCount));
    }
    if (!values.tdoGiven) {
        values.tdo.clear();
    }
    if (!values.maskGiven && values.lengthChanged) {
        setAllOnes(values.mask, values.bitCount);
    }
    if (!values.smaskGiven && values.lengthChanged) {
        setAllOnes(values.smask, values.bitCount);
    }

    bool& cleared = maskCleared[index];
    if (values.tdoGiven && !values.maskGiven && !values.lengthChanged && cleared) {
        note(NoteKind::MaskLostAfterUncheckedScan, tdoAt,
             name + ": TDO with the MASK carried over an earlier " + name +
                 " without TDO; a common player cleared that MASK there and compares no bit");
    }
    if (!values.tdoGiven) {
        cleared = true;
    } else if (values.maskGiven || values.lengthChanged) {
        cleared = false;
    }

    statement.scanKind = kind;
    statement.scan = &values;
    return true;
}

}  // namespace kelsvfreader
