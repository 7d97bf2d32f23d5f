// The statements that move the TAP or set what later ones resolve against: STATE, ENDIR, ENDDR,
// RUNTEST, FREQUENCY, TRST, and PIO/PIOMAP.
#include <cmath>
#include <string_view>

#include "ReaderImpl.h"
#include "SvfNames.h"

namespace kelsvfreader {
namespace {

using namespace KelPluginInterface;

constexpr size_t kMostRunTestWords = 16;  // the longest RUNTEST has 11

bool isNumberWord(const std::string& word) {
    return !word.empty() && ((word[0] >= '0' && word[0] <= '9') || word[0] == '.');
}

bool isStableStateName(const std::string& word) {
    const auto state = stateByName(word);
    return state && isStableState(*state);
}

}  // namespace

bool SvfReader::Impl::readWords(Statement& statement, size_t limit) {
    size_t count = 0;
    for (;;) {
        if (!readToken()) {
            return false;
        }
        if (token == Token::End) {
            statement.end = tokenAt;
            words.resize(count);
            return true;
        }
        if (token != Token::Word) {
            return unexpected("a word or ';'");
        }
        if (count == limit) {
            return fail(tokenAt, std::string(keywordName(keyword)) + ": more than " +
                                     std::to_string(limit) + " words");
        }
        if (words.size() <= count) {
            words.emplace_back();
        }
        words[count].text = word;
        words[count].at = tokenAt;
        ++count;
    }
}

bool SvfReader::Impl::failAtWord(const Statement& statement, size_t at,
                                 const std::string& message) {
    return fail(at < words.size() ? words[at].at : statement.end,
                std::string(keywordName(keyword)) + ": " + message);
}

bool SvfReader::Impl::readState(Statement& statement) {
    Position lastAt;
    for (;;) {
        if (!readToken()) {
            return false;
        }
        if (token == Token::End) {
            break;
        }
        if (token != Token::Word) {
            return unexpected("a TAP state name or ';'");
        }
        const auto state = stateByName(word);
        if (!state) {
            return fail(tokenAt, "STATE: '" + word + "' is not a TAP state name");
        }
        if (!statement.path.empty() && !pathMayStep(statement.path.back(), *state)) {
            return fail(tokenAt, std::string("STATE: the path cannot go from ") +
                                     svfStateName(statement.path.back()) + " to " + word +
                                     " in one clock");
        }
        statement.path.push_back(*state);
        lastAt = tokenAt;
    }
    statement.end = tokenAt;
    if (statement.path.empty()) {
        return fail(tokenAt, "STATE without a state");
    }
    statement.state = statement.path.back();
    if (!isStableState(statement.state)) {
        return fail(lastAt, std::string("STATE: ") + svfStateName(statement.state) +
                                " is not a stable state (RESET, IDLE, DRPAUSE or IRPAUSE); a "
                                "STATE must end in one");
    }
    return true;
}

bool SvfReader::Impl::readEndState(Statement& statement) {
    if (!readStableState("a stable state", statement.state)) {
        return false;
    }
    const Position stateAt = tokenAt;
    if (!expectEnd(statement)) {
        return false;
    }
    (keyword == Keyword::EndIR ? states.endIR : states.endDR) = statement.state;
    if (statement.state == KELJTAG_TEST_LOGIC_RESET) {
        note(NoteKind::ScanEndsInReset, stateAt,
             std::string(keywordName(keyword)) +
                 " RESET: a common player aborts on the next scan that should end there");
    }
    return true;
}

// RUNTEST [run_state] [run_count TCK|SCK] [min_time SEC [MAXIMUM max_time SEC]]
//         [ENDSTATE end_state] ;  with a count or a minimum time or both.
bool SvfReader::Impl::readRunTest(Statement& statement) {
    if (!readWords(statement, kMostRunTestWords)) {
        return false;
    }
    RunTest& run = statement.run;
    const size_t n = words.size();
    const auto text = [&](size_t at) -> const std::string& {
        static const std::string kNone;
        return at < n ? words[at].text : kNone;
    };
    size_t at = 0;

    if (at < n && !isNumberWord(text(at))) {
        const auto state = stateByName(text(at));
        if (!state) {
            return failAtWord(
                statement, at,
                "expected a run state, a run count or a minimum time, found '" + text(at) + "'");
        }
        if (!isStableState(*state)) {
            return failAtWord(statement, at,
                              text(at) +
                                  " is not a stable state (RESET, IDLE, DRPAUSE or "
                                  "IRPAUSE)");
        }
        run.runState = *state;
        run.runStateGiven = true;
        ++at;
    }
    // A number and its unit, once for a count and once for a minimum time.
    for (int part = 0; part < 2 && (part == 0 || run.hasCount) && isNumberWord(text(at)); ++part) {
        const std::string& unit = text(at + 1);
        if (!run.hasCount && !run.hasMinTime && (isWord(unit, "TCK") || isWord(unit, "SCK"))) {
            if (!countFrom(words[at].text, words[at].at, "run count", UINT64_MAX, run.count)) {
                return false;
            }
            run.hasCount = true;
            run.clock = isWord(unit, "TCK") ? RunClock::TCK : RunClock::SCK;
            if (run.clock == RunClock::SCK) {
                note(NoteKind::SckClock, words[at + 1].at,
                     "RUNTEST counts SCK clocks: players refuse them or do not clock TCK");
            }
        } else if (!run.hasMinTime && isWord(unit, "SEC")) {
            if (!timeFrom(words[at].text, words[at].at, "minimum time", run.minTime)) {
                return false;
            }
            run.hasMinTime = true;
            noteSinglePrecision(words[at], run.minTime);
        } else {
            return failAtWord(statement, at + 1,
                              std::string("expected ") +
                                  (run.hasCount ? "SEC" : "TCK, SCK or SEC") + " after " +
                                  text(at));
        }
        at += 2;
    }
    if (!run.hasCount && !run.hasMinTime) {
        return failAtWord(statement, at, "needs a run count (TCK or SCK) or a minimum time (SEC)");
    }
    if (run.hasMinTime && isWord(text(at), "MAXIMUM")) {
        if (!isNumberWord(text(at + 1)) || text(at + 2) != "SEC") {
            return failAtWord(statement, isNumberWord(text(at + 1)) ? at + 2 : at + 1,
                              "MAXIMUM needs a time in SEC");
        }
        if (!timeFrom(words[at + 1].text, words[at + 1].at, "maximum time", run.maxTime)) {
            return false;
        }
        run.hasMaxTime = true;
        at += 3;
    }
    if (isWord(text(at), "ENDSTATE")) {
        if (!stateByName(text(at + 1))) {
            return failAtWord(statement, at + 1, "ENDSTATE needs a state name");
        }
        if (!isStableStateName(text(at + 1))) {
            return failAtWord(statement, at + 1,
                              text(at + 1) +
                                  " is not a stable state (RESET, IDLE, DRPAUSE or "
                                  "IRPAUSE)");
        }
        run.endState = *stateByName(text(at + 1));
        run.endStateGiven = true;
        at += 2;
    }
    if (at < n) {
        return failAtWord(statement, at, "unexpected '" + text(at) + "'");
    }
    resolveRunStates(run, statement.position);
    return true;
}

void SvfReader::Impl::noteRunWithoutEndState(const RunTest& run, Position at, TapState inForce) {
    if (run.runState != KELJTAG_RUN_TEST_IDLE) {
        note(NoteKind::RunStateWithoutEndState, at,
             std::string("RUNTEST in ") + svfStateName(run.runState) +
                 " without ENDSTATE: players differ on where it ends (read as " +
                 svfStateName(run.endState) + "), and the run state stays in force");
    } else {
        note(NoteKind::RunStateWithoutEndState, at,
             std::string("RUNTEST IDLE without ENDSTATE while the end state in force is ") +
                 svfStateName(inForce) + ": players differ on where it ends (read as IDLE)");
    }
}

void SvfReader::Impl::noteSinglePrecision(const WordAt& time, const Time& read) {
    uint32_t microseconds = 0;
    if (!singlePrecisionMicroseconds(time.text, microseconds)) {
        note(NoteKind::SinglePrecisionTime, time.at,
             "RUNTEST: the time " + time.text +
                 " SEC does not fit a player that counts microseconds in 32 bits");
    } else if (microseconds != read.microseconds) {
        note(NoteKind::SinglePrecisionTime, time.at,
             "RUNTEST: a player that reads the time " + time.text +
                 " SEC as a single-precision float waits " + std::to_string(microseconds) +
                 " us, not " + std::to_string(read.microseconds) + " us");
    }
}

bool SvfReader::Impl::readFrequency(Statement& statement) {
    if (!readWords(statement, 2)) {
        return false;
    }
    if (words.empty()) {
        return true;  // "FREQUENCY;": back to the player's full speed
    }
    ScaledNumber unused;
    if (scaleDecimal(words[0].text, 0, unused) == NumberStatus::Malformed) {
        return failAtWord(statement, 0, "'" + words[0].text + "' is not a number");
    }
    if (words.size() < 2 || words[1].text != "HZ") {
        return failAtWord(statement, 1, "expected HZ after the frequency");
    }
    const double hertz = decimalToDouble(words[0].text);
    if (!(hertz > 0) || std::isinf(hertz)) {
        return failAtWord(statement, 0, words[0].text + " HZ is not a usable frequency");
    }
    statement.hasFrequency = true;
    statement.hertz = hertz;
    return true;
}

bool SvfReader::Impl::readTrst(Statement& statement) {
    if (!readWords(statement, 1)) {
        return false;
    }
    const std::string mode = words.empty() ? std::string() : words[0].text;
    if (mode == "ON") {
        statement.trst = TrstMode::On;
    } else if (mode == "OFF") {
        statement.trst = TrstMode::Off;
    } else if (mode == "Z") {
        statement.trst = TrstMode::Z;
    } else if (mode == "ABSENT") {
        statement.trst = TrstMode::Absent;
    } else {
        return failAtWord(statement, 0, "expected ON, OFF, Z or ABSENT");
    }
    return true;
}

bool SvfReader::Impl::readPio(Statement& statement) {
    const bool map = keyword == Keyword::PIOMap;
    const char* name = keywordName(keyword);
    note(NoteKind::PioUsed, start, std::string(name) + ": players refuse or ignore PIO and PIOMAP");
    if (!readToken()) {
        return false;
    }
    if (token != Token::Open) {
        return unexpected("'('");
    }
    const Position listAt = tokenAt;
    if (!lexer.readWordList(name, statement.pio)) {
        return false;
    }
    if (statement.pio.empty()) {
        return fail(listAt, std::string(name) + " with an empty list");
    }
    if (map) {
        // Pairs of a direction and a pin name.
        size_t wordIndex = 0;
        for (size_t begin = 0; begin <= statement.pio.size(); ++wordIndex) {
            size_t end = statement.pio.find(' ', begin);
            end = end == std::string::npos ? statement.pio.size() : end;
            const std::string_view item(statement.pio.data() + begin, end - begin);
            if (wordIndex % 2 == 0 && item != "IN" && item != "OUT" && item != "INOUT") {
                return fail(listAt,
                            "PIOMAP: expected IN, OUT or INOUT, found '" + std::string(item) + "'");
            }
            begin = end + 1;
        }
        if (wordIndex % 2 != 0) {
            return fail(listAt, "PIOMAP: a direction without a pin name");
        }
    } else {
        std::string letters;
        for (const char c : statement.pio) {
            if (c == ' ') {
                continue;
            }
            if (std::string_view("HLZUDX").find(c) == std::string_view::npos) {
                return fail(listAt, std::string("PIO: '") + c + "' is not one of H, L, Z, U, D, X");
            }
            letters.push_back(c);
        }
        statement.pio = letters;
    }
    return expectEnd(statement);
}

}  // namespace kelsvfreader
