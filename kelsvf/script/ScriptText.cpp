#include "script/ScriptText.h"

#include <cstdio>

namespace kelsvf {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

bool isScriptTextByte(unsigned char byte) {
    return byte >= 0x20 || byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' ||
           byte == '\r' || byte == 0x1B;
}

std::string_view withoutByteOrderMark(std::string_view text) {
    return text.starts_with(kByteOrderMark) ? text.substr(kByteOrderMark.size()) : text;
}

std::optional<std::string> notTextReason(std::string_view text) {
    for (size_t offset = 0; offset < text.size(); ++offset) {
        const auto byte = static_cast<unsigned char>(text[offset]);
        if (!isScriptTextByte(byte)) {
            char reason[64];
            std::snprintf(reason, sizeof reason, "byte 0x%02X at offset %zu", byte, offset);
            return std::string(reason);
        }
    }
    return std::nullopt;
}

}  // namespace kelsvf
