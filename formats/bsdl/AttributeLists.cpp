#include "AttributeLists.h"

#include <utility>

namespace kelbsdl {
namespace {

bool isLetter(char c) {
    return c >= 'A' && c <= 'Z';
}

std::string shown(const Field& field) {
    return field.kind == Field::Kind::End ? "the end of the string" : "'" + field.text + "'";
}

}  // namespace

bool AttributeLists::fail(const Field& at, std::string message) {
    failed_ = true;
    error_ = {fields_.positionOf(at), std::string(attribute_) + ": " + std::move(message)};
    return false;
}

bool AttributeLists::name(const char* what, NameAt& out) {
    const Field& field = fields_.peek();
    if (field.kind != Field::Kind::Word || !isLetter(field.text[0])) {
        return fail(field, std::string("expected ") + what + ", found " + shown(field));
    }
    out = {field.text, fields_.positionOf(field)};
    fields_.next();
    return true;
}

bool AttributeLists::symbol(const char* text) {
    const Field& field = fields_.peek();
    if (field.kind != Field::Kind::Symbol || field.text != text) {
        return fail(field, std::string("expected '") + text + "', found " + shown(field));
    }
    fields_.next();
    return true;
}

bool AttributeLists::pattern(BitPattern& out) {
    // Words one after the other make one pattern: "0000 0001" is read as 00000001.
    out = BitPattern{};
    out.position = fields_.positionOf(fields_.peek());
    while (fields_.peek().kind == Field::Kind::Word) {
        const Field field = fields_.next();
        for (const char c : field.text) {
            if (c != '0' && c != '1' && c != 'X') {
                return fail(field, "'" + field.text + "' is not a pattern of 0, 1 and X");
            }
        }
        out.bits += field.text;
    }
    if (out.bits.empty()) {
        return fail(fields_.peek(), "expected bits (0, 1 and X), found " + shown(fields_.peek()));
    }
    return true;
}

bool AttributeLists::another() {
    const Field& field = fields_.peek();
    if (field.kind == Field::Kind::End) {
        return false;
    }
    if (field.kind == Field::Kind::Symbol && field.text == ",") {
        const Field comma = fields_.next();
        if (fields_.peek().kind == Field::Kind::End) {
            notes_.add(fields_.positionOf(comma),
                       std::string(attribute_) + ": a ',' after the last entry is ignored");
            return false;
        }
        return true;
    }
    if (field.kind == Field::Kind::Word) {
        notes_.add(fields_.positionOf(field),
                   std::string(attribute_) + ": a ',' is missing before '" + field.text + "'");
        return true;
    }
    return fail(field, "expected ',' or the end of the string, found " + shown(field));
}

bool AttributeLists::opcodes(std::vector<OpcodeEntry>& out) {
    if (fields_.peek().kind == Field::Kind::End) {
        return true;
    }
    do {
        OpcodeEntry entry;
        if (!name("an instruction name", entry.instruction) || !symbol("(")) {
            return false;
        }
        for (;;) {
            BitPattern opcode;
            if (!pattern(opcode)) {
                return false;
            }
            entry.opcodes.push_back(std::move(opcode));
            if (fields_.peek().kind == Field::Kind::Symbol && fields_.peek().text == ",") {
                fields_.next();
                continue;
            }
            if (!symbol(")")) {
                return false;
            }
            break;
        }
        out.push_back(std::move(entry));
    } while (another());
    return !failed_;
}

bool AttributeLists::registerAccess(std::vector<AccessEntry>& out) {
    if (fields_.peek().kind == Field::Kind::End) {
        return true;
    }
    do {
        AccessEntry entry;
        if (!name("a register name", entry.registerName)) {
            return false;
        }
        if (fields_.peek().kind == Field::Kind::Symbol && fields_.peek().text == "[") {
            fields_.next();
            const Field length = fields_.peek();
            uint64_t value = 0;
            if (length.kind != Field::Kind::Word || !wholeNumber(length.text, UINT32_MAX, value) ||
                value == 0) {
                return fail(length, "expected the length of " + entry.registerName.name +
                                        " (1 to 4294967295), found " + shown(length));
            }
            fields_.next();
            entry.length = value;
            if (!symbol("]")) {
                return false;
            }
        }
        if (!symbol("(")) {
            return false;
        }
        for (;;) {
            AccessedInstruction accessed;
            if (!name("an instruction name", accessed.instruction)) {
                return false;
            }
            if (fields_.peek().kind == Field::Kind::Word && fields_.peek().text == "CAPTURES") {
                fields_.next();
                BitPattern captures;
                if (!pattern(captures)) {
                    return false;
                }
                accessed.captures = std::move(captures);
            }
            entry.instructions.push_back(std::move(accessed));
            if (fields_.peek().kind == Field::Kind::Symbol && fields_.peek().text == ",") {
                fields_.next();
                continue;
            }
            if (!symbol(")")) {
                return false;
            }
            break;
        }
        out.push_back(std::move(entry));
    } while (another());
    return !failed_;
}

bool AttributeLists::names(std::vector<NameAt>& out) {
    if (fields_.peek().kind == Field::Kind::End) {
        return true;
    }
    do {
        NameAt entry;
        if (!name("an instruction name", entry)) {
            return false;
        }
        out.push_back(std::move(entry));
    } while (another());
    return !failed_;
}

bool AttributeLists::patterns(std::vector<BitPattern>& out) {
    do {
        BitPattern entry;
        if (!pattern(entry)) {
            return false;
        }
        out.push_back(std::move(entry));
        if (fields_.peek().kind == Field::Kind::End) {
            return true;
        }
        if (!symbol(",")) {
            return false;
        }
    } while (fields_.peek().kind != Field::Kind::End);
    notes_.add(fields_.positionOf(fields_.peek()),
               std::string(attribute_) + ": a ',' after the last pattern is ignored");
    return true;
}

}  // namespace kelbsdl
