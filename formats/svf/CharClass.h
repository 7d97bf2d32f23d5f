// What each byte of SVF text is to the lexer, and the value of each hex digit, as tables so
// that the inner loops take one load per byte.
#ifndef KELSVFREADER_CHAR_CLASS_H
#define KELSVFREADER_CHAR_CLASS_H

#include <array>
#include <cstdint>

namespace kelsvfreader {

enum CharClass : uint8_t {
    kOther = 0,  // not allowed outside comments
    kBlank,      // space, tab, vertical tab, form feed
    kLineEnd,    // CR or LF
    kWordChar,   // letters, digits, '_', '.', '+', '-'
    kSemicolon,
    kOpen,
    kClose,
    kBang,   // '!' starts a comment
    kSlash,  // "//" starts a comment
};

inline constexpr std::array<uint8_t, 256> kCharClass = [] {
    std::array<uint8_t, 256> table{};
    for (int c = 'A'; c <= 'Z'; ++c) {
        table[static_cast<size_t>(c)] = kWordChar;
        table[static_cast<size_t>(c - 'A' + 'a')] = kWordChar;
    }
    for (int c = '0'; c <= '9'; ++c) {
        table[static_cast<size_t>(c)] = kWordChar;
    }
    for (const char c : {'_', '.', '+', '-'}) {
        table[static_cast<uint8_t>(c)] = kWordChar;
    }
    for (const char c : {' ', '\t', '\v', '\f'}) {
        table[static_cast<uint8_t>(c)] = kBlank;
    }
    table['\r'] = kLineEnd;
    table['\n'] = kLineEnd;
    table[';'] = kSemicolon;
    table['('] = kOpen;
    table[')'] = kClose;
    table['!'] = kBang;
    table['/'] = kSlash;
    return table;
}();

// A word character upper-cased, 0 for any other byte: a word's class test and case in one load.
inline constexpr std::array<char, 256> kWordUpper = [] {
    std::array<char, 256> table{};
    for (size_t c = 0; c < table.size(); ++c) {
        if (kCharClass[c] == kWordChar) {
            table[c] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        }
    }
    return table;
}();

constexpr uint8_t kNotHex = 0xFF;

inline constexpr std::array<uint8_t, 256> kHexValue = [] {
    std::array<uint8_t, 256> table{};
    table.fill(kNotHex);
    for (int c = '0'; c <= '9'; ++c) {
        table[static_cast<size_t>(c)] = static_cast<uint8_t>(c - '0');
    }
    for (int c = 0; c < 6; ++c) {
        table[static_cast<size_t>('a' + c)] = static_cast<uint8_t>(10 + c);
        table[static_cast<size_t>('A' + c)] = static_cast<uint8_t>(10 + c);
    }
    return table;
}();

}  // namespace kelsvfreader

#endif  // KELSVFREADER_CHAR_CLASS_H
