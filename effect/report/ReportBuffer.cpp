#include "report/ReportBuffer.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>

#include "report/JsonText.h"

namespace kelsvf::check {

ReportBuffer::ReportBuffer(std::FILE* out)
    : out_(out), lineBuffered_(out != nullptr && isatty(fileno(out)) == 1) {
    text_.reserve(kWriteSize + 4096);
}

ReportBuffer& ReportBuffer::number(uint64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text_.append(digits, end);
    return *this;
}

ReportBuffer& ReportBuffer::jsonString(std::string_view piece) {
    const auto plain = [](char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; };
    if (std::all_of(piece.begin(), piece.end(), plain)) {
        text_.push_back('"');
        text_.append(piece);
        text_.push_back('"');
    } else {
        text_ += check::jsonString(piece);
    }
    return *this;
}

void ReportBuffer::flush() {
    if (!text_.empty() && out_ != nullptr) {
        std::fwrite(text_.data(), 1, text_.size(), out_);
    }
    text_.clear();
}

}  // namespace kelsvf::check
