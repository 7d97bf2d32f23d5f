// A parsed kelsvf script: one step per operation line, each ready to run against a target.
#ifndef KELSVF_SCRIPT_H
#define KELSVF_SCRIPT_H

#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "kel/KelPluginBoundary.h"
#include "output/FileUse.h"

namespace kelsvf {

class Session;

struct SourceLocation {
    std::string file;  // as the user named it; "<stdin>" for standard input
    int line = 0;

    // "file:line", or just "file" for a finding about the script as a whole (line 0).
    std::string text() const { return line > 0 ? file + ":" + std::to_string(line) : file; }
};

// What one line does to the target. It returns the result that decides whether the run goes
// on; a line that makes several calls returns the first failure.
using Action = std::function<KelResult(Session&)>;

struct Step {
    SourceLocation where;
    std::string text;      // the line as written, without its comment
    bool mayFail = false;  // written with the "try" prefix
    Action run;
};

struct ScriptError {
    SourceLocation where;
    std::string message;

    std::string text() const { return where.text() + ": " + message; }
};

struct ParsedScript {
    std::vector<Step> steps;
    std::vector<ScriptError> errors;  // in line order; the script runs only when this is empty
    std::vector<FileUse> inputs;      // data files and chain-description files
    std::vector<FileUse> outputs;     // fname= of the open lines, or the -o path

    bool ok() const { return errors.empty(); }
};

struct ParseSettings {
    // Where relative input files (data files, chain files) are looked up: the script's folder.
    std::filesystem::path baseDir;
    // Set by "kelsvf run -o": replaces the fname option of the script's one open line; "-" is
    // standard output.
    std::optional<std::string> outputOverride;
};

// Thrown while one line is being understood; the parser adds the location.
class LineError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace kelsvf

#endif  // KELSVF_SCRIPT_H
