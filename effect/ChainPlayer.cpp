#include "ChainPlayer.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <limits>
#include <new>

#include "PartRules.h"
#include "PlayerImpl.h"
#include "kel/TapStateMachine.h"
#include "report/ValueText.h"

namespace kelsvf::check {

using namespace KelPluginInterface;
using kelsvfreader::Keyword;
using kelsvfreader::NoteKind;

namespace {

std::vector<kelsim::SimulatedDevice> devicesOf(const ChainDescription& described) {
    std::vector<kelsim::SimulatedDevice> devices;
    for (const DeviceDescription& device : described.devices) {
        devices.push_back(simulatedDevice(device));
    }
    return devices;
}

// Leading zero digits within the value's whole bytes read alike in every player; a digit
// beyond them is one a player that reads into bytes writes outside its buffer.
bool noteIsWarning(const kelsvfreader::Note& note, const kelsvfreader::Statement* statement) {
    if (note.kind != NoteKind::ExtraHexDigits || statement == nullptr ||
        statement->scan == nullptr) {
        return true;
    }
    return note.hexDigits > 2 * bytesFor(statement->scan->bitCount);
}

}  // namespace

ChainPlayer::Impl::Impl(const ChainDescription& playedChain, PlaySink& playSink,
                        PlayOptions playOptions)
    : chainDescription(playedChain),
      sink(playSink),
      options(playOptions),
      chain(devicesOf(playedChain)) {
    if (!(options.frequencyHz > 0)) {
        options.frequencyHz = PlayOptions{}.frequencyHz;
    }
    counts.frequencyHz = options.frequencyHz;
}

void ChainPlayer::Impl::report(Severity severity, uint64_t column, const char* kind,
                               std::string text) {
    ++(severity == Severity::Error ? counts.errors : counts.warnings);
    sink.finding(Finding{severity, line, column, kind, std::move(text)});
}

void ChainPlayer::Impl::reportNotes(const kelsvfreader::SvfReader& reader,
                                    const kelsvfreader::Statement* statement) {
    for (const kelsvfreader::Note& note : reader.notes()) {
        if (noteIsWarning(note, statement)) {
            ++counts.warnings;
            sink.finding(Finding{Severity::Warning, note.position.line, note.position.column,
                                 kelsvfreader::noteKindName(note.kind), note.text});
        }
    }
}

uint64_t ChainPlayer::Impl::totalClocks() const {
    uint64_t total = 0;
    for (int32_t state = 0; state < KELJTAG_STATE_COUNT; ++state) {
        total += chain.clocksIn(static_cast<TapState>(state));
    }
    return total;
}

void ChainPlayer::Impl::addTime(uint64_t clocks) {
    const double hertz =
        fileFrequency > 0 ? std::min(options.frequencyHz, fileFrequency) : options.frequencyHz;
    seconds += static_cast<long double>(clocks) / static_cast<long double>(hertz);
}

void ChainPlayer::Impl::addWait(uint64_t microseconds) {
    const uint64_t room = std::numeric_limits<uint64_t>::max() - counts.minimumWaitMicroseconds;
    counts.minimumWaitMicroseconds += std::min(room, microseconds);
    seconds += static_cast<long double>(microseconds) / 1e6L;
}

void ChainPlayer::Impl::clockTms(bool tms) {
    chain.clock(tms, false);
    switch (chain.state()) {
        case KELJTAG_CAPTURE_DR:
            if (pendingDr.active) {
                prepareDrScan();
            }
            break;
        case KELJTAG_CAPTURE_IR:
            irCaptured = true;
            break;
        case KELJTAG_UPDATE_IR:
            reportIrUpdates();
            break;
        case KELJTAG_UPDATE_DR:
            reportDrUpdates();
            break;
        default:
            break;
    }
}

void ChainPlayer::Impl::moveTo(TapState target) {
    const TapState from = chain.state();
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
    const uint8_t path = TapStateMachine::getTMSPath(from, target);
    const int32_t length = TapStateMachine::getTMSPathLength(from, target);
    for (int32_t i = 0; i < length; ++i) {
        clockTms(((path >> i) & 1u) != 0);
    }
}

void ChainPlayer::Impl::reportIrUpdates() {
    for (size_t i = 0; i < chain.deviceCount(); ++i) {
        kelsim::SimulatedDevice& device = chain.device(i);
        const uint64_t instruction = device.instruction();
        uint8_t bytes[8];
        const size_t size = bytesFor(device.irLength());
        for (size_t k = 0; k < size; ++k) {
            bytes[k] = static_cast<uint8_t>(instruction >> (8 * k));
        }
        const std::span<const uint8_t> value(bytes, size);
        ++counts.irUpdates;
        const std::string names = nameInstruction(i, instruction);
        sink.deviceUpdate(DeviceUpdate{line, static_cast<uint32_t>(i), true, device.irLength(),
                                       value, fnv1a(value), names});
    }
}

std::string ChainPlayer::Impl::nameInstruction(size_t device, uint64_t instruction) {
    const DeviceDescription& described = chainDescription.devices[device];
    if (!described.part) {
        return {};
    }
    std::string names = instructionNames(*described.part, instruction);
    if (names.empty()) {
        char code[24];
        std::snprintf(code, sizeof code, "0x%llx", static_cast<unsigned long long>(instruction));
        report(Severity::Warning, 0, kUnknownInstruction,
               "device " + std::to_string(device) + ": instruction " + code +
                   " is not among the opcodes of " + described.part->entity);
        return names;
    }
    for (const kelbsdl::Instruction* loaded :
         described.part->instructionsFor(opcodeBytes(instruction, described.irLength))) {
        if (!changesNonVolatileState(loaded->name)) {
            continue;
        }
        auto& loads = counts.nonVolatile;
        auto found = std::find_if(loads.begin(), loads.end(), [&](const NonVolatileLoad& load) {
            return load.device == device && load.instruction == loaded->name;
        });
        if (found == loads.end()) {
            loads.push_back({static_cast<uint32_t>(device), loaded->name, 0, line, line});
            found = loads.end() - 1;
        }
        ++found->count;
        found->lastLine = line;
    }
    return names;
}

void ChainPlayer::Impl::reportDrUpdates() {
    for (size_t i = 0; i < chain.deviceCount(); ++i) {
        kelsim::SimulatedDevice& device = chain.device(i);
        kelsim::DataRegister& selected = device.selectedDataRegister();
        if (&selected == &device.bypassRegister()) {
            continue;
        }
        const std::span<const uint8_t> value(selected.updated());
        ++counts.drUpdates;
        DeviceUpdate update{line,        static_cast<uint32_t>(i), false, selected.length(), value,
                            fnv1a(value)};
        update.instructionCode = device.instruction();
        update.afterReset = device.selectedByReset();
        sink.deviceUpdate(update);
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
        const TapState from = chain.state();
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

void ChainPlayer::Impl::playRunTest(const kelsvfreader::RunTest& run) {
    moveTo(run.runState);
    if (run.hasCount && run.clock == kelsvfreader::RunClock::TCK && run.count != 0) {
        chain.runClocks(run.runState == KELJTAG_TEST_LOGIC_RESET, false, run.count);
    }
    if (run.hasMinTime) {
        addWait(run.minTime.microseconds);
    }
    moveTo(run.endState);
}

void ChainPlayer::Impl::play(const kelsvfreader::Statement& statement,
                             kelsvfreader::SvfReader& reader) {
    switch (statement.keyword) {
        case Keyword::SIR:
        case Keyword::SDR:
            playScan(statement.keyword == Keyword::SIR, statement, reader);
            break;
        case Keyword::State:
            playState(statement);
            break;
        case Keyword::RunTest:
            playRunTest(statement.run);
            break;
        case Keyword::TRST:
            if (statement.trst == kelsvfreader::TrstMode::On) {
                chain.testLogicReset();
            }
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

ChainPlayer::ChainPlayer(const ChainDescription& chain, PlaySink& sink, PlayOptions options)
    : impl_(std::make_unique<Impl>(chain, sink, options)) {}

ChainPlayer::~ChainPlayer() = default;

bool ChainPlayer::playNext(kelsvfreader::SvfReader& reader) {
    Impl& impl = *impl_;
    if (impl.finished) {
        return false;
    }
    try {
        kelsvfreader::Statement statement;
        const bool read = reader.next(statement);
        impl.counts.statements = reader.statementCount();
        impl.counts.bytesRead = reader.bytesRead();
        if (!read) {
            impl.finished = true;
            impl.reportNotes(reader, nullptr);
            if (reader.failed()) {
                const kelsvfreader::Error& error = reader.error();
                impl.line = error.position.line;
                impl.report(Severity::Error, error.position.column, kReaderError, error.message);
            } else {
                impl.counts.readToEnd = true;
            }
            return false;
        }
        impl.line = statement.position.line;
        impl.reportNotes(reader, &statement);
        const uint64_t clocksBefore = impl.totalClocks();
        impl.play(statement, reader);
        impl.addTime(impl.totalClocks() - clocksBefore);
        return true;
    } catch (const std::exception& error) {
        impl.finished = true;
        const bool memory = dynamic_cast<const std::bad_alloc*>(&error) != nullptr;
        impl.report(Severity::Error, 0, kReaderError,
                    memory ? "out of memory playing this statement; the check stopped here"
                           : std::string("the check stopped here: ") + error.what());
        return false;
    }
}

PlaySummary ChainPlayer::playAll(kelsvfreader::SvfReader& reader) {
    while (playNext(reader)) {
    }
    return summary();
}

PlaySummary ChainPlayer::summary() const {
    PlaySummary summary = impl_->counts;
    for (int32_t state = 0; state < KELJTAG_STATE_COUNT; ++state) {
        summary.clocksInState[static_cast<size_t>(state)] =
            impl_->chain.clocksIn(static_cast<TapState>(state));
    }
    summary.totalClocks = impl_->totalClocks();
    summary.replaySeconds = static_cast<double>(impl_->seconds);
    return summary;
}

}  // namespace kelsvf::check
