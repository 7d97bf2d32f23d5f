// A parsed kelsvf script: one step per operation line, each ready to run against a target.
#ifndef KELSVF_SCRIPT_H
#define KELSVF_SCRIPT_H

#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/TextUtil.h"
#include "kel/KelPluginBoundary.h"
#include "output/FileUse.h"

namespace kelsvf {

class Session;
class DataFileCache;

struct SourceLocation {
    std::string file;  // as the user named it; "<stdin>" for standard input
    int line = 0;

    // "file:line", or just "file" for a finding about the script as a whole (line 0).
    std::string text() const {
        const std::string shown = shownText(file);
        return line > 0 ? shown + ":" + std::to_string(line) : shown;
    }
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
    // The first errors kept, however many lines are bad; no more are ever shown.
    static constexpr size_t kKeptErrors = 100;

    std::vector<Step> steps;
    std::vector<ScriptError> errors;  // in line order; the script runs only when there is none
    size_t errorCount = 0;            // errors found, kept or not
    std::vector<FileUse> inputs;      // data files and chain-description files, each once
    std::vector<FileUse> outputs;     // fname= of the open lines, or the -o path, each once

    bool ok() const { return errorCount == 0; }
    void addError(ScriptError error) {
        ++errorCount;
        if (errors.size() < kKeptErrors) {
            errors.push_back(std::move(error));
        }
    }
};

struct ParseSettings {
    // Where relative input files (data files, chain files) are looked up: the script's folder.
    std::filesystem::path baseDir;
    // Set by "kelsvf run -o": replaces the fname option of the script's one open line; "-" is
    // standard output.
    std::optional<std::string> outputOverride;
    // The data files already read, shared by the checking and the running pass; none when
    // null, each line then reads its file again.
    DataFileCache* dataFiles = nullptr;
};

// Thrown while one line is being understood; the parser adds the location.
class LineError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace kelsvf

#endif  // KELSVF_SCRIPT_H
