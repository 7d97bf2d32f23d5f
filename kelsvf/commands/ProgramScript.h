// "kelsvf program" as a script: the command writes the lines a user would write for "run", so
// both go through the same parser and the same runner.
#ifndef KELSVF_PROGRAM_SCRIPT_H
#define KELSVF_PROGRAM_SCRIPT_H

#include <string>
#include <vector>

#include "cli/CommandLine.h"

namespace kelsvf {

struct GeneratedScript {
    std::string text;
    std::vector<std::string> origins;  // for line n (from 1), origins[n - 1]: the option behind it
};

enum class PathStyle {
    AsGiven,   // for the run: messages name the files as the user did
    Absolute,  // for --print-script: the script runs the same from any folder
};

// Throws UsageError when the options do not fit together (a device that is not on the chain).
GeneratedScript programScript(const ProgramOptions& options, PathStyle style);

}  // namespace kelsvf

#endif  // KELSVF_PROGRAM_SCRIPT_H
