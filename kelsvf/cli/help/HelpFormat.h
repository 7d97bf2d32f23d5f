// How the help texts are laid out: words wrapped at one width, options in aligned rows.
#ifndef KELSVF_HELP_FORMAT_H
#define KELSVF_HELP_FORMAT_H

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace kelsvf {

// `text` as lines of at most 92 columns, each starting with `indent`; every line, the first
// too, starts with a line break.
std::string wrapped(std::string_view text, const std::string& indent);

struct OptionHelp {
    std::string_view option;  // "--chain DEVICES"
    std::string_view text;    // what it does, wrapped to the width
};

// "  OPTION   TEXT..." a row each, every text starting at `column`.
std::string optionRows(std::span<const OptionHelp> options, std::size_t column);

}  // namespace kelsvf

#endif  // KELSVF_HELP_FORMAT_H
