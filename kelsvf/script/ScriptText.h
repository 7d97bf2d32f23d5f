// A script file as kelsvf takes it: a UTF-8 byte order mark at the start (which some editors
// write) is dropped, and a file that is not text at all is refused as a whole rather than
// reported line by line.
#ifndef KELSVF_SCRIPT_TEXT_H
#define KELSVF_SCRIPT_TEXT_H

#include <optional>
#include <string>
#include <string_view>

namespace kelsvf {

// Tab, line and page breaks, escape and every byte from 0x20 up.
bool isScriptTextByte(unsigned char byte);

std::string_view withoutByteOrderMark(std::string_view text);

// Why the text cannot be a script ("byte 0x00 at offset 12"), or nothing when it can: a NUL
// or another control byte that no text file holds (tab, line and page breaks and escape can).
std::optional<std::string> notTextReason(std::string_view text);

}  // namespace kelsvf

#endif  // KELSVF_SCRIPT_TEXT_H
