#include "common/TextUtil.h"

#include <cstdio>

namespace kelsvf {
namespace {

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

}  // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::string toLower(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        c = lowerAscii(c);
    }
    return lowered;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string join(const std::vector<std::string>& words, size_t from, std::string_view separator) {
    std::string joined;
    for (size_t i = from; i < words.size(); ++i) {
        if (i > from) {
            joined += separator;
        }
        joined += words[i];
    }
    return joined;
}

std::string quoteWord(std::string_view word) {
    bool plain = !word.empty();
    for (const char c : word) {
        if (isBlank(c) || c == '"' || c == '#' || c == '\\') {
            plain = false;
        }
    }
    if (plain) {
        return std::string(word);
    }
    std::string quoted = "\"";
    for (const char c : word) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

std::string shownText(std::string_view text, bool keepTabs) {
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && !(keepTabs && c == '\t')) || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    return shown;
}

std::string shownWord(std::string_view word) {
    if (word.size() <= kShownWordLength) {
        return shownText(word);
    }
    return shownText(word.substr(0, kShownWordLength)) + "...(" + std::to_string(word.size()) +
           " bytes)";
}

std::string hexMsbFirst(const uint8_t* bytes, size_t byteCount) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(byteCount * 2);
    for (size_t i = byteCount; i > 0; --i) {
        hex += kDigits[bytes[i - 1] >> 4];
        hex += kDigits[bytes[i - 1] & 0x0F];
    }
    return hex;
}

std::string resultText(KelResult result) {
    if (kelSucceeded(result)) {
        return "KEL_SUCCESS";
    }
    char text[48];
    std::snprintf(text, sizeof text, "KEL_FAILURE, ERROR CODE: %X",
                  static_cast<unsigned>(static_cast<uint32_t>(result) & 0xFFFFu));
    return text;
}

}  // namespace kelsvf
