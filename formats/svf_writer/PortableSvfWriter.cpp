// The portable SVF writer: each statement in the form the common players read alike.
#include "kelsvfwriter/PortableSvfWriter.h"

#include <algorithm>

#include "kelsvfwriter/SvfText.h"

namespace kelsvfwriter {

using KelPluginInterface::KELJTAG_PAUSE_DR;
using KelPluginInterface::KELJTAG_PAUSE_IR;
using KelPluginInterface::KELJTAG_RUN_TEST_IDLE;
using KelPluginInterface::KELJTAG_TEST_LOGIC_RESET;
using kelsvfreader::Keyword;
using kelsvfreader::svfStateName;

namespace {

constexpr const char* kLineEnd = ";\r\n";

bool sameValues(const ScanValues& a, const ScanValues& b) {
    if (a.bitCount != b.bitCount || a.tdi != b.tdi || a.checksTdo() != b.checksTdo()) {
        return false;
    }
    return !a.checksTdo() || (a.tdo == b.tdo && a.mask() == b.mask());
}

}  // namespace

PortableSvfWriter::PortableSvfWriter(WriterOptions options, OutputSink sink)
    : StatementWriter(options, std::move(sink)) {}

void PortableSvfWriter::writeStatement(const Statement& statement) {
    std::string& text = out();
    switch (statement.keyword) {
        case Keyword::EndIR:
        case Keyword::EndDR:
            askedEnd_[statement.keyword == Keyword::EndIR ? 1 : 0] = statement.state;
            return;
        case Keyword::HIR:
        case Keyword::HDR:
        case Keyword::TIR:
        case Keyword::TDR:
            asked_.take(statement);
            return;
        case Keyword::SIR:
        case Keyword::SDR:
            writeScan(statement);
            return;
        case Keyword::State:
            writeState(statement);
            return;
        case Keyword::RunTest:
            writeRunTest(statement);
            return;
        case Keyword::Frequency:
            text += "FREQUENCY";
            if (statement.hasFrequency) {
                text += ' ';
                appendHertz(text, statement.hertz);
            }
            text += kLineEnd;
            return;
        case Keyword::TRST:
            if (trst_ == statement.trst) {
                return;
            }
            if (trst_ == kelsvfreader::TrstMode::Absent) {
                warn(statement.position, "TRST after TRST ABSENT: a common player stops there");
            }
            trst_ = statement.trst;
            text += "TRST ";
            text += trstModeName(statement.trst);
            text += kLineEnd;
            return;
        case Keyword::PIO:
        case Keyword::PIOMap:
            warn(statement.position, std::string(kelsvfreader::keywordName(statement.keyword)) +
                                         ": players refuse or ignore it");
            text += kelsvfreader::keywordName(statement.keyword);
            text += " (" + statement.pio + ")";
            text += kLineEnd;
            return;
    }
}

void PortableSvfWriter::writeScan(const Statement& statement) {
    const bool ir = statement.keyword == Keyword::SIR;
    const ScanValues& body = *statement.scan;
    const TapState end = askedEnd_[ir ? 1 : 0];
    const uint64_t total =
        uint64_t{asked_.header(ir).bitCount} + body.bitCount + asked_.trailer(ir).bitCount;
    const uint64_t limit = options_.maxScan == 0
                               ? kPortableMaxCount
                               : std::min<uint64_t>(options_.maxScan, kPortableMaxCount);
    if (total <= limit) {
        writeWholeScan(ir, body, end);
    } else {
        writeCutScan(ir, body, end, pieceLength(total, limit));
    }
    if (end == KELJTAG_TEST_LOGIC_RESET) {
        out() += "STATE RESET";
        out() += kLineEnd;
    }
}

void PortableSvfWriter::writeWholeScan(bool ir, const ScanValues& body, TapState end) {
    writeHeadersInForce(ir, false);
    writeEndState(ir, end);
    FullScan scan;
    scan.compose(ScanValues{}, body, ScanValues{});
    writeScanLine(ir ? "SIR" : "SDR", scan);
}

void PortableSvfWriter::writeCutScan(bool ir, const ScanValues& body, TapState end,
                                     uint64_t piece) {
    writeHeadersInForce(ir, true);
    full_.compose(asked_.header(ir), body, asked_.trailer(ir));
    const TapState pause = ir ? KELJTAG_PAUSE_IR : KELJTAG_PAUSE_DR;
    for (uint64_t start = 0; start < full_.bitCount; start += piece) {
        const uint64_t count = std::min(piece, full_.bitCount - start);
        writeEndState(ir, start + count == full_.bitCount ? end : pause);
        full_.slice(start, count, piece_);
        writeScanLine(ir ? "SIR" : "SDR", piece_);
        flushIfLarge();
    }
}

void PortableSvfWriter::writeScanLine(const char* keyword, const FullScan& scan) {
    std::string& text = out();
    text += keyword;
    text += ' ';
    appendNumber(text, scan.bitCount);
    if (scan.bitCount != 0 || scan.checks()) {  // "TDR 0 TDO (0)" still makes a check
        text += " TDI ";
        writeHex(scan.tdi, scan.bitCount);
        if (scan.checks()) {
            out() += " TDO ";
            writeHex(scan.tdo, scan.bitCount);
            out() += " MASK ";
            writeHex(scan.mask, scan.bitCount);
        }
    }
    out() += kLineEnd;
}

// A long value goes out in parts, read from the top down, so the buffer holds a part of its
// text, not all of it.
void PortableSvfWriter::writeHex(const BitRope& bits, uint64_t bitCount) {
    constexpr uint64_t kPartBits = uint64_t{1} << 22;
    out().push_back('(');
    if (bitCount == 0) {
        out().push_back('0');
    }
    readFromTop(bits, kPartBits, [&](const uint8_t* block, uint64_t count) {
        const size_t bytes = bytesFor(count);
        appendHexDigits(out(), std::span<const uint8_t>(block, bytes), count, 0, bytes);
        flushIfLarge();
    });
    out().push_back(')');
}

// A cut scan has its header and trailer folded in, so none may be in force around it.
void PortableSvfWriter::writeHeadersInForce(bool ir, bool empty) {
    const ScanValues none;
    const ScanValues& header = empty ? none : asked_.header(ir);
    const ScanValues& trailer = empty ? none : asked_.trailer(ir);
    if (!sameValues(written_.header(ir), header)) {
        writeHeader(ir ? "HIR" : "HDR", header);
    }
    if (!sameValues(written_.trailer(ir), trailer)) {
        writeHeader(ir ? "TIR" : "TDR", trailer);
    }
}

void PortableSvfWriter::writeHeader(const char* keyword, const ScanValues& values) {
    FullScan scan;
    scan.compose(ScanValues{}, values, ScanValues{});
    writeScanLine(keyword, scan);
    Statement said;
    said.keyword = keyword[0] == 'H' ? (keyword[1] == 'I' ? Keyword::HIR : Keyword::HDR)
                                     : (keyword[1] == 'I' ? Keyword::TIR : Keyword::TDR);
    said.scan = &values;
    written_.take(said);
}

void PortableSvfWriter::writeEndState(bool ir, TapState state) {
    if (state == KELJTAG_TEST_LOGIC_RESET) {
        state = KELJTAG_RUN_TEST_IDLE;
    }
    TapState& written = writtenEnd_[ir ? 1 : 0];
    if (written != state) {
        written = state;
        out() += ir ? "ENDIR " : "ENDDR ";
        out() += svfStateName(state);
        out() += kLineEnd;
    }
}

void PortableSvfWriter::writeState(const Statement& statement) {
    std::string& text = out();
    text += "STATE";
    for (const TapState state : statement.path) {
        text += ' ';
        text += svfStateName(state);
    }
    if (statement.path.empty()) {
        text += ' ';
        text += svfStateName(statement.state);
    }
    text += kLineEnd;
}

void PortableSvfWriter::writeRunTest(const Statement& statement) {
    const kelsvfreader::RunTest& run = statement.run;
    uint64_t countLeft = run.hasCount ? run.count : 0;
    uint64_t timeLeft = run.hasMinTime ? run.minTime.microseconds : 0;
    const bool split = countLeft > kPortableMaxCount ||
                       exactWaitPiece(std::min(timeLeft, kPortableMaxWait)) != timeLeft;
    if (split && run.hasMaxTime) {
        warn(statement.position, "RUNTEST: MAXIMUM left out, the wait is split into several");
    }
    if (run.hasCount && run.clock == kelsvfreader::RunClock::SCK) {
        warn(statement.position, "RUNTEST counts SCK: players refuse it or do not clock TCK");
    }
    std::string& text = out();
    bool first = true;
    for (;;) {
        const uint64_t count = std::min(countLeft, kPortableMaxCount);
        const uint64_t time = exactWaitPiece(std::min(timeLeft, kPortableMaxWait));
        countLeft -= count;
        timeLeft -= time;
        const bool last = countLeft == 0 && timeLeft == 0;
        text += "RUNTEST ";
        text += svfStateName(run.runState);
        if (run.hasCount && (count != 0 || first || !run.hasMinTime)) {
            text += ' ';
            appendNumber(text, count);
            text += run.clock == kelsvfreader::RunClock::SCK ? " SCK" : " TCK";
        }
        if (run.hasMinTime && (time != 0 || first)) {
            text += ' ';
            appendMicroseconds(text, time);
            if (last && !split && run.hasMaxTime) {
                text += " MAXIMUM ";
                appendMicroseconds(text, run.maxTime.microseconds);
            }
        }
        text += " ENDSTATE ";
        text += svfStateName(last ? run.endState : run.runState);
        text += kLineEnd;
        first = false;
        if (last) {
            return;
        }
        flushIfLarge();
    }
}

}  // namespace kelsvfwriter
