// Turns script text into steps. The whole script is understood before anything runs, so a bad
// line is found before the first operation touches the target or the output file.
#ifndef KELSVF_SCRIPT_PARSER_H
#define KELSVF_SCRIPT_PARSER_H

#include <string>
#include <string_view>
#include <vector>

#include "script/Script.h"

namespace kelsvf {

// Splits one line into words: blanks separate, double quotes group (with \" and \\ inside),
// and '#' outside quotes starts a comment. Throws LineError for an unterminated quote.
std::vector<std::string> splitWords(std::string_view line);

// `sourceName` names the script in messages ("examples/worked-example.kel", "<stdin>").
ParsedScript parseScript(std::string_view text, const std::string& sourceName,
                         const ParseSettings& settings);

}  // namespace kelsvf

#endif  // KELSVF_SCRIPT_PARSER_H
