#include "report/JsonText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace kelsvf::check {
namespace {

// The length of the UTF-8 sequence at `text` (1 to 4), or 0 when it is not one.
size_t utf8Length(std::string_view text) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    unsigned minimum = 0;
    unsigned value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1Fu;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0Fu;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07u;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0u) != 0x80u) {
            return 0;
        }
        value = value << 6 | (byte(i) & 0x3Fu);
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    return value < minimum || value > 0x10FFFF || surrogate ? 0 : length;
}

}  // namespace

std::string jsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    const auto plain = [](char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; };
    std::string json;
    json.reserve(text.size() + 2);
    json += '"';
    // Values, names and kinds need no escape: taken whole.
    if (std::all_of(text.begin(), text.end(), plain)) {
        json.append(text);
        json += '"';
        return json;
    }
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text.front());
        size_t taken = 1;
        if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c == '\n') {
            json += "\\n";
        } else if (c == '\t') {
            json += "\\t";
        } else if (c == '\r') {
            json += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            json += "\\u00";
            json += kHex[c >> 4];
            json += kHex[c & 0xF];
        } else if (c < 0x80) {
            json += static_cast<char>(c);
        } else if (const size_t length = utf8Length(text); length != 0) {
            json.append(text.substr(0, length));
            taken = length;
        } else {
            json += "\\ufffd";
        }
        text.remove_prefix(taken);
    }
    json += '"';
    return json;
}

std::string jsonNumber(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char text[32];
    if (value == std::trunc(value) && std::fabs(value) < 1e15) {
        std::snprintf(text, sizeof text, "%.0f", value);  // 1000000, not 1e+06
        return text;
    }
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string& JsonObject::member(std::string_view key) {
    if (text_.size() > 1) {
        text_ += ", ";
    }
    text_ += jsonString(key);
    text_ += ": ";
    return text_;
}

JsonObject& JsonObject::add(std::string_view key, std::string_view text) {
    member(key) += jsonString(text);
    return *this;
}

JsonObject& JsonObject::add(std::string_view key, uint64_t number) {
    member(key) += std::to_string(number);
    return *this;
}

JsonObject& JsonObject::add(std::string_view key, double number) {
    member(key) += jsonNumber(number);
    return *this;
}

JsonObject& JsonObject::add(std::string_view key, bool value) {
    member(key) += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::addRaw(std::string_view key, std::string_view json) {
    member(key) += json;
    return *this;
}

}  // namespace kelsvf::check
