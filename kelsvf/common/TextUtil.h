// Small text helpers shared by the script parser, the runner and the command line.
#ifndef KELSVF_TEXT_UTIL_H
#define KELSVF_TEXT_UTIL_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kel/KelPluginBoundary.h"

namespace kelsvf {

// ASCII-only case folding, like the plug-in's own option lookup.
bool equalsIgnoringCase(std::string_view a, std::string_view b);
std::string toLower(std::string_view text);

std::string_view trim(std::string_view text);
std::string join(const std::vector<std::string>& words, size_t from, std::string_view separator);

// A word as a script line must write it: quoted when it holds blanks, quotes, '#' or '\'.
std::string quoteWord(std::string_view word);

// Text from the user or a file as it may reach a terminal: control bytes (ESC, line breaks,
// DEL) shown as \x1b, so that no escape sequence is echoed raw.
std::string shownText(std::string_view text, bool keepTabs = false);
// A word echoed in a message: shownText, and past kShownWordLength characters cut, with its
// length ("0123...(104857600 bytes)"), so that one huge word never makes one huge line.
inline constexpr size_t kShownWordLength = 80;
std::string shownWord(std::string_view word);

// A bit buffer (bit 0 in bit 0 of byte 0) as hex digits, most significant byte first, the way
// SVF writes TDI data.
std::string hexMsbFirst(const uint8_t* bytes, size_t byteCount);

// The text a host shows for a result code: "KEL_SUCCESS" or "KEL_FAILURE, ERROR CODE: 5".
std::string resultText(KelResult result);

}  // namespace kelsvf

#endif  // KELSVF_TEXT_UTIL_H
