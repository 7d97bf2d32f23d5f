#include "kelbsdl/BsdlReader.h"

#include <algorithm>
#include <exception>
#include <new>
#include <utility>

#include "BsdlLexer.h"
#include "CollectedText.h"

namespace kelbsdl {
namespace {

// A statement kept for its value is cut off past these: an attribute is then not BSDL, a
// constant is too long to be any attribute's value and is only remembered by name.
constexpr size_t kMaxStatementBytes = 4 * kMaxStringLength;
constexpr size_t kMaxConstantBytes = 64 * 1024;
// What a kept token costs beyond its text.
constexpr size_t kTokenCost = 32;

bool isWord(const Token& token, const char* text) {
    return token.kind == TokenKind::Word && token.text == text;
}

bool isSymbol(const Token& token, const char* text) {
    return token.kind == TokenKind::Symbol && token.text == text;
}

std::string at(Position position) {
    return std::to_string(position.line) + ":" + std::to_string(position.column);
}

}  // namespace

struct BsdlReader::Impl : TokenSink {
    enum class Mode : uint8_t { Start, Deciding, Keeping, Skipping };

    void token(Token& token) override;
    bool keepsStrings() const override { return mode != Mode::Skipping; }

    void decide();
    void endStatement();
    void readUse();
    void readEnd();
    void readConstant();
    void readAttribute();
    void finishText();
    void fail(Position position, std::string message);

    BsdlLexer lexer;
    CollectedText text;
    ReadingNotes notes;
    bool failed = false;
    bool finished = false;
    Error error;

    // The statement being read: its tokens up to the ';' that ends it outside parentheses.
    Mode mode = Mode::Start;
    std::vector<Token> tokens;
    Position start;
    uint64_t depth = 0;
    size_t keptBytes = 0;
    bool entityEnded = false;
    bool afterEndNoted = false;
};

void BsdlReader::Impl::fail(Position position, std::string message) {
    if (!failed) {
        failed = true;
        error = {position, std::move(message)};
    }
}

void BsdlReader::Impl::token(Token& token) {
    if (failed) {
        return;
    }
    if (mode == Mode::Start) {
        tokens.clear();
        keptBytes = 0;
        depth = 0;
        start = token.position;
        mode = Mode::Deciding;
        if (entityEnded) {
            if (!afterEndNoted) {
                notes.add(token.position,
                          "the text after the end of entity " + text.entity + " is not read");
                afterEndNoted = true;
            }
            mode = Mode::Skipping;
        }
    }
    if (isSymbol(token, "(")) {
        ++depth;
    } else if (isSymbol(token, ")") && depth > 0) {
        --depth;
    } else if (isSymbol(token, ";") && depth == 0) {
        if (mode != Mode::Skipping) {
            endStatement();
        }
        mode = Mode::Start;
        return;
    }
    if (mode == Mode::Skipping) {
        return;
    }
    keptBytes += token.text.size() + kTokenCost;
    tokens.push_back(std::move(token));
    decide();
}

// Keeps the statements the description needs, from their first words on.
void BsdlReader::Impl::decide() {
    const Token& first = tokens.front();
    if (mode == Mode::Keeping) {
        if (isWord(first, "CONSTANT") && keptBytes > kMaxConstantBytes) {
            if (tokens.size() > 1) {
                Constant& dropped = text.constants[tokens[1].text];
                dropped = Constant{};
                dropped.position = tokens[1].position;
                dropped.dropped = true;
            }
            mode = Mode::Skipping;
        } else if (keptBytes > kMaxStatementBytes) {
            fail(start, "this statement is longer than " + std::to_string(kMaxStatementBytes) +
                            " bytes: not BSDL");
        }
        return;
    }
    if (isWord(first, "ENTITY")) {
        if (tokens.size() < 3) {
            return;
        }
        if (tokens[1].kind != TokenKind::Word || !isWord(tokens[2], "IS")) {
            fail(tokens[1].position, "expected 'entity NAME is'");
        } else if (text.entityFound) {
            fail(first.position, "an entity inside entity " + text.entity);
        } else {
            text.entity = tokens[1].text;
            text.entityPosition = tokens[1].position;
            text.entityFound = true;
            mode = Mode::Start;  // the generic or port clause that follows is a statement
        }
        return;
    }
    if (isWord(first, "GENERIC") || isWord(first, "PORT")) {
        mode = Mode::Skipping;
    } else if (isWord(first, "USE") || isWord(first, "END") || isWord(first, "CONSTANT")) {
        mode = Mode::Keeping;
    } else if (isWord(first, "ATTRIBUTE")) {
        if (tokens.size() < 2) {
            return;
        }
        const std::string& name = tokens[1].text;
        if (isNeededAttribute(name)) {
            mode = Mode::Keeping;
            return;
        }
        if (name.rfind("ISC_", 0) == 0) {
            text.hasIscAttributes = true;
        } else if (!isKnownSkippedAttribute(name) && tokens[1].kind == TokenKind::Word) {
            notes.add(tokens[1].position, "the attribute " + name + " is not read");
        }
        mode = Mode::Skipping;
    } else {
        notes.add(first.position, "a statement beginning with '" + first.text + "' is not read");
        mode = Mode::Skipping;
    }
}

void BsdlReader::Impl::endStatement() {
    if (tokens.empty()) {
        return;
    }
    const Token& first = tokens.front();
    if (isWord(first, "USE")) {
        readUse();
    } else if (isWord(first, "END")) {
        readEnd();
    } else if (isWord(first, "CONSTANT")) {
        readConstant();
    } else if (isWord(first, "ATTRIBUTE")) {
        readAttribute();
    } else if (isWord(first, "ENTITY")) {
        fail(first.position, "expected 'entity NAME is'");
    }
}

// use STD_1149_1_2001.all, VENDOR_CELLS.all;
void BsdlReader::Impl::readUse() {
    bool nameNext = true;
    for (size_t i = 1; i < tokens.size(); ++i) {
        if (nameNext && tokens[i].kind == TokenKind::Word) {
            text.packages.push_back(tokens[i].text);
        }
        nameNext = isSymbol(tokens[i], ",");
    }
}

// end NAME;  end entity NAME;  end;
void BsdlReader::Impl::readEnd() {
    if (!text.entityFound) {
        notes.add(tokens.front().position, "an 'end' before any entity is ignored");
        return;
    }
    entityEnded = true;
    size_t name = 1;
    if (name < tokens.size() && isWord(tokens[name], "ENTITY")) {
        ++name;
    }
    if (name < tokens.size() && tokens[name].text != text.entity) {
        notes.add(tokens[name].position,
                  "'end " + tokens[name].text + "' ends entity " + text.entity);
    }
}

// constant NAME : TYPE := VALUE;
void BsdlReader::Impl::readConstant() {
    size_t assign = 2;
    while (assign < tokens.size() && !isSymbol(tokens[assign], ":=")) {
        ++assign;
    }
    if (tokens.size() < 2 || tokens[1].kind != TokenKind::Word || assign >= tokens.size()) {
        return;  // a constant declared without its value: a package's business
    }
    Constant& constant = text.constants[tokens[1].text];
    constant = Constant{};
    constant.position = tokens[1].position;
    constant.value.assign(std::make_move_iterator(tokens.begin() + static_cast<long>(assign) + 1),
                          std::make_move_iterator(tokens.end()));
}

// attribute NAME of ENTITY : entity is VALUE;
void BsdlReader::Impl::readAttribute() {
    const char* shape = "expected 'attribute NAME of ENTITY : entity is VALUE'";
    const bool wellFormed = tokens.size() > 6 && tokens[1].kind == TokenKind::Word &&
                            isWord(tokens[2], "OF") && tokens[3].kind == TokenKind::Word &&
                            isSymbol(tokens[4], ":") && isWord(tokens[5], "ENTITY") &&
                            isWord(tokens[6], "IS");
    if (!wellFormed) {
        size_t wrong = 1;
        const bool good[] = {true,
                             tokens.size() > 1 && tokens[1].kind == TokenKind::Word,
                             tokens.size() > 2 && isWord(tokens[2], "OF"),
                             tokens.size() > 3 && tokens[3].kind == TokenKind::Word,
                             tokens.size() > 4 && isSymbol(tokens[4], ":"),
                             tokens.size() > 5 && isWord(tokens[5], "ENTITY"),
                             tokens.size() > 6 && isWord(tokens[6], "IS")};
        while (wrong < 7 && good[wrong]) {
            ++wrong;
        }
        fail(wrong < tokens.size() ? tokens[wrong].position : tokens.back().position, shape);
        return;
    }
    const std::string& name = tokens[1].text;
    if (const Attribute* earlier = text.find(name)) {
        fail(tokens[1].position, name + " is given twice (first at " + at(earlier->position) + ")");
        return;
    }
    if (text.entityFound && tokens[3].text != text.entity) {
        notes.add(tokens[3].position, name + " is given of " + tokens[3].text +
                                          "; it is read as entity " + text.entity + "'s");
    }
    Attribute attribute;
    attribute.name = name;
    attribute.position = tokens[1].position;
    attribute.value.assign(std::make_move_iterator(tokens.begin() + 7),
                           std::make_move_iterator(tokens.end()));
    text.attributes.push_back(std::move(attribute));
}

void BsdlReader::Impl::finishText() {
    lexer.finish(*this);
    if (lexer.failed()) {
        fail(lexer.error().position, lexer.error().message);
    }
    if (failed) {
        return;
    }
    if (mode == Mode::Keeping && isWord(tokens.front(), "END")) {
        notes.add(tokens.front().position, "no ';' after 'end'");
        endStatement();
    } else if (mode != Mode::Start && !(mode == Mode::Skipping && entityEnded)) {
        fail(start, depth > 0 ? "this statement has a '(' that is never closed"
                              : "this statement has no ';' at its end");
        return;
    }
    if (!text.entityFound) {
        fail({1, 1}, "no 'entity NAME is' in the text: not BSDL");
        return;
    }
    if (!entityEnded) {
        notes.add(lexer.here(), "the text ends inside entity " + text.entity + " (no 'end " +
                                    text.entity + ";')");
    }
}

BsdlReader::BsdlReader() : impl_(std::make_unique<Impl>()) {}
BsdlReader::~BsdlReader() = default;
BsdlReader::BsdlReader(BsdlReader&&) noexcept = default;
BsdlReader& BsdlReader::operator=(BsdlReader&&) noexcept = default;

void BsdlReader::feed(std::string_view block) noexcept {
    Impl& impl = *impl_;
    if (impl.failed || impl.finished) {
        return;
    }
    try {
        impl.lexer.feed(block, impl);
    } catch (const std::bad_alloc&) {
        impl.fail(impl.lexer.here(), "not enough memory to read on");
    } catch (const std::exception& failure) {
        impl.fail(impl.lexer.here(), std::string("cannot read on: ") + failure.what());
    }
}

Reading BsdlReader::finish() noexcept {
    Impl& impl = *impl_;
    Reading reading;
    try {
        if (!impl.finished) {
            impl.finished = true;
            impl.finishText();
            if (!impl.failed) {
                Error error;
                if (!buildDescription(impl.text, impl.notes, reading.description, error)) {
                    impl.fail(error.position, error.message);
                }
            }
        }
        reading.notes = std::move(impl.notes.notes);
        // Notes of the build come after those of the reading: give them in the text's order.
        std::stable_sort(
            reading.notes.begin(), reading.notes.end(), [](const Note& a, const Note& b) {
                return a.position.line < b.position.line || (a.position.line == b.position.line &&
                                                             a.position.column < b.position.column);
            });
        reading.notesLeftOut = impl.notes.leftOut;
    } catch (const std::bad_alloc&) {
        impl.fail(impl.lexer.here(), "not enough memory to read on");
    } catch (const std::exception& failure) {
        impl.fail(impl.lexer.here(), std::string("cannot read on: ") + failure.what());
    }
    reading.failed = impl.failed;
    reading.error = impl.error;
    return reading;
}

Reading readBsdl(std::string_view text, size_t blockSize) {
    BsdlReader reader;
    if (blockSize == 0) {
        reader.feed(text);
    } else {
        for (size_t at = 0; at < text.size(); at += blockSize) {
            reader.feed(text.substr(at, blockSize));
        }
    }
    return reader.finish();
}

}  // namespace kelbsdl
