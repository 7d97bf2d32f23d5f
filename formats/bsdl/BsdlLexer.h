// The VHDL words of a BSDL text, fed in blocks cut anywhere: names, numbers, string literals and
// symbols, each with its place; comments ("--" to the end of the line) and white space dropped.
#ifndef KELBSDL_BSDL_LEXER_H
#define KELBSDL_BSDL_LEXER_H

#include <cstdint>
#include <string>
#include <string_view>

#include "kelbsdl/BsdlDescription.h"

namespace kelbsdl {

enum class TokenKind : uint8_t { Word, Number, String, Symbol };

struct Token {
    TokenKind kind = TokenKind::Symbol;
    std::string text;  // a word upper case; a string without its quotes; ":=" or one character
    Position position;
    // More text than is kept: words and numbers past kMaxWordLength, strings past
    // kMaxStringLength, and every string while the sink keeps no text.
    bool truncated = false;
};

constexpr size_t kMaxWordLength = 256;
constexpr size_t kMaxStringLength = 1 << 20;

class TokenSink {
  public:
    virtual ~TokenSink() = default;
    virtual void token(Token& token) = 0;
    // Whether the string that starts now is wanted; asked at its opening quote.
    virtual bool keepsStrings() const = 0;
};

class BsdlLexer {
  public:
    // Hands each token to the sink as soon as it ends; stops at the first error.
    void feed(std::string_view block, TokenSink& sink);
    // The end of the text: hands out the last token.
    void finish(TokenSink& sink);

    bool failed() const { return failed_; }
    const Error& error() const { return error_; }
    Position here() const { return {line_, column_}; }

  private:
    enum class State : uint8_t { Between, Word, Number, String, StringQuote, Dash, Comment, Colon };

    void take(char c, TokenSink& sink);
    void start(TokenKind kind, Position at);
    void append(char c, size_t limit);
    void emit(TokenSink& sink);
    void fail(Position at, std::string message);

    State state_ = State::Between;
    Token token_;
    bool keepString_ = false;
    Position dashAt_;
    uint64_t line_ = 1;
    uint64_t column_ = 1;
    bool afterCr_ = false;
    bool failed_ = false;
    Error error_;
};

}  // namespace kelbsdl

#endif  // KELBSDL_BSDL_LEXER_H
