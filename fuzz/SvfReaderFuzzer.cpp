// The SVF reader on any text: it must never crash, and what it gives back must hold together.
// The same text read whole and cut into small blocks must give the same statements, notes and
// error (a block boundary may fall anywhere: inside a keyword, a number, a hex value, a CR LF);
// every statement comes after the one before it; every scan vector has exactly the bytes of its
// length with no bit set beyond it and reads the same in slices; a TDO is there exactly when
// given. Values spilled to a file read as values held in memory. The one-step reading and its
// repeats take whole lines of a block: read in small blocks the same text takes the general way.
//
// Input: the first byte picks the block size (1 to 16 bytes) and whether the reading in blocks
// spills every value, the rest is the text.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "CheckingCallbacks.h"
#include "SmallNumbers.h"
#include "kelsvfreader/SvfReader.h"

namespace {

using namespace kelsvfreader;

bool before(const Position& a, const Position& b) {
    return a.line < b.line || (a.line == b.line && a.column < b.column);
}

std::string at(const Position& position) {
    return std::to_string(position.line) + ":" + std::to_string(position.column);
}

// A value of the right length that reads back whole, and in slices as a whole.
void checkVector(const kelsvfreader::Bits& bits, uint32_t bitCount, const std::string& what) {
    KEL_FUZZ_CHECK(bits.size() == bitCount, what + ": " + std::to_string(bits.size()) +
                                                " bits for " + std::to_string(bitCount));
    const std::vector<uint8_t> whole = bits.toBytes();
    KEL_FUZZ_CHECK(whole.size() == (size_t{bitCount} + 7) / 8, what + ": cannot be read");
    if (bitCount % 8 != 0) {
        KEL_FUZZ_CHECK((whole.back() >> (bitCount % 8)) == 0, what + ": a bit beyond the length");
    }
    const uint64_t first = bitCount / 3;
    const uint64_t count = bitCount / 2;
    std::vector<uint8_t> part((count + 7) / 8 + 1, 0xA5);
    KEL_FUZZ_CHECK(bits.read(first, count, part.data()), what + ": a slice cannot be read");
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t from = first + i;
        KEL_FUZZ_CHECK(((part[i / 8] >> (i % 8)) & 1u) == ((whole[from / 8] >> (from % 8)) & 1u),
                       what + ": a slice reads other bits");
    }
}

// One line per statement with what a player acts on, to compare two readings.
std::string describe(const Statement& statement) {
    std::string out = std::string(keywordName(statement.keyword)) + "@" + at(statement.position) +
                      "-" + at(statement.end);
    for (const TapState state : statement.path) {
        out += " " + std::string(svfStateName(state));
    }
    out += " state=" + std::to_string(static_cast<int>(statement.state));
    const RunTest& run = statement.run;
    if (statement.keyword == Keyword::RunTest) {
        out += " run=" + std::to_string(static_cast<int>(run.runState)) + "/" +
               std::to_string(static_cast<int>(run.endState)) +
               " count=" + (run.hasCount ? std::to_string(run.count) : "-") +
               " min=" + (run.hasMinTime ? std::to_string(run.minTime.microseconds) : "-") +
               " max=" + (run.hasMaxTime ? std::to_string(run.maxTime.microseconds) : "-");
    }
    if (statement.keyword == Keyword::Frequency) {
        out += " hz=" + (statement.hasFrequency ? std::to_string(statement.hertz) : "-");
    }
    out += " trst=" + std::to_string(static_cast<int>(statement.trst)) + " pio=" + statement.pio;
    if (statement.scan != nullptr) {
        const ScanValues& scan = *statement.scan;
        out += " bits=" + std::to_string(scan.bitCount);
        const std::vector<uint8_t> tdi = scan.tdi.toBytes();
        const std::vector<uint8_t> tdo = scan.tdo.toBytes();
        const std::vector<uint8_t> mask = scan.mask().toBytes();
        const std::vector<uint8_t> smask = scan.smask().toBytes();
        out += " tdi=" + std::string(tdi.begin(), tdi.end()) +
               " tdo=" + std::string(tdo.begin(), tdo.end()) +
               " mask=" + std::string(mask.begin(), mask.end()) +
               " smask=" + std::string(smask.begin(), smask.end()) +
               " given=" + std::to_string(scan.tdiGiven) + std::to_string(scan.tdoGiven) +
               std::to_string(scan.maskGiven) + std::to_string(scan.smaskGiven) +
               " new-length=" + std::to_string(scan.lengthChanged) +
               " ones=" + std::to_string(scan.maskAllOnes()) + std::to_string(scan.smaskAllOnes());
    }
    return out;
}

struct Reading {
    std::vector<std::string> statements;
    std::vector<std::string> notes;
    std::string error;
};

Reading read(std::string_view text, size_t blockSize, uint64_t spillAbove) {
    Reading reading;
    SvfReader reader(stringSource(text, blockSize));
    reader.setSpillThreshold(spillAbove);
    Statement statement;
    Position previousEnd;
    while (reader.next(statement)) {
        const std::string where = "statement at " + at(statement.position);
        KEL_FUZZ_CHECK(before(previousEnd, statement.position), where + " overlaps the last one");
        KEL_FUZZ_CHECK(!before(statement.end, statement.position),
                       where + " ends before it starts");
        previousEnd = statement.end;
        for (const Note& note : reader.notes()) {
            KEL_FUZZ_CHECK(!note.text.empty(), where + ": a note without text");
            reading.notes.push_back(std::string(noteKindName(note.kind)) + "@" + at(note.position));
        }
        const bool scan = statement.keyword == Keyword::HIR || statement.keyword == Keyword::HDR ||
                          statement.keyword == Keyword::TIR || statement.keyword == Keyword::TDR ||
                          statement.keyword == Keyword::SIR || statement.keyword == Keyword::SDR;
        KEL_FUZZ_CHECK(scan == (statement.scan != nullptr), where + ": scan values");
        if (scan) {
            const ScanValues& values = *statement.scan;
            checkVector(values.tdi, values.bitCount, where + " TDI");
            KEL_FUZZ_CHECK(values.tdoGiven != values.tdo.empty() || values.bitCount == 0,
                           where + ": TDO there without being given, or missing");
            if (values.tdoGiven) {
                checkVector(values.tdo, values.bitCount, where + " TDO");
            }
            checkVector(values.mask(), values.bitCount, where + " MASK");
            checkVector(values.smask(), values.bitCount, where + " SMASK");
        }
        if (statement.keyword == Keyword::State) {
            KEL_FUZZ_CHECK(!statement.path.empty() && statement.path.back() == statement.state,
                           where + ": a STATE whose path does not end in its state");
        }
        reading.statements.push_back(describe(statement) + " then " +
                                     std::to_string(reader.bytesRead()));
    }
    KEL_FUZZ_CHECK(!reader.next(statement), "the reader goes on after the end");
    if (reader.failed()) {
        KEL_FUZZ_CHECK(!reader.error().message.empty(), "an error without a message");
        reading.error = at(reader.error().position) + " " + reader.error().message;
    }
    return reading;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const size_t blockSize = 1 + data[0] % 16;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (!declaresOnlySmallNumbers(text)) {
        return -1;  // not added to the corpus
    }
    // Every other input read in blocks also spills every value: it must read the same.
    const uint64_t spillAbove = (data[0] & 0x10) != 0 ? 0 : kelsvfreader::kInMemoryBytes;
    const Reading whole = read(text, 0, kelsvfreader::kInMemoryBytes);
    const Reading cut = read(text, blockSize, spillAbove);
    KEL_FUZZ_CHECK(whole.statements == cut.statements,
                   "blocks of " + std::to_string(blockSize) + " bytes read other statements");
    KEL_FUZZ_CHECK(whole.notes == cut.notes,
                   "blocks of " + std::to_string(blockSize) + " bytes give other notes");
    KEL_FUZZ_CHECK(whole.error == cut.error, "blocks of " + std::to_string(blockSize) +
                                                 " bytes give another error: '" + cut.error +
                                                 "' instead of '" + whole.error + "'");
    return 0;
}
