#include "SvfLexer.h"

#include <utility>

#include "CharClass.h"

namespace kelsvfreader {

std::string describeByte(uint8_t byte) {
    if (byte >= 0x20 && byte < 0x7F) {
        return std::string("'") + static_cast<char>(byte) + "'";
    }
    static const char kDigits[] = "0123456789abcdef";
    return std::string("byte 0x") + kDigits[byte >> 4] + kDigits[byte & 0x0F];
}

SvfLexer::SvfLexer(std::unique_ptr<TextSource> source) : source_(std::move(source)) {
    atEnd_ = source_ == nullptr;
}

bool SvfLexer::nextBlock() {
    while (!atEnd_) {
        blockOffset_ += static_cast<uint64_t>(end_ - blockBegin_);
        blockBegin_ = cur_ = end_ = nullptr;
        const char* begin = nullptr;
        const char* end = nullptr;
        std::string why;
        if (!source_->nextBlock(begin, end, why)) {
            atEnd_ = true;
            if (!why.empty()) {
                fail(position(), why);
            }
            return false;
        }
        blockBegin_ = cur_ = begin;
        end_ = end;
        if (cur_ != end_) {
            return true;
        }
    }
    return false;
}

void SvfLexer::consumeLineEnd() {
    countLineEnd(*cur_, offset());
    ++cur_;
}

void SvfLexer::skipToLineEnd() {
    while (fill()) {
        while (cur_ != end_) {
            if (kCharClass[static_cast<uint8_t>(*cur_)] == kLineEnd) {
                return;
            }
            ++cur_;
        }
    }
}

bool SvfLexer::skipSlashComment() {
    const Position at = position();
    ++cur_;
    if (!fill() || *cur_ != '/') {
        return failed() ? false : fail(at, "a single '/': comments begin with \"//\" or \"!\"");
    }
    skipToLineEnd();
    return !failed();
}

int SvfLexer::skipToSignificant() {
    while (!failed_ && fill()) {
        const auto c = static_cast<uint8_t>(*cur_);
        switch (kCharClass[c]) {
            case kBlank:
                ++cur_;
                break;
            case kLineEnd:
                consumeLineEnd();
                break;
            case kBang:
                skipToLineEnd();
                break;
            case kSlash:
                if (!skipSlashComment()) {
                    return -1;
                }
                break;
            default:
                return c;
        }
    }
    return -1;
}

bool SvfLexer::readWord(std::string& word) {
    const auto upper = [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    };
    // Keywords and numbers are short and end inside the block: one pass, written in place (a
    // copy through a stack buffer stalls on its store).
    constexpr size_t kShort = 16;
    word.resize(kShort);
    char* out = word.data();
    size_t shortLength = 0;
    for (const char* p = cur_; p != end_ && shortLength < kShort; ++p) {
        const char c = kWordUpper[static_cast<uint8_t>(*p)];
        if (c == 0) {
            word.resize(shortLength);
            cur_ = p;
            return !failed();
        }
        out[shortLength++] = c;
    }
    word.clear();
    const Position start = position();
    while (fill()) {
        const char* p = cur_;
        while (p != end_ && kCharClass[static_cast<uint8_t>(*p)] == kWordChar) {
            ++p;
        }
        const auto length = static_cast<size_t>(p - cur_);
        if (word.size() + length > kMaxWordLength) {
            return fail(start,
                        "a word of more than " + std::to_string(kMaxWordLength) + " characters");
        }
        const size_t from = word.size();
        word.append(cur_, length);
        for (size_t i = from; i < word.size(); ++i) {
            word[i] = upper(word[i]);
        }
        cur_ = p;
        if (p != end_) {
            break;
        }
    }
    return !failed();
}

bool SvfLexer::readWordList(const char* what, std::string& words) {
    words.clear();
    std::string word;
    for (;;) {
        const int c = peekSignificant();
        if (c < 0) {
            return failed() ? false
                            : fail(position(), std::string("the file ends inside the ") + what +
                                                   " list: ')' missing");
        }
        switch (kCharClass[static_cast<uint8_t>(c)]) {
            case kClose:
                advance();
                return true;
            case kWordChar:
                if (!readWord(word)) {
                    return false;
                }
                if (!words.empty()) {
                    words.push_back(' ');
                }
                words += word;
                break;
            case kSemicolon:
                return fail(position(),
                            std::string("';' inside the ") + what + " list: ')' missing");
            default:
                return fail(position(), "unexpected " + describeByte(static_cast<uint8_t>(c)) +
                                            " inside the " + what + " list");
        }
    }
}

bool SvfLexer::fail(Position at, std::string message) {
    if (!failed_) {
        failed_ = true;
        error_ = Error{at, std::move(message)};
    }
    return false;
}

}  // namespace kelsvfreader
