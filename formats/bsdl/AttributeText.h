// The value of an attribute or constant as written: strings joined with '&', names of constants,
// numbers. A string value keeps where each piece came from, so that a fault inside it is told at
// its own line and column; AttributeFields cuts it into names and symbols.
#ifndef KELBSDL_ATTRIBUTE_TEXT_H
#define KELBSDL_ATTRIBUTE_TEXT_H

#include <map>
#include <string>
#include <vector>

#include "BsdlLexer.h"

namespace kelbsdl {

// A string value joined from pieces of the text.
class AttributeText {
  public:
    void append(const Token& piece);
    void append(const AttributeText& other);
    const std::string& text() const { return text_; }
    // Where the character at `offset` is in the file (the end of the last piece past the end).
    Position positionOf(size_t offset) const;

  private:
    struct Piece {
        size_t offset;
        Position position;  // of the piece's first character
    };
    std::string text_;
    std::vector<Piece> pieces_;
};

// One name, number or symbol inside a string value.
struct Field {
    enum class Kind : uint8_t { Word, Symbol, End } kind = Kind::End;
    std::string text;  // upper case
    size_t offset = 0;
};

// Cuts a string value into fields: runs of letters, digits and '_' are words, every other
// character but white space is a symbol of its own.
class AttributeFields {
  public:
    explicit AttributeFields(const AttributeText& text);
    const Field& peek() const { return current_; }
    Field next();
    Position positionOf(const Field& field) const { return text_.positionOf(field.offset); }

  private:
    void advance();
    const AttributeText& text_;
    size_t at_ = 0;
    Field current_;
};

// A constant of the file, kept when it is short enough to be an attribute's value.
struct Constant {
    std::vector<Token> value;  // the tokens after ":="
    Position position;
    bool dropped = false;  // too long to keep
};
using Constants = std::map<std::string, Constant>;

enum class ValueResult : uint8_t { Read, NotGiven, Failed };

// Evaluates a value into a string (`number` false) or a whole number (`number` true); names of
// constants are looked up in `constants`. NotGiven, with `why` saying which constant is
// missing, when the value comes from one the file does not give; Failed, with `error`, when
// the value is not of the kind.
struct ValueReader {
    const Constants& constants;
    std::string why;
    Error error;

    ValueResult readString(const std::vector<Token>& value, Position at, AttributeText& out);
    ValueResult readNumber(const std::vector<Token>& value, Position at, uint64_t& out);

  private:
    ValueResult readStringAt(const std::vector<Token>& value, Position at, AttributeText& out,
                             int depth);
    ValueResult readNumberAt(const std::vector<Token>& value, Position at, uint64_t& out,
                             int depth);
    ValueResult constantValue(const Token& name, const Constant*& found, int depth);
    ValueResult tooLong(Position at);
};

// "123" and "1_000" as a whole number up to `limit`.
bool wholeNumber(const std::string& text, uint64_t limit, uint64_t& out);

}  // namespace kelbsdl

#endif  // KELBSDL_ATTRIBUTE_TEXT_H
