// The pieces of a JSON document written by hand: strings escaped, numbers as JSON spells them.
#ifndef KELSVF_CHECK_JSON_TEXT_H
#define KELSVF_CHECK_JSON_TEXT_H

#include <cstdint>
#include <string>
#include <string_view>

namespace kelsvf::check {

// `text` as a JSON string with its quotes: '"' and '\' escaped, control characters as \n, \t
// or \u00XX, bytes that are not UTF-8 as \ufffd, so the document is valid whatever a file
// holds.
std::string jsonString(std::string_view text);

// A finite number in the shortest form that reads back as the same double; NaN and the
// infinities, which JSON has no form for, as null.
std::string jsonNumber(double value);

// Builds one JSON object, member after member: {"a": 1, "b": "x"}.
class JsonObject {
  public:
    JsonObject& add(std::string_view key, std::string_view text);  // a string
    JsonObject& add(std::string_view key, const char* text) {
        return add(key, std::string_view(text));
    }
    JsonObject& add(std::string_view key, uint64_t number);
    JsonObject& add(std::string_view key, double number);
    JsonObject& add(std::string_view key, bool value);
    // A member whose value is JSON text already (an object, an array, null).
    JsonObject& addRaw(std::string_view key, std::string_view json);

    std::string text() const { return text_ + "}"; }

  private:
    std::string& member(std::string_view key);
    std::string text_ = "{";
};

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_JSON_TEXT_H
