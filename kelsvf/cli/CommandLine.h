// kelsvf's command line: "kelsvf run ...", "kelsvf program ...", "kelsvf check ...", "kelsvf
// diff ...", "kelsvf bsdl ...", "kelsvf convert ...", help and version.
#ifndef KELSVF_COMMAND_LINE_H
#define KELSVF_COMMAND_LINE_H

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/ChainOptions.h"
#include "run/HostOutput.h"

namespace kelsvf {

class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Options that both commands take.
struct CommonOptions {
    std::string pluginPath;  // empty: the default location
    OutputSettings output;
    bool keepGoing = false;
    bool sync = true;  // --no-sync turns it off: no fsync of the output before its rename
};

struct RunOptions {
    std::string script;                 // a path, or "-" for standard input
    std::optional<std::string> output;  // -o: the output file, replacing the script's fname;
                                        // "-" for standard output
};

// The limits of the chain program describes: the plug-in's 255 devices, and IR lengths that
// check can play (a longer IR makes a file no player or checker models).
inline constexpr size_t kMaxProgramDevices = 255;
inline constexpr uint32_t kMaxProgramIrLength = 64;

struct ProgramOptions {
    std::vector<uint32_t> irLengths;       // --irlen 6,8,10: device 0 (nearest TDI) first
    std::optional<std::string> chainFile;  // --chainfile: IDCODEs from a chain-description file
    uint32_t device = 0;                   // --device
    std::string instruction;               // --ir: hex, the device's IR length in bits
    std::string dataFile;                  // --data: the bitstream
    bool msbFirst = false;                 // --msb-first: bit 7 of each data byte first
    std::string output;                    // -o: a path, or "-" for standard output
    std::optional<uint32_t> runtest;       // --runtest: clocks in Run-Test/Idle after the data
    std::string type = "SVF";              // --type: the target type option
    bool printScript = false;              // --print-script: show the script, run nothing
};

struct CheckOptions {
    std::string file;  // the SVF file, or "-" for standard input
    ChainOptions chain;
    bool json = false;        // --json: the report as one JSON document
    bool fullValues = false;  // --full-values: every digit of long values in the JSON report
    bool events = false;      // --events: an event a line instead of the summary
};

struct DiffOptions {
    std::string fileA;  // the SVF files; one of them may be "-" for standard input
    std::string fileB;
    ChainOptions chain;
    uint32_t maxDifferences = 10;  // --max-differences: shown before the comparison stops
    bool waitsAtLeast = false;     // --waits at-least: B's waits at least A's, not the same
};

enum class ConvertFormat { Svf, Xsvf };

struct ConvertOptions {
    std::string input;   // SVF or XSVF (told apart by content), or "-" for standard input
    std::string output;  // -o: a path, or "-" for standard output
    std::optional<ConvertFormat> to;  // --to; else from the output's extension
    uint64_t maxScan = 0;             // --max-scan: the longest scan written; 0 none
    uint32_t xrepeat = 0;             // --xrepeat: XSVF retries of a failed TDO check
    bool dropUnsupported = false;     // --drop-unsupported: leave out, with a warning
    double frequencyHz = 1e6;         // --frequency: TCK counts as time, where no FREQUENCY
    // --chain, --chainfile with --irlen, or --irlen: the output is proved on that chain.
    ChainOptions chain;
    bool prove = false;
};

struct BsdlOptions {
    std::string file;   // the BSDL file, or "-" for standard input
    bool json = false;  // --json: the part as one JSON object
};

enum class Command { Run, Program, Check, Diff, Bsdl, Convert, Help, Version };

struct CommandLine {
    Command command = Command::Help;
    std::string helpTopic;  // "" or a command with help (see HelpText.h)
    CommonOptions common;
    RunOptions run;
    ProgramOptions program;
    CheckOptions check;
    DiffOptions diff;
    ConvertOptions convert;
    BsdlOptions bsdl;
};

// `args` are the arguments after the program name. Throws UsageError.
CommandLine parseCommandLine(const std::vector<std::string>& args);

}  // namespace kelsvf

#endif  // KELSVF_COMMAND_LINE_H
