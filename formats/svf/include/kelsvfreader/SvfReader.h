// A streaming reader of SVF text: it hands out one fully resolved statement per call and never
// holds more of the file than one block and the vectors of the scans in force; vectors over
// kInMemoryBytes are kept in a spill file (SpillFile.h), not in memory.
//
//   kelsvfreader::SvfReader reader(kelsvfreader::openFileSource(path, why));
//   kelsvfreader::Statement statement;
//   while (reader.next(statement)) {
//       for (const auto& note : reader.notes()) { ... }
//       switch (statement.keyword) { ... }
//   }
//   if (reader.failed()) { report(reader.error()); }
//
// What the reader resolves (SVF's rules where they are clear, and the choice made where players
// differ):
// - Scans: an omitted TDI, MASK or SMASK is carried over from the last statement of the same
//   kind (HIR, HDR, TIR, TDR, SIR, SDR each apart) when the length is the same. When the length
//   changes, an omitted TDI is an error (there is no value to carry), an omitted MASK or SMASK
//   is all ones. TDO is compared only in a statement that gives it: an omitted TDO means "no
//   check", whatever an earlier statement gave (both common players do the same).
// - Hex values: fewer digits than the length needs are zero-extended; more digits are fine as
//   long as they hold no 1 bit beyond the length (a note says so); a 1 bit beyond is an error.
// - RUNTEST: the run state and the end state persist from one RUNTEST to the next (IDLE at the
//   start). A statement that names a run state but no end state ends in that run state.
// - ENDIR, ENDDR, RUNTEST states must be RESET, IDLE, DRPAUSE or IRPAUSE; a STATE ends in one,
//   and a STATE path moves one clock per state (RESET may come anywhere).
// - Keywords and state names in any letter case; white space of any kind (CR, LF, CR LF, bare
//   CR end lines); comments from "!" or "//" to the end of the line, also inside parentheses.
// - Counts are 64-bit, lengths at most 2^32-1; both may be written in real form ("1.0E+03") if
//   the value is whole. Times are whole microseconds, rounded up (see Time).
//
// Errors stop the reader: next() returns false from then on and error() tells where and why.
// No exception leaves the reader; running out of memory for a scan is an error too.
#ifndef KELSVFREADER_SVF_READER_H
#define KELSVFREADER_SVF_READER_H

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "kelsvfreader/SvfStatement.h"
#include "kelsvfreader/TextSource.h"

namespace kelsvfreader {

// The states that later statements resolve against.
struct StatesInForce {
    TapState endIR = KelPluginInterface::KELJTAG_RUN_TEST_IDLE;
    TapState endDR = KelPluginInterface::KELJTAG_RUN_TEST_IDLE;
    TapState runState = KelPluginInterface::KELJTAG_RUN_TEST_IDLE;
    TapState runEndState = KelPluginInterface::KELJTAG_RUN_TEST_IDLE;
};

class SvfReader {
  public:
    // A null source reads as an empty text.
    explicit SvfReader(std::unique_ptr<TextSource> source);
    // A text in memory (it must outlive the reader), optionally cut into blocks (see
    // stringSource).
    static SvfReader fromString(std::string_view text, size_t blockSize = 0);

    ~SvfReader();
    SvfReader(SvfReader&&) noexcept;
    SvfReader& operator=(SvfReader&&) noexcept;
    SvfReader(const SvfReader&) = delete;
    SvfReader& operator=(const SvfReader&) = delete;

    // Reads the next statement into `statement`. False at the end of the text or after an error
    // (see failed()). Statement::scan points into the reader until the next call.
    bool next(Statement& statement) noexcept;

    // The notes of the last call of next(), in the order of the text; the call that returns the
    // last statement also carries the notes about the end of the file.
    const std::vector<Note>& notes() const;

    bool failed() const;
    const Error& error() const;  // meaningful when failed()

    // The values in force for each scan kind (a SIR is played with the HIR and TIR in force).
    const ScanValues& inForce(ScanKind kind) const;
    StatesInForce statesInForce() const;

    // Values of more than `bytes` bytes are kept in a spill file (see SpillFile.h), not in
    // memory: kInMemoryBytes unless set (tests set less).
    void setSpillThreshold(uint64_t bytes);

    uint64_t statementCount() const;  // statements returned so far
    uint64_t bytesRead() const;       // of the text, so far

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kelsvfreader

#endif  // KELSVFREADER_SVF_READER_H
