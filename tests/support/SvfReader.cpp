#include "SvfReader.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>

namespace svftest {
namespace {

std::string upperCased(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// One word of a statement: a plain word, or the digits of a parenthesised vector.
struct Word {
    std::string text;
    bool vector = false;
};

class Tokens {
  public:
    explicit Tokens(std::string_view text) : text_(text) {}

    // Skips white space and comments; false at the end of the text.
    bool more() {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++pos_;
            } else if (c == '!' || text_.substr(pos_, 2) == "//") {
                const size_t end = text_.find('\n', pos_);
                pos_ = end == std::string_view::npos ? text_.size() : end;
            } else {
                return true;
            }
        }
        return false;
    }

    // The words up to the next ';' (consumed). False, with `error` set, on malformed text.
    bool statement(std::vector<Word>& words, std::string& error) {
        words.clear();
        while (more()) {
            const char c = text_[pos_];
            if (c == ';') {
                ++pos_;
                return true;
            }
            if (c == ')') {
                error = where("unbalanced ')'");
                return false;
            }
            if (c == '(') {
                const size_t close = text_.find(')', pos_);
                if (close == std::string_view::npos) {
                    error = where("unterminated '('");
                    return false;
                }
                Word word{"", true};
                for (size_t i = pos_ + 1; i < close; ++i) {
                    if (!std::isspace(static_cast<unsigned char>(text_[i]))) {
                        word.text += text_[i];
                    }
                }
                words.push_back(std::move(word));
                pos_ = close + 1;
                continue;
            }
            const size_t start = pos_;
            while (pos_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[pos_])) &&
                   text_[pos_] != ';' && text_[pos_] != '(' && text_[pos_] != ')') {
                ++pos_;
            }
            words.push_back(Word{std::string(text_.substr(start, pos_ - start)), false});
        }
        error = where("statement without ';'");
        return false;
    }

    std::string where(const std::string& what) const {
        size_t line = 1;
        for (size_t i = 0; i < pos_ && i < text_.size(); ++i) {
            line += text_[i] == '\n' ? 1u : 0u;
        }
        return what + " at line " + std::to_string(line);
    }

  private:
    std::string_view text_;
    size_t pos_ = 0;
};

bool parseLength(const std::string& text, uint32_t& length) {
    if (text.empty() || text.size() > 10) {
        return false;
    }
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > UINT32_MAX) {
        return false;
    }
    length = static_cast<uint32_t>(value);
    return true;
}

// Hex digits, most significant first, into `bitCount` bits. A set bit at or above bitCount is
// an error: a writer that leaks stray bits into a vector would shift them on replay.
bool parseVector(const std::string& digits, uint32_t bitCount, std::vector<uint8_t>& bits,
                 std::string& error) {
    if (digits.empty()) {
        error = "empty vector";
        return false;
    }
    bits.assign((size_t{bitCount} + 7) / 8, 0);
    for (size_t k = 0; k < digits.size(); ++k) {
        const int value = hexValue(digits[digits.size() - 1 - k]);
        if (value < 0) {
            error = "not a hexadecimal digit in a vector";
            return false;
        }
        for (uint32_t b = 0; b < 4; ++b) {
            if (((value >> b) & 1) == 0) {
                continue;
            }
            const uint64_t bit = uint64_t{k} * 4 + b;
            if (bit >= bitCount) {
                error = "vector has bits set beyond its length";
                return false;
            }
            bits[bit / 8] = static_cast<uint8_t>(bits[bit / 8] | (1u << (bit % 8)));
        }
    }
    return true;
}

// Decimal digits only, within 64 bits.
bool parseCount(const std::string& text, uint64_t& count) {
    if (text.empty()) {
        return false;
    }
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        const auto digit = static_cast<uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) {
            return false;
        }
        value = value * 10 + digit;
    }
    count = value;
    return true;
}

// RUNTEST [run_state] [run_count TCK] [min_time SEC] [ENDSTATE end_state], with the minimum time
// in whole microseconds ("<n>E-06"). Any other form (another clock, a MAXIMUM time, a time in
// another notation, a state SVF cannot hold, a run of nothing) is refused.
bool parseRun(const std::vector<std::string>& words, SvfRun& run, std::string& error) {
    size_t i = 0;
    if (i < words.size() && isStableStateName(words[i])) {
        run.runState = words[i++];
    }
    if (i + 1 < words.size() && words[i + 1] == "TCK") {
        uint64_t clocks = 0;
        if (!parseCount(words[i], clocks)) {
            error = "RUNTEST with a malformed clock count";
            return false;
        }
        run.clocks = clocks;
        i += 2;
    }
    if (i + 1 < words.size() && words[i + 1] == "SEC") {
        const std::string& time = words[i];
        uint64_t microseconds = 0;
        if (!time.ends_with("E-06") || !parseCount(time.substr(0, time.size() - 4), microseconds)) {
            error = "RUNTEST with a time other than whole microseconds";
            return false;
        }
        run.microseconds = microseconds;
        i += 2;
    }
    if (i + 1 < words.size() && words[i] == "ENDSTATE") {
        if (!isStableStateName(words[i + 1])) {
            error = "RUNTEST with an end state SVF cannot hold";
            return false;
        }
        run.endState = words[i + 1];
        i += 2;
    }
    if (i != words.size()) {
        error = "RUNTEST with an unknown word " + words[i];
        return false;
    }
    if (!run.clocks && !run.microseconds) {
        error = "RUNTEST without clocks or time";
        return false;
    }
    return true;
}

bool parseShift(const std::vector<Word>& words, SvfStatement& statement, std::string& error) {
    if (words.size() < 2 || words[1].vector || !parseLength(words[1].text, statement.bitCount)) {
        error = statement.keyword + " without a valid length";
        return false;
    }
    for (size_t i = 2; i < words.size(); i += 2) {
        if (words[i].vector || i + 1 >= words.size() || !words[i + 1].vector) {
            error = statement.keyword + ": expected a vector name and a (vector)";
            return false;
        }
        const std::string name = upperCased(words[i].text);
        if (name == "TDI") {
            if (statement.hasTdi) {
                error = statement.keyword + " with two TDI vectors";
                return false;
            }
            statement.hasTdi = true;
            std::vector<uint8_t> bits;
            if (!parseVector(words[i + 1].text, statement.bitCount, bits, error)) {
                error = statement.keyword + " TDI: " + error;
                return false;
            }
            statement.tdi = std::move(bits);
        } else if (name == "TDO" || name == "MASK" || name == "SMASK") {
            statement.otherVectors.push_back(name);
        } else {
            error = statement.keyword + ": unknown vector " + name;
            return false;
        }
    }
    return true;
}

}  // namespace

bool isStableStateName(std::string_view name) {
    return name == "RESET" || name == "IDLE" || name == "DRPAUSE" || name == "IRPAUSE";
}

bool isShiftKeyword(std::string_view keyword) {
    return keyword == "HIR" || keyword == "TIR" || keyword == "HDR" || keyword == "TDR" ||
           keyword == "SIR" || keyword == "SDR";
}

SvfParse parseSvf(std::string_view text) {
    SvfParse parse;
    Tokens tokens(text);
    std::vector<Word> words;
    while (tokens.more()) {
        if (!tokens.statement(words, parse.error)) {
            return parse;
        }
        if (words.empty() || words[0].vector) {
            parse.error = tokens.where("statement without a keyword");
            return parse;
        }
        SvfStatement statement;
        statement.keyword = upperCased(words[0].text);
        if (isShiftKeyword(statement.keyword)) {
            if (!parseShift(words, statement, parse.error)) {
                parse.error = tokens.where(parse.error);
                return parse;
            }
        } else {
            for (size_t i = 1; i < words.size(); ++i) {
                if (words[i].vector) {
                    parse.error = tokens.where(statement.keyword + " with a vector");
                    return parse;
                }
                statement.words.push_back(upperCased(words[i].text));
            }
            if (statement.keyword == "RUNTEST") {
                statement.run.emplace();
                if (!parseRun(statement.words, *statement.run, parse.error)) {
                    parse.error = tokens.where(parse.error);
                    return parse;
                }
            } else if ((statement.keyword == "ENDIR" || statement.keyword == "ENDDR") &&
                       (statement.words.size() != 1 || !isStableStateName(statement.words[0]))) {
                parse.error = tokens.where(statement.keyword + " without one state SVF can hold");
                return parse;
            }
        }
        parse.statements.push_back(std::move(statement));
    }
    return parse;
}

}  // namespace svftest
