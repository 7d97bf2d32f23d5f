#include "ChainPlayer.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <new>
#include <typeinfo>

#include "PlayerImpl.h"
#include "kel/TapStateMachine.h"

namespace kelsvf::check {

using namespace KelPluginInterface;
using kelsvfreader::Keyword;
using kelsvfreader::NoteKind;

namespace {

// Leading zero digits within the value's whole bytes read alike in every player; a digit
// beyond them is one a player that reads into bytes writes outside its buffer.
bool noteIsWarning(const kelsvfreader::Note& note, const kelsvfreader::Statement* statement) {
    if (note.kind != NoteKind::ExtraHexDigits || statement == nullptr ||
        statement->scan == nullptr) {
        return true;
    }
    return note.hexDigits > 2 * bytesFor(statement->scan->bitCount);
}

bool isPause(TapState state) {
    return state == KELJTAG_PAUSE_DR || state == KELJTAG_PAUSE_IR;
}

}  // namespace

std::string countText(Count count) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(count % 10)));
        count /= 10;
    } while (count != 0);
    return digits;
}

ChainPlayer::Impl::Impl(const ChainDescription& playedChain, PlaySink& playSink,
                        PlayOptions playOptions)
    : chainDescription(playedChain),
      sink(playSink),
      options(playOptions),
      devices(playedChain.devices.size()) {
    if (!(options.frequencyHz > 0)) {
        options.frequencyHz = PlayOptions{}.frequencyHz;
    }
    counts.frequencyHz = options.frequencyHz;
    irPath.reset(chainDescription.irPathLength());
    for (size_t from = 0; from < kTapStates; ++from) {
        for (uint32_t tms = 0; tms < 2; ++tms) {
            successors[from][tms] = TapStateMachine::nextState(static_cast<TapState>(from), tms);
        }
        for (size_t to = 0; to < kTapStates; ++to) {
            const auto a = static_cast<TapState>(from);
            const auto b = static_cast<TapState>(to);
            tmsPaths[from][to] = {TapStateMachine::getTMSPath(a, b),
                                  static_cast<uint8_t>(TapStateMachine::getTMSPathLength(a, b))};
        }
    }
}

void ChainPlayer::Impl::report(Severity severity, uint64_t column, const char* kind,
                               std::string text) {
    ++(severity == Severity::Error     ? counts.errors
       : severity == Severity::Warning ? counts.warnings
                                       : counts.infos);
    sink.finding(Finding{severity, line, column, kind, std::move(text)});
}

void ChainPlayer::Impl::reportNotes(const StatementSource& reader,
                                    const kelsvfreader::Statement* statement) {
    for (const SourceNote& note : reader.sourceNotes()) {
        ++counts.warnings;
        sink.finding(Finding{Severity::Warning, note.line, 0, note.kind, note.text});
    }
    for (const kelsvfreader::Note& note : reader.notes()) {
        if (!noteIsWarning(note, statement)) {
            continue;
        }
        Finding finding{Severity::Warning, note.position.line, note.position.column,
                        kelsvfreader::noteKindName(note.kind), note.text};
        if (note.kind == NoteKind::RunStateWithoutEndState) {
            heldRunNote = std::move(finding);  // said only when a later statement makes it matter
            continue;
        }
        ++counts.warnings;
        sink.finding(finding);
    }
}

void ChainPlayer::Impl::settleRunNote(const kelsvfreader::Statement& statement) {
    if (!heldRunNote) {
        return;
    }
    // Players end such a RUNTEST in its run state or in Run-Test/Idle. That matters to a scan
    // that continues from the pause, to clocks in the carried run state, to a STATE path, and
    // to a move to the pause itself (a capture from Run-Test/Idle, none from the pause).
    bool matters = false;
    switch (statement.keyword) {
        case Keyword::SIR:
            matters = state == KELJTAG_PAUSE_IR;
            break;
        case Keyword::SDR:
            matters = state == KELJTAG_PAUSE_DR;
            break;
        case Keyword::RunTest:
            matters =
                !statement.run.runStateGiven || (isPause(state) && statement.run.runState == state);
            break;
        case Keyword::State:
            matters = statement.path.size() > 1 || (isPause(state) && statement.state == state);
            break;
        case Keyword::TRST:
            if (statement.trst != kelsvfreader::TrstMode::On) {
                return;  // moves nothing: the note waits for the next move
            }
            break;
        default:
            return;
    }
    if (matters) {
        ++counts.warnings;
        sink.finding(*heldRunNote);
    }
    heldRunNote.reset();
}

Count ChainPlayer::Impl::totalClocks() const {
    return clocksSpent;
}

void ChainPlayer::Impl::addTime(Count clockCount) {
    if (clockCount == 0) {
        return;
    }
    double hertz = options.frequencyHz;
    if (fileFrequency > 0 && fileFrequency < hertz) {
        hertz = fileFrequency;
        if (counts.lowestFileFrequencyHz == 0 || hertz < counts.lowestFileFrequencyHz) {
            counts.lowestFileFrequencyHz = hertz;
        }
    }
    // Files repeat a few statements: their quotients are remembered, the same to the last bit.
    TimeQuotient& memo = timeQuotients[static_cast<size_t>(clockCount % timeQuotients.size())];
    if (memo.clocks != clockCount || memo.hertz != hertz) {
        // A count within 64 bits converts exactly and fast; a wider one through the 128-bit path.
        const long double clocksNow =
            clockCount <= std::numeric_limits<uint64_t>::max()
                ? static_cast<long double>(static_cast<uint64_t>(clockCount))
                : static_cast<long double>(clockCount);
        memo = TimeQuotient{clockCount, hertz, clocksNow / static_cast<long double>(hertz)};
    }
    seconds += memo.seconds;
}

void ChainPlayer::Impl::resetDevices() {
    for (DeviceState& device : devices) {
        device = DeviceState{};
    }
    selectionKept = false;
    drCaptured = false;
}

void ChainPlayer::Impl::clockTms(bool tms) {
    const TapState from = state;
    ++clocks[static_cast<size_t>(from)];
    ++clocksSpent;
    if ((from == KELJTAG_SHIFT_DR || from == KELJTAG_SHIFT_IR) && !inScan) {
        // A STATE path through a shift state shifts a TDI bit the file does not give.
        report(Severity::Warning, 0, kStateThroughShift,
               std::string("STATE: the path passes ") + kelsvfreader::svfStateName(from) +
                   ", which shifts a TDI bit the file does not give (players shift 0 or 1; "
                   "played as 0)");
        const uint8_t zero = 0;
        if (from == KELJTAG_SHIFT_DR) {
            shiftDr(&zero, 1, nullptr, nullptr);
            keepDrBits(Bits::zeros(1));
        } else {
            irPath.shift(&zero, 0, 1, nullptr, nullptr, 0);
            irShifted = true;
            irLine = line;
            ++irShiftedBits;
        }
    }
    state = static_cast<size_t>(from) < kTapStates
                ? successors[static_cast<size_t>(from)][tms ? 1 : 0]
                : from;
    switch (state) {
        case KELJTAG_TEST_LOGIC_RESET:
            resetDevices();
            break;
        case KELJTAG_CAPTURE_DR:
            captureDr();
            break;
        case KELJTAG_CAPTURE_IR:
            captureIr();
            break;
        case KELJTAG_UPDATE_IR:
            updateIr();
            break;
        case KELJTAG_UPDATE_DR:
            updateDr();
            break;
        default:
            break;
    }
}

void ChainPlayer::Impl::moveTo(TapState target) {
    const TapState from = state;
    if (from == target) {
        return;
    }
    // From a pause back into its shift, as players go: Exit2 and on shifting, without an update
    // or a capture, so that one scan may be given in several statements.
    if ((from == KELJTAG_PAUSE_DR && target == KELJTAG_SHIFT_DR) ||
        (from == KELJTAG_PAUSE_IR && target == KELJTAG_SHIFT_IR)) {
        clockTms(true);
        clockTms(false);
        return;
    }
    if (static_cast<size_t>(from) >= kTapStates || static_cast<size_t>(target) >= kTapStates) {
        return;  // no such state: no path (as the TAP tables say)
    }
    const TmsPath& path = tmsPaths[static_cast<size_t>(from)][static_cast<size_t>(target)];
    for (uint8_t i = 0; i < path.length; ++i) {
        clockTms(((path.tms >> i) & 1u) != 0);
    }
}

void ChainPlayer::Impl::playState(const kelsvfreader::Statement& statement) {
    if (statement.path.size() <= 1) {
        if (statement.state == KELJTAG_TEST_LOGIC_RESET) {
            for (int i = 0; i < 5; ++i) {
                clockTms(true);
            }
        } else {
            moveTo(statement.state);
        }
        return;
    }
    for (const TapState next : statement.path) {
        const TapState from = state;
        if (TapStateMachine::nextState(from, 0) == next) {
            clockTms(false);
        } else if (TapStateMachine::nextState(from, 1) == next) {
            clockTms(true);
        } else if (next == KELJTAG_TEST_LOGIC_RESET) {
            moveTo(next);
        } else {
            report(Severity::Error, statement.position.column, kStatePath,
                   std::string("STATE: ") + kelsvfreader::svfStateName(next) + " does not follow " +
                       kelsvfreader::svfStateName(from) + " in one clock; the path stops in " +
                       kelsvfreader::svfStateName(from));
            return;
        }
    }
}

void ChainPlayer::Impl::playRunTest(const kelsvfreader::Statement& statement) {
    const kelsvfreader::RunTest& run = statement.run;
    if (run.hasMinTime && run.hasMaxTime && run.maxTime.microseconds < run.minTime.microseconds) {
        report(Severity::Warning, statement.position.column, kMaximumBelowMinimum,
               "RUNTEST: the MAXIMUM time (" + std::to_string(run.maxTime.microseconds) +
                   " us) is below the minimum time (" + std::to_string(run.minTime.microseconds) +
                   " us): no replay can keep both");
    }
    if (state != run.runState) {  // most wait where they are
        moveTo(run.runState);
    }
    double runMicroseconds = run.hasMinTime ? static_cast<double>(run.minTime.microseconds) : 0;
    if (run.hasCount && run.clock == kelsvfreader::RunClock::TCK) {
        // Run-Test/Idle, the pauses and Test-Logic-Reset hold with their TMS level.
        clocks[static_cast<size_t>(state)] += run.count;
        clocksSpent += run.count;
        const double hertz = fileFrequency > 0 ? fileFrequency : options.frequencyHz;
        runMicroseconds = std::max(runMicroseconds, static_cast<double>(run.count) * 1e6 / hertz);
    }
    counts.runMicroseconds[static_cast<size_t>(state)] += runMicroseconds;
    if (run.hasMinTime) {
        counts.minimumWaitMicroseconds += run.minTime.microseconds;
        seconds += static_cast<long double>(run.minTime.microseconds) / 1e6L;
    }
    if (state != run.endState) {
        moveTo(run.endState);
    }
}

void ChainPlayer::Impl::playTrst(const kelsvfreader::Statement& statement) {
    static const char* const names[] = {"ON", "OFF", "Z", "ABSENT"};
    const auto mode = statement.trst;
    if (trstAbsent && mode != kelsvfreader::TrstMode::Absent) {
        report(Severity::Error, statement.position.column, kTrstAbsent,
               std::string("TRST ") + names[static_cast<int>(mode)] +
                   " after TRST ABSENT: a player stops here, the chain has no TRST");
    }
    if (mode == kelsvfreader::TrstMode::Absent) {
        trstAbsent = true;
    } else if (mode == kelsvfreader::TrstMode::On) {
        state = KELJTAG_TEST_LOGIC_RESET;
        resetDevices();
    }
}

template <typename Source>
void ChainPlayer::Impl::play(const kelsvfreader::Statement& statement, Source& reader) {
    switch (statement.keyword) {
        case Keyword::SIR:
            playScan(true, statement, reader);
            break;
        case Keyword::SDR:
            if (!options.shortcuts || !playShortScan(statement, reader)) {
                playScan(false, statement, reader);
            }
            break;
        case Keyword::State:
            playState(statement);
            break;
        case Keyword::RunTest:
            playRunTest(statement);
            break;
        case Keyword::TRST:
            playTrst(statement);
            break;
        case Keyword::Frequency:
            fileFrequency = statement.hasFrequency && statement.hertz > 0 ? statement.hertz : 0;
            break;
        case Keyword::EndDR:
        case Keyword::EndIR:
        case Keyword::HDR:
        case Keyword::HIR:
        case Keyword::TDR:
        case Keyword::TIR:
        case Keyword::PIO:
        case Keyword::PIOMap:
            break;  // values and states in force, which the reader keeps
    }
}

void ChainPlayer::Impl::finish() {
    if (counts.readToEnd && counts.statements == 0) {
        line = 0;
        report(Severity::Error, 0, kNoStatement, "the file holds no SVF statement");
    }
    if (irMisfits != 0 && !irScanLengthsDiffer) {
        line = firstIrMisfitLine;
        report(Severity::Info, 0, kChainHint,
               "every SIR (with its header and trailer) is " + std::to_string(irScanLength) +
                   " bits; the chain's IR lengths add up to " +
                   std::to_string(chainDescription.irPathLength()) +
                   ": is the chain described the file's?");
    }
}

ChainPlayer::ChainPlayer(const ChainDescription& chain, PlaySink& sink, PlayOptions options)
    : impl_(std::make_unique<Impl>(chain, sink, options)) {}

ChainPlayer::~ChainPlayer() = default;

namespace {

using SvfSource = ReaderSource<kelsvfreader::SvfReader>;

// The SVF reader's source, the common one, is asked without a virtual call per question. (It
// is final: its type is the whole test.)
SvfSource* svfSourceOf(StatementSource& reader) {
    return typeid(reader) == typeid(SvfSource) ? static_cast<SvfSource*>(&reader) : nullptr;
}

}  // namespace

bool ChainPlayer::playNext(kelsvfreader::SvfReader& reader) {
    SvfSource source(reader);
    return impl_->playNext(source);
}

bool ChainPlayer::playNext(StatementSource& reader) {
    if (SvfSource* svf = svfSourceOf(reader)) {
        return impl_->playNext(*svf);
    }
    return impl_->playNext(reader);
}

template <typename Source>
bool ChainPlayer::Impl::playNext(Source& reader) {
    if (finished) {
        return false;
    }
    try {
        kelsvfreader::Statement& statement = readStatement;  // its buffers kept
        const bool read = reader.next(statement);
        counts.statements = reader.statementCount();
        counts.bytesRead = reader.bytesRead();
        const bool noted = !reader.notes().empty() || !reader.sourceNotes().empty();
        if (!read) {
            finished = true;
            if (noted) {
                reportNotes(reader, nullptr);
            }
            if (reader.failed()) {
                const kelsvfreader::Error& error = reader.error();
                line = error.position.line;
                report(Severity::Error, error.position.column, kReaderError, error.message);
            } else {
                counts.readToEnd = true;
            }
            finish();
            return false;
        }
        line = statement.position.line;
        settleRunNote(statement);  // a note held from before: this statement decides
        if (noted) {
            reportNotes(reader, &statement);
        }
        const Count clocksBefore = totalClocks();
        play(statement, reader);
        addTime(totalClocks() - clocksBefore);
        return true;
    } catch (const std::exception& error) {
        finished = true;
        inScan = false;
        const bool memory = dynamic_cast<const std::bad_alloc*>(&error) != nullptr;
        report(Severity::Error, 0, kReaderError,
               memory ? "out of memory playing this statement; the check stopped here"
                      : std::string("the check stopped here: ") + error.what());
        return false;
    }
}

PlaySummary ChainPlayer::playAll(kelsvfreader::SvfReader& reader) {
    ReaderSource<kelsvfreader::SvfReader> source(reader);
    return playAll(source);
}

PlaySummary ChainPlayer::playAll(StatementSource& reader) {
    if (SvfSource* svf = svfSourceOf(reader)) {
        while (impl_->playNext(*svf)) {
        }
    } else {
        while (impl_->playNext(reader)) {
        }
    }
    return summary();
}

const std::array<Count, 16>& ChainPlayer::clocksInState() const {
    return impl_->clocks;
}

Count ChainPlayer::minimumWaitMicroseconds() const {
    return impl_->counts.minimumWaitMicroseconds;
}

const std::array<double, 16>& ChainPlayer::runMicroseconds() const {
    return impl_->counts.runMicroseconds;
}

PlaySummary ChainPlayer::summary() const {
    PlaySummary summary = impl_->counts;
    summary.clocksInState = impl_->clocks;
    summary.totalClocks = impl_->totalClocks();
    summary.replaySeconds = static_cast<double>(impl_->seconds);
    return summary;
}

}  // namespace kelsvf::check
