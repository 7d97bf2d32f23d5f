// The XSVF reader: commands in, resolved statements out, one per call.
#include "kelxsvf/XsvfReader.h"

#include <cstdio>
#include <exception>
#include <new>

#include "ReaderImpl.h"
#include "kelxsvf/XsvfCommands.h"

namespace kelxsvf {

using kelsvfreader::Keyword;
using namespace KelPluginInterface;

namespace {

bool isStable(TapState state) {
    return state == KELJTAG_TEST_LOGIC_RESET || state == KELJTAG_RUN_TEST_IDLE ||
           state == KELJTAG_PAUSE_DR || state == KELJTAG_PAUSE_IR;
}

// Longer XSTATE paths through unstable states than any walk of the TAP needs are refused, so
// that a path cannot grow without bound.
constexpr size_t kMaxPath = 64;

}  // namespace

XsvfReader::XsvfReader(std::unique_ptr<kelsvfreader::TextSource> source)
    : impl_(std::make_unique<Impl>(std::move(source))) {}

XsvfReader XsvfReader::fromBytes(std::string_view bytes, size_t blockSize) {
    return XsvfReader(kelsvfreader::stringSource(bytes, blockSize));
}

XsvfReader::~XsvfReader() = default;
XsvfReader::XsvfReader(XsvfReader&&) noexcept = default;
XsvfReader& XsvfReader::operator=(XsvfReader&&) noexcept = default;

bool XsvfReader::next(Statement& statement) noexcept {
    impl_->notes.clear();
    try {
        return impl_->next(statement);
    } catch (const std::bad_alloc&) {
        return impl_->fail("not enough memory for the command");
    } catch (const std::exception& e) {
        return impl_->fail(e.what());
    }
}

const std::vector<XsvfNote>& XsvfReader::notes() const {
    return impl_->notes;
}
bool XsvfReader::failed() const {
    return impl_->failed;
}
const kelsvfreader::Error& XsvfReader::error() const {
    return impl_->error;
}
const ScanValues& XsvfReader::inForce(ScanKind kind) const {
    return impl_->scans[static_cast<size_t>(kind)];
}
kelsvfreader::StatesInForce XsvfReader::statesInForce() const {
    return impl_->states;
}
void XsvfReader::setSpillThreshold(uint64_t bytes) {
    impl_->spillAbove = bytes;
}

uint64_t XsvfReader::statementCount() const {
    return impl_->statementCount;
}
uint64_t XsvfReader::bytesRead() const {
    return impl_->in.offset();
}

bool XsvfReader::Impl::next(Statement& statement) {
    for (;;) {
        if (failed) {
            return false;
        }
        if (!queue.empty()) {
            handOut(queue.front(), statement);
            queue.pop_front();
            return true;
        }
        if (incrementsLeft > 0) {
            if (!readIncrement()) {
                return false;
            }
            continue;
        }
        if (finished || !readCommand()) {
            return false;
        }
    }
}

void XsvfReader::Impl::handOut(Pending& pending, Statement& statement) {
    statement = std::move(pending.statement);
    switch (statement.keyword) {
        case Keyword::SIR:
        case Keyword::SDR: {
            ScanValues& values = scans[static_cast<size_t>(statement.scanKind)];
            const uint32_t previous = values.bitCount;
            values = std::move(pending.values);
            values.lengthChanged = previous != values.bitCount;
            statement.scan = &values;
            break;
        }
        case Keyword::EndIR:
            states.endIR = statement.state;
            break;
        case Keyword::EndDR:
            states.endDR = statement.state;
            break;
        case Keyword::RunTest:
            states.runState = statement.run.runState;
            states.runEndState = statement.run.endState;
            break;
        default:
            break;
    }
    ++statementCount;
}

bool XsvfReader::Impl::readCommand() {
    commandOffset = in.offset();
    commandName = "XSVF";
    uint8_t opcode = 0;
    if (!in.byte(opcode)) {
        if (!in.readError().empty()) {
            return fail("cannot read the file: " + in.readError());
        }
        return fail(
            "the file ends without XCOMPLETE (a player reads the end as an unknown "
            "command)");
    }
    const char* name = opcodeName(opcode);
    if (name == nullptr) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02x", opcode);
        return fail(std::string("unknown command ") + hex);
    }
    commandName = name;
    if (!path.empty() && opcode != static_cast<uint8_t>(Opcode::XSTATE)) {
        return fail(std::string("the XSTATEs before it leave the TAP in ") +
                    kelsvfreader::svfStateName(path.back()) + ", where SVF cannot stop");
    }
    uint32_t value = 0;
    switch (static_cast<Opcode>(opcode)) {
        case Opcode::XCOMPLETE:
            return complete();
        case Opcode::XTDOMASK:
            if (!readValue(sdrSize, tdoMask, maskHasBits)) {
                return false;
            }
            if (!maskHasBits) {
                // Zeros, the mask of every unchecked scan: kept as "empty", not as bytes.
                tdoMask = kelsvfreader::Bits();
            }
            maskSinceSize = true;
            return true;
        case Opcode::XRUNTEST:
            if (!in.number(4, runTest)) {
                return truncated();
            }
            return true;
        case Opcode::XREPEAT: {
            uint8_t repeat = 0;
            if (!in.byte(repeat)) {
                return truncated();
            }
            if (repeat != 0 && !repeatNoted) {
                repeatNoted = true;
                note("xrepeat-retries",
                     "XREPEAT " + std::to_string(repeat) +
                         ": retries of a failed check cannot be said in SVF; read as played once, "
                         "as when every check passes");
            }
            return true;
        }
        case Opcode::XSDRSIZE:
            if (!in.number(4, value)) {
                return truncated();
            }
            sdrSize = value;
            tdoMask = kelsvfreader::Bits();
            expected = kelsvfreader::Bits();
            maskHasBits = false;
            maskSinceSize = false;
            return true;
        case Opcode::XSETSDRMASKS:
            addressMask.clear();
            dataMask.clear();
            if (!readVector(sdrSize, addressMask) || !readVector(sdrSize, dataMask)) {
                return false;
            }
            dataBits = 0;
            for (const uint8_t b : dataMask) {
                dataBits += static_cast<uint64_t>(__builtin_popcount(b));
            }
            return true;
        case Opcode::XSTATE:
            return readState();
        case Opcode::XENDIR:
            return readEndState(true);
        case Opcode::XENDDR:
            return readEndState(false);
        case Opcode::XCOMMENT:
            return readComment();
        case Opcode::XWAIT:
            return readWait(false);
        case Opcode::XWAITSTATE:
            return readWait(true);
        case Opcode::XTRST:
            return readTrst();
        default:
            return readScanCommand(opcode);
    }
}

bool XsvfReader::Impl::complete() {
    finished = true;
    uint8_t extra = 0;
    if (in.byte(extra)) {
        note("bytes-after-xcomplete", "bytes after XCOMPLETE (from byte " +
                                          std::to_string(in.offset() - 1) + ") are never played");
    }
    return false;
}

// A player walks to each XSTATE from where the TAP is; SVF spells a path through unstable states
// clock by clock, so the walk is written out.
bool XsvfReader::Impl::readState() {
    uint8_t code = 0;
    if (!in.byte(code)) {
        return truncated();
    }
    const auto state = stateFromCode(code);
    if (!state) {
        return fail("state code " + std::to_string(code) + " is none of the 16 TAP states");
    }
    if (path.empty()) {
        pathOffset = commandOffset;
        if (isStable(*state)) {
            Pending& pending = push(Keyword::State);
            pending.statement.state = *state;
            pending.statement.path = {*state};
            queuedTap = *state;
            return true;
        }
    }
    TapState at = path.empty() ? queuedTap : path.back();
    const uint8_t tms = TapStateMachine::getTMSPath(at, *state);
    const int32_t clocks = at == *state ? 0 : TapStateMachine::getTMSPathLength(at, *state);
    for (int32_t i = 0; i < clocks; ++i) {
        at = TapStateMachine::nextState(at, (tms >> i) & 1u);
        path.push_back(at);
    }
    if (path.size() > kMaxPath) {
        return fail("more XSTATEs through unstable states than a TAP walk takes");
    }
    if (!isStable(*state) || path.empty()) {
        return true;
    }
    const uint64_t offset = commandOffset;
    commandOffset = pathOffset;
    Pending& pending = push(Keyword::State);
    commandOffset = offset;
    pending.statement.state = *state;
    pending.statement.path = std::move(path);
    path.clear();
    queuedTap = *state;
    return true;
}

bool XsvfReader::Impl::readEndState(bool ir) {
    uint8_t code = 0;
    if (!in.byte(code)) {
        return truncated();
    }
    if (code > 1) {
        return fail("end state " + std::to_string(code) +
                    " is neither 0 (Run-Test/Idle) nor 1 "
                    "(the pause state)");
    }
    const TapState pause = ir ? KELJTAG_PAUSE_IR : KELJTAG_PAUSE_DR;
    (ir ? endIR : endDR) = code == 1 ? pause : KELJTAG_RUN_TEST_IDLE;
    return true;
}

bool XsvfReader::Impl::readWait(bool withClocks) {
    uint8_t codes[2] = {};
    uint32_t clocks = 0;
    uint32_t microseconds = 0;
    if (!in.byte(codes[0]) || !in.byte(codes[1]) || (withClocks && !in.number(4, clocks)) ||
        !in.number(4, microseconds)) {
        return truncated();
    }
    TapState named[2] = {};
    for (int i = 0; i < 2; ++i) {
        const auto state = stateFromCode(codes[i]);
        if (!state || !isStable(*state)) {
            return fail(std::string(i == 0 ? "wait" : "end") + " state code " +
                        std::to_string(codes[i]) +
                        ": SVF waits only in Test-Logic-Reset, Run-Test/Idle and the pause "
                        "states");
        }
        named[i] = *state;
    }
    if (withClocks && !dialectNoted) {
        dialectNoted = true;
        note("xsvf-dialect", "XWAITSTATE is a dialect's command: not every XSVF player reads it");
    }
    pushRunTest(named[0], named[1], withClocks, clocks, !withClocks || microseconds != 0,
                microseconds);
    return true;
}

bool XsvfReader::Impl::readTrst() {
    uint8_t mode = 0;
    if (!in.byte(mode)) {
        return truncated();
    }
    if (mode > 3) {
        return fail("TRST mode " + std::to_string(mode) + " is none of 0 (ON) to 3 (ABSENT)");
    }
    if (!dialectNoted) {
        dialectNoted = true;
        note("xsvf-dialect", "XTRST is a dialect's command: not every XSVF player reads it");
    }
    static constexpr kelsvfreader::TrstMode kModes[] = {
        kelsvfreader::TrstMode::On, kelsvfreader::TrstMode::Off, kelsvfreader::TrstMode::Z,
        kelsvfreader::TrstMode::Absent};
    push(Keyword::TRST).statement.trst = kModes[mode];
    return true;
}

bool XsvfReader::Impl::readComment() {
    for (;;) {
        uint8_t c = 0;
        if (!in.byte(c)) {
            return truncated();
        }
        if (c == 0) {
            return true;
        }
    }
}

bool XsvfReader::Impl::truncated() {
    if (!in.readError().empty()) {
        return fail("cannot read the file: " + in.readError());
    }
    return fail("the file ends inside the command");
}

bool XsvfReader::Impl::fail(std::string message) {
    if (!failed) {
        failed = true;
        error.position = kelsvfreader::Position{commandOffset, 0};
        error.message =
            "byte " + std::to_string(commandOffset) + ", " + commandName + ": " + message;
    }
    queue.clear();
    return false;
}

void XsvfReader::Impl::note(const char* kind, std::string text) {
    std::string message = std::string(commandName) + ": " + std::move(text);
    notes.push_back(XsvfNote{commandOffset,
                             "byte " + std::to_string(commandOffset) + ", " + message, kind,
                             std::move(message)});
}

}  // namespace kelxsvf
