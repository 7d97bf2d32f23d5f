#include "AttributeText.h"

#include <algorithm>

namespace kelbsdl {
namespace {

// Constants naming constants: deeper than this is a loop.
constexpr int kMaxConstantDepth = 8;

bool isWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

void AttributeText::append(const Token& piece) {
    // A string token starts at its quote; its text one column later.
    pieces_.push_back({text_.size(), {piece.position.line, piece.position.column + 1}});
    text_ += piece.text;
}

void AttributeText::append(const AttributeText& other) {
    for (const Piece& piece : other.pieces_) {
        pieces_.push_back({text_.size() + piece.offset, piece.position});
    }
    text_ += other.text_;
}

Position AttributeText::positionOf(size_t offset) const {
    if (pieces_.empty()) {
        return {};
    }
    const auto after = std::upper_bound(pieces_.begin(), pieces_.end(), offset,
                                        [](size_t at, const Piece& p) { return at < p.offset; });
    const Piece& piece = after == pieces_.begin() ? pieces_.front() : *(after - 1);
    return {piece.position.line, piece.position.column + (offset - piece.offset)};
}

AttributeFields::AttributeFields(const AttributeText& text) : text_(text) {
    advance();
}

Field AttributeFields::next() {
    Field field = std::move(current_);
    advance();
    return field;
}

void AttributeFields::advance() {
    const std::string& text = text_.text();
    while (at_ < text.size() && (text[at_] == ' ' || text[at_] == '\t')) {
        ++at_;
    }
    current_ = Field{};
    current_.offset = at_;
    if (at_ >= text.size()) {
        return;
    }
    if (!isWordChar(text[at_])) {
        current_.kind = Field::Kind::Symbol;
        current_.text.assign(1, text[at_++]);
        return;
    }
    current_.kind = Field::Kind::Word;
    while (at_ < text.size() && isWordChar(text[at_])) {
        current_.text.push_back(upper(text[at_++]));
    }
}

bool wholeNumber(const std::string& text, uint64_t limit, uint64_t& out) {
    uint64_t value = 0;
    bool digits = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '_' && digits && i + 1 < text.size()) {
            continue;
        }
        if (c < '0' || c > '9') {
            return false;
        }
        const auto digit = static_cast<uint64_t>(c - '0');
        if (value > (limit - digit) / 10) {
            return false;
        }
        value = value * 10 + digit;
        digits = true;
    }
    out = value;
    return digits;
}

ValueResult ValueReader::tooLong(Position at) {
    error = {at, "a value longer than " + std::to_string(kMaxStringLength) +
                     " characters is not an attribute's value"};
    return ValueResult::Failed;
}

ValueResult ValueReader::readString(const std::vector<Token>& value, Position at,
                                    AttributeText& out) {
    return readStringAt(value, at, out, 0);
}

ValueResult ValueReader::readNumber(const std::vector<Token>& value, Position at, uint64_t& out) {
    return readNumberAt(value, at, out, 0);
}

ValueResult ValueReader::constantValue(const Token& name, const Constant*& found, int depth) {
    const auto entry = constants.find(name.text);
    if (entry == constants.end() || entry->second.dropped || name.truncated) {
        why = "the constant " + name.text +
              (entry == constants.end() ? ", which the file does not give"
                                        : ", which is too long to be read");
        return ValueResult::NotGiven;
    }
    if (depth >= kMaxConstantDepth) {
        error = {name.position, "the constant " + name.text + " is defined through itself"};
        return ValueResult::Failed;
    }
    found = &entry->second;
    return ValueResult::Read;
}

ValueResult ValueReader::readStringAt(const std::vector<Token>& value, Position at,
                                      AttributeText& out, int depth) {
    if (value.empty()) {
        error = {at, "a string value is missing"};
        return ValueResult::Failed;
    }
    for (size_t i = 0; i < value.size(); ++i) {
        const Token& token = value[i];
        if (i % 2 == 1) {
            if (token.kind != TokenKind::Symbol || token.text != "&") {
                error = {token.position,
                         "expected '&' or ';' after a string, found '" + token.text + "'"};
                return ValueResult::Failed;
            }
            if (i + 1 == value.size()) {
                error = {token.position, "a string must follow '&'"};
                return ValueResult::Failed;
            }
            continue;
        }
        if (token.kind == TokenKind::String) {
            if (token.truncated) {
                return tooLong(token.position);
            }
            out.append(token);
            if (out.text().size() > kMaxStringLength) {
                return tooLong(token.position);
            }
            continue;
        }
        if (token.kind != TokenKind::Word) {
            error = {token.position, "expected a string, found '" + token.text + "'"};
            return ValueResult::Failed;
        }
        const Constant* constant = nullptr;
        if (const ValueResult result = constantValue(token, constant, depth);
            result != ValueResult::Read) {
            return result;
        }
        AttributeText part;
        if (const ValueResult result =
                readStringAt(constant->value, constant->position, part, depth + 1);
            result != ValueResult::Read) {
            return result;
        }
        out.append(part);
        if (out.text().size() > kMaxStringLength) {
            return tooLong(token.position);
        }
    }
    return ValueResult::Read;
}

ValueResult ValueReader::readNumberAt(const std::vector<Token>& value, Position at, uint64_t& out,
                                      int depth) {
    if (value.size() != 1 ||
        (value[0].kind != TokenKind::Number && value[0].kind != TokenKind::Word)) {
        error = {value.empty() ? at : value[0].position, "expected a whole number"};
        return ValueResult::Failed;
    }
    const Token& token = value[0];
    if (token.kind == TokenKind::Word) {
        const Constant* constant = nullptr;
        if (const ValueResult result = constantValue(token, constant, depth);
            result != ValueResult::Read) {
            return result;
        }
        return readNumberAt(constant->value, constant->position, out, depth + 1);
    }
    if (!wholeNumber(token.text, UINT32_MAX, out)) {
        error = {token.position,
                 "'" + token.text + "' is not a whole number up to " + std::to_string(UINT32_MAX)};
        return ValueResult::Failed;
    }
    return ValueResult::Read;
}

}  // namespace kelbsdl
