// Turns script text into steps. The whole script is understood before anything runs, so a bad
// line is found before the first operation touches the target or the output file: a checking
// pass reads every line and keeps what it found, a running pass reads them again and runs each
// step as it is understood, so that neither pass holds more than one line's step.
#ifndef KELSVF_SCRIPT_PARSER_H
#define KELSVF_SCRIPT_PARSER_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script/Operations.h"
#include "script/Script.h"
#include "script/ScriptReader.h"

namespace kelsvf {

// Splits one line into words: blanks separate, double quotes group (with \" and \\ inside),
// and '#' outside quotes starts a comment. Throws LineError for an unterminated quote.
std::vector<std::string> splitWords(std::string_view line);

// Understands one line after another, keeping what the earlier lines said (the chain, the
// chain file, the open lines).
class LineParser {
  public:
    LineParser(std::string sourceName, const ParseSettings& settings);

    // Nothing for a blank or comment line; throws LineError.
    std::optional<Step> parse(std::string_view line, int lineNumber);

    ParseState& state() { return state_; }
    const std::string& sourceName() const { return sourceName_; }

  private:
    std::string sourceName_;
    const ParseSettings& settings_;
    ParseState state_;
};

// The checking pass over a whole script: its errors, inputs and outputs, and no steps. Reading
// stops at a byte that no text holds; the reader says so.
ParsedScript checkScript(ScriptReader& reader, const std::string& sourceName,
                         const ParseSettings& settings);

// The running pass: the steps one at a time, from the first line again. A line that no longer
// parses (a data file changed since the check) becomes a step that fails with its reason.
class ScriptSteps {
  public:
    ScriptSteps(ScriptReader& reader, const std::string& sourceName, const ParseSettings& settings);
    std::optional<Step> next();

  private:
    ScriptReader& reader_;
    LineParser parser_;
    int lineNumber_ = 0;
    std::string line_;
};

// A whole script in memory, steps kept: `sourceName` names the script in messages
// ("examples/worked-example.kel", "<stdin>").
ParsedScript parseScript(std::string_view text, const std::string& sourceName,
                         const ParseSettings& settings);

}  // namespace kelsvf

#endif  // KELSVF_SCRIPT_PARSER_H
