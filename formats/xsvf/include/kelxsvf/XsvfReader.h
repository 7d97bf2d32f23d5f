// Reads XSVF into the same resolved statements the SVF reader hands out, so that whatever plays,
// checks, compares or converts SVF statements takes XSVF as well.
//
//   kelxsvf::XsvfReader reader(kelsvfreader::openFileSource(path, why));
//   kelsvfreader::Statement statement;
//   while (reader.next(statement)) { ... }
//   if (reader.failed()) { report(reader.error()); }
//
// The state a player carries from command to command is carried here: XSDRSIZE, XTDOMASK, the
// expected TDO, XRUNTEST, XENDIR/XENDDR, XREPEAT and the XSDRINC masks stay in force. So:
// - XSIR/XSIR2 is a SIR without TDO; XSDR is an SDR compared against the last expected TDO
//   under the mask in force (an SDR without TDO where the mask is zeros, as it is after XSDRSIZE
//   until an XTDOMASK), XSDRTDO an SDR with a new expected TDO, under the mask in force.
// - A nonzero XRUNTEST ends each XSIR/XSDR-like step in Run-Test/Idle, whatever XENDIR/XENDDR
//   says, with "RUNTEST IDLE n TCK n us": players give n clocks and n microseconds.
// - XSDRB/XSDRC (and their TDO forms) stay in Shift-DR: they read as SDRs ending in Pause-DR,
//   from which the next piece continues the shift; XSDRE ends as XENDDR says. They compare no
//   TDO; their TDO forms compare under the mask in force, as the published format says.
// - XSDRINC is one SDR and one more for each increment (address plus one under the address
//   mask, the data bits placed under the data mask, least significant first).
// - XSTATE of a stable state is a STATE; XSTATEs through unstable states gather into one STATE
//   path up to the stable state that ends it. XWAIT is a RUNTEST of time only.
// - XREPEAT retries cannot be said in SVF: a note, and the file is read as when every check
//   passes. The dialect's XWAITSTATE and XTRST are read too, with a note.
// - A file must end with XCOMPLETE: the end of the file before it is an error (a player reads
//   it as an unknown command); bytes after it are never played (a note).
//
// Places: a statement's position holds the byte offset of its command in `line` (from 0) and 0
// in `column`; errors and notes name the offset and the command.
// Memory holds the vectors of the command being read: space is reserved for the length a
// command announces, but used only as its bytes arrive. No exception leaves the reader.
#ifndef KELXSVF_XSVF_READER_H
#define KELXSVF_XSVF_READER_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "kelsvfreader/SvfReader.h"
#include "kelsvfreader/SvfStatement.h"
#include "kelsvfreader/TextSource.h"

namespace kelxsvf {

using kelsvfreader::Statement;

struct XsvfNote {
    uint64_t offset = 0;  // of the command
    std::string text;     // "byte 40, XREPEAT: ..."
    // A short stable name ("xrepeat-retries", ...) and the text without the place, for reports
    // that name the place themselves.
    const char* kind = "";
    std::string message;  // "XREPEAT: ..."
};

class XsvfReader {
  public:
    explicit XsvfReader(std::unique_ptr<kelsvfreader::TextSource> source);
    // Bytes in memory (they must outlive the reader), optionally cut into blocks.
    static XsvfReader fromBytes(std::string_view bytes, size_t blockSize = 0);

    ~XsvfReader();
    XsvfReader(XsvfReader&&) noexcept;
    XsvfReader& operator=(XsvfReader&&) noexcept;
    XsvfReader(const XsvfReader&) = delete;
    XsvfReader& operator=(const XsvfReader&) = delete;

    // The next statement; false at XCOMPLETE or after an error. Statement::scan points into the
    // reader until the next call.
    bool next(Statement& statement) noexcept;

    // The notes of the last call of next().
    const std::vector<XsvfNote>& notes() const;
    bool failed() const;
    const kelsvfreader::Error& error() const;

    // As the SVF reader's: headers and trailers are always empty in XSVF.
    const kelsvfreader::ScanValues& inForce(kelsvfreader::ScanKind kind) const;
    kelsvfreader::StatesInForce statesInForce() const;
    // Values of more than `bytes` bytes are kept in a spill file, not in memory:
    // kelsvfreader::kInMemoryBytes unless set (tests set less).
    void setSpillThreshold(uint64_t bytes);

    uint64_t statementCount() const;
    uint64_t bytesRead() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kelxsvf

#endif  // KELXSVF_XSVF_READER_H
