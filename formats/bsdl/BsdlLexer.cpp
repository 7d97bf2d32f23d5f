#include "BsdlLexer.h"

#include <utility>

namespace kelbsdl {
namespace {

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

void BsdlLexer::feed(std::string_view block, TokenSink& sink) {
    for (const char c : block) {
        if (failed_) {
            return;
        }
        take(c, sink);
        if (c == '\n' && afterCr_) {
            afterCr_ = false;  // the LF of a CR LF: the CR began the line
        } else if (c == '\n' || c == '\r') {
            ++line_;
            column_ = 1;
            afterCr_ = c == '\r';
        } else {
            ++column_;
            afterCr_ = false;
        }
    }
}

void BsdlLexer::finish(TokenSink& sink) {
    if (failed_) {
        return;
    }
    switch (state_) {
        case State::String:
            fail(token_.position, "this string has no closing '\"'");
            return;
        case State::Dash:
            start(TokenKind::Symbol, dashAt_);
            token_.text = "-";
            emit(sink);
            return;
        case State::Colon:
        case State::Word:
        case State::Number:
        case State::StringQuote:
            emit(sink);
            return;
        case State::Between:
        case State::Comment:
            return;
    }
}

void BsdlLexer::take(char c, TokenSink& sink) {
    const Position at{line_, column_};
    switch (state_) {
        case State::Comment:
            if (c == '\n' || c == '\r') {
                state_ = State::Between;
            }
            return;
        case State::String:
            if (c == '"') {
                state_ = State::StringQuote;
            } else if (c == '\n' || c == '\r') {
                fail(token_.position, "this string has no closing '\"' on its line");
            } else if (keepString_) {
                append(c, kMaxStringLength);
            }
            return;
        case State::StringQuote:
            if (c == '"') {  // "" stands for one quote inside a string
                state_ = State::String;
                if (keepString_) {
                    append(c, kMaxStringLength);
                }
                return;
            }
            emit(sink);
            break;
        case State::Word:
            if (isLetter(c) || isDigit(c) || c == '_') {
                append(upper(c), kMaxWordLength);
                return;
            }
            emit(sink);
            break;
        case State::Number: {
            const char last = token_.text.empty() ? '\0' : token_.text.back();
            const bool sign = (c == '+' || c == '-') && (last == 'E' || last == 'e');
            if (isLetter(c) || isDigit(c) || c == '_' || c == '.' || c == '#' || sign) {
                append(c, kMaxWordLength);
                return;
            }
            emit(sink);
            break;
        }
        case State::Dash:
            if (c == '-') {
                state_ = State::Comment;
                return;
            }
            start(TokenKind::Symbol, dashAt_);
            token_.text = "-";
            emit(sink);
            break;
        case State::Colon:
            if (c == '=') {
                token_.text = ":=";
                emit(sink);
                return;
            }
            emit(sink);
            break;
        case State::Between:
            break;
    }
    // Between tokens: c begins the next one.
    if (failed_ || isSpace(c)) {
        return;
    }
    if (isLetter(c)) {
        start(TokenKind::Word, at);
        append(upper(c), kMaxWordLength);
        state_ = State::Word;
    } else if (isDigit(c)) {
        start(TokenKind::Number, at);
        append(c, kMaxWordLength);
        state_ = State::Number;
    } else if (c == '"') {
        start(TokenKind::String, at);
        keepString_ = sink.keepsStrings();
        token_.truncated = !keepString_;
        state_ = State::String;
    } else if (c == '-') {
        dashAt_ = at;
        state_ = State::Dash;
    } else if (c == ':') {
        start(TokenKind::Symbol, at);
        token_.text = ":";
        state_ = State::Colon;
    } else {
        start(TokenKind::Symbol, at);
        token_.text.assign(1, c);
        emit(sink);
    }
}

void BsdlLexer::start(TokenKind kind, Position at) {
    token_.kind = kind;
    token_.text.clear();
    token_.position = at;
    token_.truncated = false;
}

void BsdlLexer::append(char c, size_t limit) {
    if (token_.text.size() < limit) {
        token_.text.push_back(c);
    } else {
        token_.truncated = true;
    }
}

void BsdlLexer::emit(TokenSink& sink) {
    state_ = State::Between;
    sink.token(token_);
}

void BsdlLexer::fail(Position at, std::string message) {
    failed_ = true;
    error_ = Error{at, std::move(message)};
}

}  // namespace kelbsdl
