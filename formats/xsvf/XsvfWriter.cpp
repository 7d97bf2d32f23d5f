// The XSVF writer: statements in, published XSVF commands out.
#include "kelxsvf/XsvfWriter.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "kelxsvf/XsvfCommands.h"

namespace kelxsvf {

using kelsvfreader::Keyword;
using kelsvfwriter::anyBitSet;
using kelsvfwriter::bytesFor;
using kelsvfwriter::FullScan;
using kelsvfwriter::pieceLength;
using namespace KelPluginInterface;

namespace {

// A scan larger than this is written at once rather than held for a RUNTEST to fold into it:
// the RUNTEST after it becomes an XWAIT.
constexpr size_t kMaxHeldBytes = 16 << 20;

uint8_t code(Opcode opcode) {
    return static_cast<uint8_t>(opcode);
}

// The pause of the scan's own kind, where XENDIR/XENDDR can end it.
KelPluginInterface::TapState ownPause(bool ir) {
    return ir ? KELJTAG_PAUSE_IR : KELJTAG_PAUSE_DR;
}

}  // namespace

XsvfWriter::XsvfWriter(WriterOptions options, OutputSink sink)
    : StatementWriter(options, std::move(sink)) {
    opcode(code(Opcode::XREPEAT));
    number(std::min(options_.xrepeat, 255u), 1);
}

void XsvfWriter::writeStatement(const Statement& statement) {
    if (held_.active) {
        const bool folds = statement.keyword == Keyword::RunTest && foldedRunTest(statement) != 0;
        writeHeld(folds ? &statement : nullptr);
        if (folds) {
            return;
        }
    }
    switch (statement.keyword) {
        case Keyword::EndIR:
        case Keyword::EndDR:
            askedEnd_[statement.keyword == Keyword::EndIR ? 1 : 0] = statement.state;
            return;
        case Keyword::HIR:
        case Keyword::HDR:
        case Keyword::TIR:
        case Keyword::TDR:
            headers_.take(statement);
            return;
        case Keyword::SIR:
        case Keyword::SDR:
            takeScan(statement);
            return;
        case Keyword::State:
            writeState(statement);
            return;
        case Keyword::RunTest:
            writeWait(statement);
            return;
        case Keyword::Frequency:
            unsupported(statement.position,
                        "FREQUENCY: XSVF has no frequency (TCK counts are converted at it)");
            return;
        case Keyword::TRST:
            unsupported(statement.position, "TRST: not in the published XSVF command set");
            return;
        case Keyword::PIO:
        case Keyword::PIOMap:
            unsupported(statement.position,
                        std::string(kelsvfreader::keywordName(statement.keyword)) +
                            ": XSVF has no such command");
            return;
    }
}

void XsvfWriter::writeEnd() {
    if (held_.active) {
        writeHeld(nullptr);
    }
    opcode(code(Opcode::XCOMPLETE));
}

void XsvfWriter::takeScan(const Statement& statement) {
    const bool ir = statement.keyword == Keyword::SIR;
    const TapState end = askedEnd_[ir ? 1 : 0];
    full_.compose(headers_.header(ir), *statement.scan, headers_.trailer(ir));
    if (ir && full_.checks()) {
        unsupported(statement.position, "SIR with TDO: XSIR compares no TDO");
    }
    const uint64_t hardLimit = ir ? kXsvfMaxIrScan : kXsvfMaxDrScan;
    const uint64_t limit =
        options_.maxScan == 0 ? hardLimit : std::min(options_.maxScan, hardLimit);
    if (full_.bitCount > limit) {
        const uint64_t piece = pieceLength(full_.bitCount, limit);
        if (ir) {
            writeCutIr(full_, end, piece);
        } else {
            if (full_.checks() && !cutCheckWarned_) {
                cutCheckWarned_ = true;
                const std::string why = options_.maxScan != 0 && options_.maxScan < hardLimit
                                            ? "--max-scan " + std::to_string(options_.maxScan)
                                            : "XSVF's " + std::to_string(hardLimit);
                warn(statement.position,
                     "SDR of " + std::to_string(full_.bitCount) + " bits with TDO cut at " + why +
                         " bits into XSDRTDOB/XSDRTDOC/XSDRTDOE pieces: a common XSVF player "
                         "compares no bit of those, so there this check and those of every "
                         "later cut scan are lost (said once)");
            }
            writeCutDr(full_, end, piece);
        }
        return;
    }
    const bool checks = !ir && full_.checks();
    held_.ir = ir;
    held_.end = end;
    held_.bits = full_.bitCount;
    if (bytesFor(full_.bitCount) > kMaxHeldBytes) {
        setRunTest(0);
        setEndState(ir, end);
        if (ir) {
            writeSir(full_.tdi, full_.bitCount);
        } else {
            writeSdr(code(Opcode::XSDR), code(Opcode::XSDRTDO), full_.tdi,
                     checks ? full_.tdo : Bits{}, checks ? full_.mask : Bits{}, full_.bitCount,
                     checks);
        }
        stateAfterScan(ir, end);
        return;
    }
    held_.active = true;
    held_.checks = checks;
    held_.tdi = full_.tdi;
    held_.tdo = checks ? full_.tdo : Bits{};
    held_.mask = checks ? full_.mask : Bits{};
}

// The XRUNTEST a RUNTEST becomes when it follows a scan, or 0 when it cannot be one: only in
// Run-Test/Idle, after a scan that ends in Run-Test/Idle or its own pause (from which the way to
// Run-Test/Idle passes no capture), and within a player's range.
uint64_t XsvfWriter::foldedRunTest(const Statement& statement) const {
    const kelsvfreader::RunTest& run = statement.run;
    const bool plainEnd = held_.end == KELJTAG_RUN_TEST_IDLE || held_.end == ownPause(held_.ir);
    if (run.runState != KELJTAG_RUN_TEST_IDLE || !plainEnd ||
        (run.hasCount && run.clock == kelsvfreader::RunClock::SCK)) {
        return 0;
    }
    const uint64_t count = run.hasCount ? run.count : 0;
    const uint64_t time = run.hasMinTime ? run.minTime.microseconds : 0;
    const uint64_t value =
        std::max({count, kelsvfwriter::clockMicroseconds(count, frequency()), time});
    return value <= kXsvfMaxWait ? value : 0;
}

void XsvfWriter::writeHeld(const Statement* runTest) {
    held_.active = false;
    const uint64_t wait = runTest == nullptr ? 0 : foldedRunTest(*runTest);
    setRunTest(static_cast<uint32_t>(wait));
    if (wait == 0) {
        setEndState(held_.ir, held_.end);
    }
    if (held_.ir) {
        writeSir(held_.tdi, held_.bits);
    } else {
        writeSdr(code(Opcode::XSDR), code(Opcode::XSDRTDO), held_.tdi, held_.tdo, held_.mask,
                 held_.bits, held_.checks);
    }
    if (runTest == nullptr) {
        stateAfterScan(held_.ir, held_.end);
    } else {
        tap_ = runTest->run.endState;
        if (tap_ != KELJTAG_RUN_TEST_IDLE) {
            opcode(code(Opcode::XSTATE));
            number(codeOfState(tap_), 1);
        }
    }
}

void XsvfWriter::writeCutIr(const FullScan& scan, TapState end, uint64_t piece) {
    setRunTest(0);
    for (uint64_t start = 0; start < scan.bitCount; start += piece) {
        const uint64_t count = std::min(piece, scan.bitCount - start);
        setEndState(true, start + count == scan.bitCount ? end : KELJTAG_PAUSE_IR);
        scan.slice(start, count, piece_);
        writeSir(piece_.tdi, count);
    }
    stateAfterScan(true, end);
}

// XSDRB enters Shift-DR and stays there, XSDRC goes on shifting, XSDRE leaves as XENDDR says.
void XsvfWriter::writeCutDr(const FullScan& scan, TapState end, uint64_t piece) {
    setEndState(false, end);
    for (uint64_t start = 0; start < scan.bitCount; start += piece) {
        const uint64_t count = std::min(piece, scan.bitCount - start);
        const bool first = start == 0;
        const bool last = start + count == scan.bitCount;
        scan.slice(start, count, piece_);
        const Opcode plain = first ? Opcode::XSDRB : last ? Opcode::XSDRE : Opcode::XSDRC;
        const Opcode checked = first  ? Opcode::XSDRTDOB
                               : last ? Opcode::XSDRTDOE
                                      : Opcode::XSDRTDOC;
        writeSdr(code(plain), code(checked), piece_.tdi, piece_.tdo, piece_.mask, count,
                 piece_.checks());
        flushIfLarge();
    }
    stateAfterScan(false, end);
}

void XsvfWriter::writeWait(const Statement& statement) {
    const kelsvfreader::RunTest& run = statement.run;
    uint64_t count = run.hasCount ? run.count : 0;
    if (run.hasCount && run.clock == kelsvfreader::RunClock::SCK) {
        unsupported(statement.position, "RUNTEST counts SCK: XSVF counts TCK only");
        count = 0;
    }
    uint64_t left = std::max(run.hasMinTime ? run.minTime.microseconds : 0,
                             kelsvfwriter::clockMicroseconds(count, frequency()));
    for (;;) {
        const uint64_t wait = std::min(left, kXsvfMaxWait);
        left -= wait;
        opcode(code(Opcode::XWAIT));
        number(codeOfState(run.runState), 1);
        number(codeOfState(left == 0 ? run.endState : run.runState), 1);
        number(wait, 4);
        if (left == 0) {
            tap_ = run.endState;
            return;
        }
    }
}

// An XSVF player walks to each XSTATE by the shortest path; an SVF path step that is not one
// clock from the state before would become a walk of several clocks, another effect.
void XsvfWriter::writeState(const Statement& statement) {
    TapState at = tap_;
    for (size_t i = 0; statement.path.size() > 1 && i < statement.path.size(); ++i) {
        const TapState next = statement.path[i];
        if (next != KELJTAG_TEST_LOGIC_RESET && TapStateMachine::nextState(at, 0) != next &&
            TapStateMachine::nextState(at, 1) != next) {
            fail(statement.position, std::string("STATE: ") + kelsvfreader::svfStateName(next) +
                                         " does not follow " + kelsvfreader::svfStateName(at) +
                                         " in one clock");
            return;
        }
        at = next;
    }
    tap_ = statement.state;
    if (statement.path.empty()) {
        opcode(code(Opcode::XSTATE));
        number(codeOfState(statement.state), 1);
    }
    for (const TapState state : statement.path) {
        opcode(code(Opcode::XSTATE));
        number(codeOfState(state), 1);
    }
}

void XsvfWriter::opcode(uint8_t value) {
    out().push_back(static_cast<char>(value));
}

void XsvfWriter::number(uint64_t value, int size) {
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8) {
        out().push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

namespace {

// `count` bytes of `from` into `to`, last first, eight at a time.
void reverseBytes(const uint8_t* from, size_t count, uint8_t* to) {
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t word = 0;
        std::memcpy(&word, from + count - i - 8, 8);
        word = __builtin_bswap64(word);
        std::memcpy(to + i, &word, 8);
    }
    for (; i < count; ++i) {
        to[i] = from[count - 1 - i];
    }
}

}  // namespace

// Most significant byte first, read from the top down in parts so the buffer stays small; a
// vector shorter than the length (a mask of zeros kept empty) has zeros above it.
void XsvfWriter::vector(const Bits& bits, uint64_t bitCount) {
    const size_t size = bytesFor(bitCount);
    const size_t present = std::min(size, bytesFor(bits.size()));
    for (size_t zeros = size - present; zeros > 0;) {
        const size_t part = std::min<size_t>(zeros, size_t{1} << 20);
        out().append(part, '\0');
        zeros -= part;
        flushIfLarge();
    }
    kelsvfwriter::readFromTop(bits, uint64_t{1} << 23, [&](const uint8_t* block, uint64_t count) {
        const size_t bytes = bytesFor(count);
        std::string& text = out();
        const size_t at = text.size();
        text.resize(at + bytes);
        reverseBytes(block, bytes, reinterpret_cast<uint8_t*>(text.data() + at));
        flushIfLarge();
    });
}

void XsvfWriter::setRunTest(uint32_t value) {
    if (runTest_ != value) {
        runTest_ = value;
        opcode(code(Opcode::XRUNTEST));
        number(value, 4);
    }
}

// XSVF ends a scan in Run-Test/Idle or its own pause state; Test-Logic-Reset and the other
// kind's pause follow as an XSTATE (stateAfterScan).
void XsvfWriter::setEndState(bool ir, TapState state) {
    const bool pause = state == ownPause(ir);
    const TapState wanted = pause ? state : KELJTAG_RUN_TEST_IDLE;
    if (end_[ir ? 1 : 0] != wanted) {
        end_[ir ? 1 : 0] = wanted;
        opcode(code(ir ? Opcode::XENDIR : Opcode::XENDDR));
        number(pause ? 1 : 0, 1);
    }
}

void XsvfWriter::stateAfterScan(bool ir, TapState end) {
    tap_ = end;
    if (end != KELJTAG_RUN_TEST_IDLE && end != ownPause(ir)) {
        opcode(code(Opcode::XSTATE));
        number(codeOfState(end), 1);
    }
}

// XTDOMASK is read at the XSDRSIZE in force, so every size change writes it again.
void XsvfWriter::setSize(uint64_t bits, const Bits& mask) {
    if (sizeWritten_ && size_ == bits) {
        return;
    }
    sizeWritten_ = true;
    size_ = bits;
    opcode(code(Opcode::XSDRSIZE));
    number(bits, 4);
    keepMask(mask);
    opcode(code(Opcode::XTDOMASK));
    vector(mask_, bits);  // a mask of zeros is kept empty and goes out as zeros
}

void XsvfWriter::setMask(const Bits& mask, uint64_t bits) {
    const bool zeros = !kelsvfwriter::anyBitSet(mask);
    const bool same = zeros ? mask_.empty() : kelsvfwriter::sameBits(mask, mask_);
    if (same) {
        return;
    }
    keepMask(mask);
    opcode(code(Opcode::XTDOMASK));
    vector(mask_, bits);
}

// The mask in force, empty for zeros; otherwise it shares the scan's values.
void XsvfWriter::keepMask(const Bits& mask) {
    mask_ = kelsvfwriter::anyBitSet(mask) ? mask : Bits{};
}

void XsvfWriter::writeSir(const Bits& tdi, uint64_t bits) {
    if (bits <= 255) {
        opcode(code(Opcode::XSIR));
        number(bits, 1);
    } else {
        opcode(code(Opcode::XSIR2));
        number(bits, 2);
    }
    vector(tdi, bits);
}

// `checks`: a TDO with a mask of zeros too: the check is said, as the input says it.
void XsvfWriter::writeSdr(uint8_t plain, uint8_t checked, const Bits& tdi, const Bits& tdo,
                          const Bits& mask, uint64_t bits, bool checks) {
    setSize(bits, checks ? mask : Bits{});
    const bool piece = plain != code(Opcode::XSDR);
    // A plain XSDR is compared against the TDO in force: it needs a mask of zeros. XSDRB/C/E
    // compare nothing, whatever the mask.
    if (checks || !piece) {
        setMask(checks ? mask : Bits{}, bits);
    }
    opcode(checks ? checked : plain);
    vector(tdi, bits);
    if (checks) {
        vector(tdo, bits);
    }
}

}  // namespace kelxsvf
