#include "cli/help/HelpFormat.h"

#include <algorithm>

namespace kelsvf {

std::string wrapped(std::string_view text, const std::string& indent) {
    constexpr size_t kWidth = 92;
    std::string lines;
    std::string line = indent;
    while (!text.empty()) {
        const size_t blank = text.find(' ');
        const std::string_view word = text.substr(0, blank);
        if (line.size() > indent.size() && line.size() + 1 + word.size() > kWidth) {
            lines += "\n" + line;
            line = indent;
        }
        line += line.size() > indent.size() ? " " : "";
        line += word;
        text = blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
    }
    return lines + "\n" + line + "\n";
}

std::string optionRows(std::span<const OptionHelp> options, std::size_t column) {
    std::string rows;
    const std::string indent(column, ' ');
    for (const OptionHelp& option : options) {
        std::string head = "  " + std::string(option.option);
        head.resize(std::max(column, head.size() + 1), ' ');
        // The first line's indent gives way to the option itself.
        rows += head + wrapped(option.text, indent).substr(1 + column);
    }
    return rows;
}

}  // namespace kelsvf
