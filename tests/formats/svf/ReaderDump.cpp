#include "ReaderDump.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace svfreadertest {

using namespace kelsvfreader;

namespace {

std::string position(const Position& at) {
    return std::to_string(at.line) + ":" + std::to_string(at.column);
}

std::string timeText(const Time& time) {
    return std::to_string(time.microseconds) + "us" + (time.exact ? "" : "~");
}

void dumpScan(std::string& out, const Statement& statement) {
    const ScanValues& scan = *statement.scan;
    out += " " + std::to_string(scan.bitCount);
    const auto vector = [&](const char* name, const kelsvfreader::Bits& bits, bool given) {
        out += std::string(" ") + name + "=" + hexOf(bits.toBytes(), scan.bitCount) +
               (given ? "!" : "");
    };
    vector("TDI", scan.tdi, scan.tdiGiven);
    if (scan.tdoGiven) {
        vector("TDO", scan.tdo, true);
    } else if (!scan.tdo.empty()) {
        out += " TDO-not-empty";
    }
    vector("MASK", scan.mask(), scan.maskGiven);
    vector("SMASK", scan.smask(), scan.smaskGiven);
}

void dumpRun(std::string& out, const RunTest& run) {
    out += std::string(" run=") + svfStateName(run.runState) + (run.runStateGiven ? "!" : "");
    if (run.hasCount) {
        out += " count=" + std::to_string(run.count) + (run.clock == RunClock::TCK ? "TCK" : "SCK");
    }
    if (run.hasMinTime) {
        out += " min=" + timeText(run.minTime);
    }
    if (run.hasMaxTime) {
        out += " max=" + timeText(run.maxTime);
    }
    out += std::string(" end=") + svfStateName(run.endState) + (run.endStateGiven ? "!" : "");
}

}  // namespace

std::string hexOf(const std::vector<uint8_t>& bits, uint32_t bitCount) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (uint32_t nibble = (bitCount + 3) / 4; nibble-- > 0;) {
        const unsigned byte = nibble / 2 < bits.size() ? bits[nibble / 2] : 0xEEu;
        text.push_back(kDigits[(byte >> (nibble % 2 * 4)) & 0x0Fu]);
    }
    return text.empty() ? "-" : text;
}

std::string dumpStatement(const Statement& statement) {
    std::string out = keywordName(statement.keyword);
    switch (statement.keyword) {
        case Keyword::HIR:
        case Keyword::HDR:
        case Keyword::TIR:
        case Keyword::TDR:
        case Keyword::SIR:
        case Keyword::SDR:
            dumpScan(out, statement);
            break;
        case Keyword::State:
            for (const TapState state : statement.path) {
                out += std::string(" ") + svfStateName(state);
            }
            break;
        case Keyword::EndIR:
        case Keyword::EndDR:
            out += std::string(" ") + svfStateName(statement.state);
            break;
        case Keyword::RunTest:
            dumpRun(out, statement.run);
            break;
        case Keyword::Frequency:
            if (statement.hasFrequency) {
                char hertz[64];
                std::snprintf(hertz, sizeof hertz, " %.17g HZ", statement.hertz);
                out += hertz;
            }
            break;
        case Keyword::TRST: {
            static const char* const kModes[] = {"ON", "OFF", "Z", "ABSENT"};
            out += std::string(" ") + kModes[static_cast<int>(statement.trst)];
            break;
        }
        case Keyword::PIO:
        case Keyword::PIOMap:
            out += " " + statement.pio;
            break;
    }
    return out;
}

ReadResult readWithBlockSize(std::string_view text, size_t blockSize) {
    ReadResult result;
    SvfReader reader = SvfReader::fromString(text, blockSize);
    Statement statement;
    const auto takeNotes = [&] {
        for (const Note& note : reader.notes()) {
            result.notes.push_back(std::string(noteKindName(note.kind)) + "@" +
                                   position(note.position));
            result.noteTexts.push_back(note.text);
        }
    };
    while (reader.next(statement)) {
        result.statements.push_back(dumpStatement(statement));
        // Also what the dump leaves out: where the reader stands, and how masks were resolved.
        std::string at = position(statement.position) + "-" + position(statement.end) + " then " +
                         std::to_string(reader.bytesRead());
        if (const ScanValues* scan = statement.scan) {
            at += std::string(scan->lengthChanged ? " new-length" : "") +
                  (scan->maskAllOnes() ? " mask-ones" : "") +
                  (scan->smaskAllOnes() ? " smask-ones" : "") +
                  (scan->tdiLines != nullptr ? " tdi-lines" : "");
        }
        result.positions.push_back(at);
        takeNotes();
    }
    takeNotes();
    if (reader.failed()) {
        result.error = position(reader.error().position) + ": " + reader.error().message;
    }
    EXPECT_FALSE(reader.next(statement)) << "the reader goes on after the end";
    return result;
}

ReadResult readAll(std::string_view text, const std::vector<size_t>& blockSizes) {
    const ReadResult whole = readWithBlockSize(text, 0);
    for (const size_t blockSize : blockSizes) {
        const ReadResult cut = readWithBlockSize(text, blockSize);
        EXPECT_EQ(whole.statements, cut.statements) << "block size " << blockSize;
        EXPECT_EQ(whole.notes, cut.notes) << "block size " << blockSize;
        EXPECT_EQ(whole.noteTexts, cut.noteTexts) << "block size " << blockSize;
        EXPECT_EQ(whole.positions, cut.positions) << "block size " << blockSize;
        EXPECT_EQ(whole.error, cut.error) << "block size " << blockSize;
    }
    return whole;
}

}  // namespace svfreadertest
