// Turns kelsvf's help texts into the roff source of its manual page, kelsvf(1), so that the
// manual says exactly what --help says.
//
// The help texts follow a few layout rules, which this reads:
//   - a heading is a line at the left margin that ends in ':' ("Exit codes:");
//   - a definition is a term, then its description after two or more blanks, continued on
//     lines indented deeper ("  -v LEVEL   show ..."); or a term alone on a line with the
//     description on the deeper lines below it (the script operations);
//   - blank lines separate paragraphs and lists; a paragraph is a group of lines without terms;
//   - the lines under an "Example:" heading are shown as they are.
#ifndef KELSVF_MAN_HELP_TO_ROFF_H
#define KELSVF_MAN_HELP_TO_ROFF_H

#include <string>
#include <string_view>
#include <vector>

namespace kelsvf::man {

// The lines under one heading; with an empty heading, the lines before the first heading.
struct HelpSection {
    std::string heading;  // without its colon
    std::vector<std::string> lines;

    bool operator==(const HelpSection&) const = default;
};

std::vector<HelpSection> splitSections(std::string_view help);

// Text for a roff text line: backslashes and minus signs escaped, a leading '.' or '\'' made
// literal.
std::string escapeText(std::string_view text);

// A term of a definition list: option names and the leading lower-case words (the command or
// operation name) in bold, the rest in roman.
std::string termToRoff(std::string_view term);

// Paragraphs and definition lists (as tagged paragraphs).
std::string bodyToRoff(const std::vector<std::string>& lines);

// Lines shown as they are, their common indentation removed.
std::string literalToRoff(const std::vector<std::string>& lines);

struct CommandHelpPage {
    std::string topic;  // "run"
    std::string help;   // kelsvf run --help
};

struct HelpTexts {
    std::string general;  // kelsvf --help: its first line names the program and what it does
    std::vector<CommandHelpPage> commands;  // in the order the page shows them
};

std::string manPage(const HelpTexts& help, std::string_view version);

}  // namespace kelsvf::man

#endif  // KELSVF_MAN_HELP_TO_ROFF_H
