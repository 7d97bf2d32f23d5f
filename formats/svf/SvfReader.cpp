#include "kelsvfreader/SvfReader.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <utility>

#include "CharClass.h"
#include "ReaderImpl.h"
#include "SvfNames.h"

namespace kelsvfreader {
namespace {

constexpr uint64_t kSignedLimit = uint64_t{1} << 31;

}  // namespace

SvfReader::SvfReader(std::unique_ptr<TextSource> source)
    : impl_(std::make_unique<Impl>(std::move(source))) {}

SvfReader SvfReader::fromString(std::string_view text, size_t blockSize) {
    return SvfReader(stringSource(text, blockSize));
}

SvfReader::~SvfReader() = default;
SvfReader::SvfReader(SvfReader&&) noexcept = default;
SvfReader& SvfReader::operator=(SvfReader&&) noexcept = default;

bool SvfReader::next(Statement& statement) noexcept {
    try {
        return impl_->next(statement);
    } catch (const std::bad_alloc&) {
        impl_->fail(impl_->start, std::string("not enough memory for this ") +
                                      keywordName(impl_->keyword) + " statement");
    } catch (const std::exception& failure) {
        impl_->fail(impl_->start, std::string("cannot read on: ") + failure.what());
    }
    impl_->finished = true;
    impl_->forgetOneStepReadings();
    return false;
}

const std::vector<Note>& SvfReader::notes() const {
    return impl_->notes;
}

bool SvfReader::failed() const {
    return impl_->lexer.failed();
}

const Error& SvfReader::error() const {
    return impl_->lexer.error();
}

const ScanValues& SvfReader::inForce(ScanKind kind) const {
    return impl_->scans.at(static_cast<size_t>(kind));
}

StatesInForce SvfReader::statesInForce() const {
    return impl_->states;
}

void SvfReader::setSpillThreshold(uint64_t bytes) {
    impl_->spillAbove = bytes;
}

uint64_t SvfReader::statementCount() const {
    return impl_->statementCount;
}

uint64_t SvfReader::bytesRead() const {
    return impl_->lexer.bytesRead();
}

// Inline in SvfReader::next, its one caller: one frame per statement, not two.
[[gnu::always_inline]] inline bool SvfReader::Impl::next(Statement& statement) {
    notes.clear();
    if (finished) {
        return false;
    }
    const int first = nextByte >= 0 ? nextByte : lexer.peekSignificant();
    nextByte = -1;
    if (first < 0) {
        finished = true;
        return false;
    }
    start = lexer.position();
    const auto firstByte = static_cast<uint8_t>(first);
    if (kCharClass[firstByte] != kWordChar) {
        finished = true;
        return fail(start, firstByte == ';'
                               ? "';' without a statement"
                               : "expected a keyword, found " + describeByte(firstByte));
    }
    std::optional<Keyword> found = fastKeyword();
    if (!found) {
        if (!lexer.readWord(word)) {
            finished = true;
            return false;
        }
        found = keywordByName(word);
    }
    if (!found) {
        finished = true;
        return fail(start, "unknown keyword '" + word + "'");
    }
    keyword = *found;
    if (nextSharesLine) {
        note(NoteKind::SeveralStatementsOnLine, start,
             std::string(keywordName(keyword)) +
                 " begins on the line where the statement before it ends");
    }

    statement.keyword = keyword;
    statement.position = start;
    statement.end = Position{};
    statement.state = KelPluginInterface::KELJTAG_TEST_LOGIC_RESET;
    statement.path.clear();
    statement.hasFrequency = false;
    statement.hertz = 0;
    statement.trst = TrstMode::Off;
    statement.run = RunTest{};
    statement.scan = nullptr;
    statement.pio.clear();

    bool read = false;
    switch (keyword) {
        case Keyword::HIR:
        case Keyword::HDR:
        case Keyword::TIR:
        case Keyword::TDR:
        case Keyword::SIR:
        case Keyword::SDR:
            read = readScanFast(statement, scanKindOf(keyword)) || readScan(statement);
            break;
        case Keyword::State:
            read = readState(statement);
            break;
        case Keyword::EndIR:
        case Keyword::EndDR:
            read = readEndState(statement);
            break;
        case Keyword::RunTest:
            read = readRunTestFast(statement) || readRunTest(statement);
            break;
        case Keyword::Frequency:
            read = readFrequency(statement);
            break;
        case Keyword::TRST:
            read = readTrst(statement);
            break;
        case Keyword::PIO:
        case Keyword::PIOMap:
            read = readPio(statement);
            break;
    }
    if (!read) {
        finished = true;
        forgetOneStepReadings();
        return false;
    }
    ++statementCount;

    // What follows the ';' on its line decides two notes; a failure here shows on the next call.
    const uint64_t endLine = lexer.line();
    nextByte = lexer.peekAfterLineEnd();
    const bool more = nextByte >= 0;
    const bool sameLine = lexer.line() == endLine;
    nextSharesLine = more && sameLine;
    if (!more && !lexer.failed() && sameLine) {
        note(NoteKind::NoLineEndAfterLastStatement, statement.end,
             "the file ends right after the last ';' without a line end; a common player drops "
             "such a last statement");
    }
    return true;
}

bool SvfReader::Impl::readToken() {
    const int next = lexer.peekSignificant();
    tokenAt = lexer.position();
    if (next < 0) {
        token = Token::Eof;
        return !lexer.failed();
    }
    const auto byte = static_cast<uint8_t>(next);
    switch (kCharClass[byte]) {
        case kWordChar:
            token = Token::Word;
            return lexer.readWord(word);
        case kSemicolon:
            token = Token::End;
            break;
        case kOpen:
            token = Token::Open;
            break;
        case kClose:
            token = Token::Close;
            break;
        default:
            return fail(tokenAt,
                        std::string(keywordName(keyword)) + ": unexpected " + describeByte(byte));
    }
    lexer.advance();
    return true;
}

bool SvfReader::Impl::unexpected(const std::string& expected) {
    const std::string name = keywordName(keyword);
    switch (token) {
        case Token::Eof:
            return fail(tokenAt, "the file ends inside the " + name + " statement begun at line " +
                                     std::to_string(start.line) + ": ';' missing");
        case Token::Word:
            return fail(tokenAt, name + ": expected " + expected + ", found '" + word + "'");
        case Token::End:
            return fail(tokenAt, name + ": expected " + expected + " before the ';'");
        case Token::Open:
            return fail(tokenAt, name + ": expected " + expected + ", found '('");
        case Token::Close:
            return fail(tokenAt, name + ": expected " + expected + ", found ')' without '('");
    }
    return false;
}

bool SvfReader::Impl::fail(Position at, std::string message) {
    return lexer.fail(at, std::move(message));
}

void SvfReader::Impl::note(NoteKind kind, Position at, std::string text) {
    notes.push_back(Note{kind, at, std::move(text), 0});
}

bool SvfReader::Impl::expectEnd(Statement& statement) {
    if (!readToken()) {
        return false;
    }
    if (token != Token::End) {
        return unexpected("';'");
    }
    statement.end = tokenAt;
    return true;
}

bool SvfReader::Impl::countFrom(const std::string& text, Position at, const char* what,
                                uint64_t limit, uint64_t& count) {
    const auto name = [this] { return std::string(keywordName(keyword)); };
    ScaledNumber number;
    // Plain digits, the usual count, need none of the decimal forms.
    if (!text.empty() && text.size() <= 19 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        for (const char c : text) {
            number.value = number.value * 10 + static_cast<uint64_t>(c - '0');
        }
    } else {
        switch (scaleDecimal(text, 0, number)) {
            case NumberStatus::Malformed:
                return fail(at, name() + ": '" + text + "' is not a number (the " + what + ")");
            case NumberStatus::TooLarge:
                return fail(at, name() + ": the " + what + " " + text + " is above " +
                                    std::to_string(limit));
            case NumberStatus::Ok:
                break;
        }
    }
    if (!number.exact) {
        return fail(at, name() + ": the " + what + " " + text + " is not a whole number");
    }
    if (number.value > limit) {
        return fail(at,
                    name() + ": the " + what + " " + text + " is above " + std::to_string(limit));
    }
    if (number.realForm) {
        note(NoteKind::CountInRealForm, at,
             name() + ": the " + what + " " + text +
                 " is written in real form; players that "
                 "read whole numbers take only its first digits");
    }
    if (number.value >= kSignedLimit) {
        note(NoteKind::LargeCount, at,
             name() + ": the " + what + " " + text +
                 " is 2^31 or more; players that read it as a "
                 "signed 32-bit number get it wrong");
    }
    count = number.value;
    return true;
}

bool SvfReader::Impl::timeFrom(const std::string& text, Position at, const char* what, Time& time) {
    const std::string name = keywordName(keyword);
    ScaledNumber number;
    switch (scaleDecimal(text, 6, number)) {
        case NumberStatus::Malformed:
            return fail(at, name + ": '" + text + "' is not a number (the " + what + ")");
        case NumberStatus::TooLarge:
            return fail(at, name + ": the " + what + " " + text +
                                " SEC is longer than 2^64-1 microseconds");
        case NumberStatus::Ok:
            break;
    }
    time = Time{number.value, number.exact};
    return true;
}

bool SvfReader::Impl::readStableState(const char* what, TapState& state) {
    if (!readToken()) {
        return false;
    }
    if (token != Token::Word) {
        return unexpected(what);
    }
    const auto found = stateByName(word);
    if (!found) {
        return fail(tokenAt,
                    std::string(keywordName(keyword)) + ": '" + word + "' is not a TAP state name");
    }
    if (!isStableState(*found)) {
        return fail(tokenAt, std::string(keywordName(keyword)) + ": " + word +
                                 " is not a stable state (RESET, IDLE, DRPAUSE or IRPAUSE)");
    }
    state = *found;
    return true;
}

}  // namespace kelsvfreader
