#include "cli/CommandLine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "cli/BsdlChain.h"
#include "cli/help/HelpText.h"
#include "script/Script.h"
#include "script/ScriptValues.h"

namespace kelsvf {
namespace {

// Short options whose value may be attached: "-v4", "-oFILE".
constexpr std::string_view kShortWithValue = "ov";

// Walks the arguments. A long option's value may follow it or come after '=' ("--plugin=PATH"),
// a short option's may be attached ("-oFILE"); "--" ends the options, so that what follows is
// taken as it is ("kelsvf run -- -odd-name.kel").
class ArgumentReader {
  public:
    explicit ArgumentReader(const std::vector<std::string>& args) : args_(args) {}

    // True when no argument is left; passes over the "--" that ends the options.
    bool done() {
        if (!optionsEnded_ && next_ < args_.size() && args_[next_] == "--") {
            optionsEnded_ = true;
            ++next_;
        }
        return next_ >= args_.size();
    }

    // The next argument (after done() said there is one), split from an attached value. False
    // in `isOption` for an operand: one after "--", "-" (standard input), or one that does not
    // start with '-'.
    std::string take(bool& isOption) {
        attached_.reset();
        std::string arg = args_[next_++];
        isOption = !optionsEnded_ && arg.size() > 1 && arg.starts_with('-');
        if (!isOption) {
            return arg;
        }
        const size_t equals = arg.find('=');
        if (arg.starts_with("--") && equals != std::string::npos) {
            attached_ = arg.substr(equals + 1);
            arg.resize(equals);
        } else if (!arg.starts_with("--") && arg.size() > 2 &&
                   kShortWithValue.find(arg[1]) != std::string_view::npos) {
            attached_ = arg.substr(2);
            arg.resize(2);
        }
        return arg;
    }

    std::string value(const std::string& option) {
        if (attached_) {
            return *std::exchange(attached_, std::nullopt);
        }
        if (next_ >= args_.size()) {
            throw UsageError(option + " needs a value");
        }
        return args_[next_++];
    }

    // An option that takes no value must not have one attached.
    void noValue(const std::string& option) const {
        if (attached_) {
            throw UsageError(option + " takes no value");
        }
    }

  private:
    const std::vector<std::string>& args_;
    size_t next_ = 0;
    bool optionsEnded_ = false;
    std::optional<std::string> attached_;
};

uint32_t numberOption(const std::string& option, const std::string& text) {
    try {
        return parseNumber32(text, option);
    } catch (const LineError& error) {
        throw UsageError(error.what());
    }
}

std::vector<uint32_t> numberList(const std::string& option, const std::string& text) {
    std::vector<uint32_t> numbers;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        numbers.push_back(numberOption(option, text.substr(start, comma - start)));
        if (comma == std::string::npos) {
            return numbers;
        }
        start = comma + 1;
    }
}

// Options both commands take; false when `option` is not one of them.
bool takeCommonOption(const std::string& option, ArgumentReader& reader, CommonOptions& common) {
    if (option == "--plugin") {
        common.pluginPath = reader.value(option);
    } else if (option == "-v" || option == "--verbosity") {
        common.output.verbosity = numberOption(option, reader.value(option));
    } else if (option == "--trace") {
        reader.noValue(option);
        common.output.trace = true;
    } else if (option == "--dump") {
        reader.noValue(option);
        common.output.dump = true;
    } else if (option == "--keep-going") {
        reader.noValue(option);
        common.keepGoing = true;
    } else if (option == "--no-sync") {
        reader.noValue(option);
        common.sync = false;
    } else {
        return false;
    }
    return true;
}

void parseRun(ArgumentReader& reader, CommandLine& line) {
    bool haveScript = false;
    while (!reader.done()) {
        bool isOption = false;
        const std::string arg = reader.take(isOption);
        if (isOption && takeCommonOption(arg, reader, line.common)) {
            continue;
        }
        if (isOption && (arg == "-o" || arg == "--output")) {
            line.run.output = reader.value(arg);
            if (line.run.output->empty()) {
                throw UsageError(arg + " needs a file name (or - for standard output)");
            }
        } else if (isOption) {
            throw UsageError("unknown option " + arg + " for run");
        } else if (haveScript) {
            throw UsageError("run takes one script, but got a second: " + arg);
        } else {
            line.run.script = arg;
            haveScript = true;
        }
    }
    if (!haveScript) {
        throw UsageError("run needs a script (a path, or - for standard input)");
    }
}

void parseProgram(ArgumentReader& reader, CommandLine& line) {
    ProgramOptions& program = line.program;
    while (!reader.done()) {
        bool isOption = false;
        const std::string arg = reader.take(isOption);
        if (!isOption) {
            throw UsageError("program takes options only, but got " + arg);
        }
        if (takeCommonOption(arg, reader, line.common)) {
            continue;
        }
        if (arg == "--irlen") {
            program.irLengths = numberList(arg, reader.value(arg));
        } else if (arg == "--chainfile") {
            program.chainFile = reader.value(arg);
        } else if (arg == "--device") {
            program.device = numberOption(arg, reader.value(arg));
        } else if (arg == "--ir") {
            program.instruction = reader.value(arg);
        } else if (arg == "--data") {
            program.dataFile = reader.value(arg);
        } else if (arg == "-o" || arg == "--output") {
            program.output = reader.value(arg);
        } else if (arg == "--runtest") {
            program.runtest = numberOption(arg, reader.value(arg));
        } else if (arg == "--type") {
            program.type = reader.value(arg);
        } else if (arg == "--msb-first") {
            reader.noValue(arg);
            program.msbFirst = true;
        } else if (arg == "--print-script") {
            reader.noValue(arg);
            program.printScript = true;
        } else {
            throw UsageError("unknown argument " + arg + " for program");
        }
    }
    if (program.irLengths.empty()) {
        throw UsageError("program needs --irlen (the IR length of every device, device 0 first)");
    }
    if (program.irLengths.size() > kMaxProgramDevices) {
        throw UsageError("--irlen: " + std::to_string(program.irLengths.size()) +
                         " devices, but a chain holds at most " +
                         std::to_string(kMaxProgramDevices));
    }
    for (size_t device = 0; device < program.irLengths.size(); ++device) {
        if (program.irLengths[device] == 0) {
            throw UsageError("--irlen: the IR length of device " + std::to_string(device) +
                             " is 0, but every device's IR length is at least 1");
        }
        if (program.irLengths[device] > kMaxProgramIrLength) {
            throw UsageError("--irlen: the IR length of device " + std::to_string(device) + " is " +
                             std::to_string(program.irLengths[device]) +
                             ", but program takes IR lengths of at most " +
                             std::to_string(kMaxProgramIrLength) + " bits");
        }
    }
    if (program.type.empty()) {
        throw UsageError("--type needs a target type (default SVF)");
    }
    if (program.instruction.empty()) {
        throw UsageError("program needs --ir (the instruction to load first, in hex)");
    }
    if (program.dataFile.empty()) {
        throw UsageError("program needs --data (the data file to shift into the device)");
    }
    if (program.output.empty()) {
        throw UsageError("program needs -o (the SVF file to write)");
    }
}

double frequencyOption(const std::string& option, const std::string& text) {
    char* end = nullptr;
    const double hertz = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(hertz) ||
        !(hertz > 0)) {
        throw UsageError(option + " needs a frequency in Hz above 0 (1000000, 1e6, 12.5e6), not '" +
                         text + "'");
    }
    return hertz;
}

// --chain: IRLEN[:IDCODE] entries, and BSDL files whose devices the chain resolution reads.
void chainWithParts(const std::string& option, const std::string& text, ChainOptions& chain) {
    check::ChainDescription devices;
    std::vector<std::string> files;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        const std::string entry = text.substr(start, comma - start);
        std::string error;
        if (isBsdlPath(entry)) {
            devices.devices.push_back({1, std::nullopt});  // made the part's when it is read
            files.push_back(entry);
        } else if (const std::optional<check::ChainDescription> one =
                       check::parseChainOption(entry, error)) {
            devices.devices.push_back(one->devices.front());
            files.emplace_back();
        } else {
            throw UsageError(option + ": " + error);
        }
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    if (devices.devices.size() > check::kMaxDevices) {
        throw UsageError(option + ": " + std::to_string(devices.devices.size()) +
                         " devices are more than a chain holds (" +
                         std::to_string(check::kMaxDevices) + ")");
    }
    chain.chain = std::move(devices);
    const bool anyFile = std::any_of(files.begin(), files.end(),
                                     [](const std::string& file) { return !file.empty(); });
    chain.chainBsdlFiles = anyFile ? std::move(files) : std::vector<std::string>{};
}

// The chain options of the commands that play SVF files; false when `option` is not one.
bool takeChainOption(const std::string& option, ArgumentReader& reader, ChainOptions& chain) {
    std::string error;
    if (option == "--chain") {
        chainWithParts(option, reader.value(option), chain);
    } else if (option == "--bsdl-dir") {
        chain.bsdlFolder = reader.value(option);
    } else if (option == "--chainfile") {
        chain.chainFile = reader.value(option);
    } else if (option == "--irlen") {
        chain.irLengths = check::parseIrLengths(reader.value(option), error);
        if (!chain.irLengths) {
            throw UsageError(option + ": " + error);
        }
    } else if (option == "--frequency") {
        chain.frequencyHz = frequencyOption(option, reader.value(option));
    } else {
        return false;
    }
    return true;
}

// Exactly one way to describe the chain: --chain, --chainfile (its lines or --irlen giving the
// IR lengths), or --irlen.
void checkChainOptions(const ChainOptions& chain, const std::string& command) {
    if (chain.chain && (chain.chainFile || chain.irLengths)) {
        throw UsageError(command +
                         ": --chain gives the whole chain; it takes no --chainfile or "
                         "--irlen");
    }
    if (!chain.chain && !chain.irLengths && !chain.chainFile) {
        throw UsageError(command +
                         " needs the chain: --chain IRLEN[:IDCODE[:OPCODE]],... (or --irlen "
                         "LIST, or --chainfile FILE)");
    }
}

void parseCheck(ArgumentReader& reader, CommandLine& line) {
    CheckOptions& check = line.check;
    bool haveFile = false;
    while (!reader.done()) {
        bool isOption = false;
        const std::string arg = reader.take(isOption);
        if (isOption && takeChainOption(arg, reader, check.chain)) {
            continue;
        }
        if (isOption && arg == "--json") {
            reader.noValue(arg);
            check.json = true;
        } else if (isOption && arg == "--events") {
            reader.noValue(arg);
            check.events = true;
        } else if (isOption && arg == "--full-values") {
            reader.noValue(arg);
            check.fullValues = true;
        } else if (isOption) {
            throw UsageError("unknown option " + arg + " for check");
        } else if (haveFile) {
            throw UsageError("check takes one SVF file, but got a second: " + arg);
        } else {
            check.file = arg;
            haveFile = true;
        }
    }
    if (!haveFile) {
        throw UsageError("check needs an SVF file (a path, or - for standard input)");
    }
    if (check.json && check.events) {
        throw UsageError("check: --events and --json are two forms of the report; give one");
    }
    if (check.fullValues && !check.json) {
        throw UsageError("--full-values is for the JSON report: add --json");
    }
    checkChainOptions(check.chain, "check");
}

void parseDiff(ArgumentReader& reader, CommandLine& line) {
    DiffOptions& diff = line.diff;
    std::vector<std::string> files;
    bool frequencyGiven = false;
    while (!reader.done()) {
        bool isOption = false;
        const std::string arg = reader.take(isOption);
        // --frequency counts only where waits are compared as at least.
        frequencyGiven = frequencyGiven || (isOption && arg == "--frequency");
        if (isOption && takeChainOption(arg, reader, diff.chain)) {
            continue;
        }
        if (isOption && arg == "--waits") {
            const std::string waits = reader.value(arg);
            if (waits != "exact" && waits != "at-least") {
                throw UsageError("--waits takes exact or at-least, not '" + waits + "'");
            }
            diff.waitsAtLeast = waits == "at-least";
            continue;
        }
        if (isOption && arg == "--max-differences") {
            diff.maxDifferences = numberOption(arg, reader.value(arg));
            if (diff.maxDifferences == 0) {
                throw UsageError(arg + " needs a number of at least 1");
            }
        } else if (isOption) {
            throw UsageError("unknown option " + arg + " for diff");
        } else if (files.size() == 2) {
            throw UsageError("diff takes two SVF files, but got a third: " + arg);
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2) {
        throw UsageError("diff needs two SVF files (a path, or - for standard input)");
    }
    if (files[0] == "-" && files[1] == "-") {
        throw UsageError("diff reads only one of its files from standard input");
    }
    if (frequencyGiven && !diff.waitsAtLeast) {
        throw UsageError(
            "--frequency is for --waits at-least: the replay time is no part of a file's effect");
    }
    diff.fileA = files[0];
    diff.fileB = files[1];
    checkChainOptions(diff.chain, "diff");
}

void parseConvert(ArgumentReader& reader, CommandLine& line) {
    ConvertOptions& convert = line.convert;
    bool haveInput = false;
    bool haveOutput = false;
    while (!reader.done()) {
        bool isOption = false;
        const std::string arg = reader.take(isOption);
        if (!isOption) {
            if (haveInput) {
                throw UsageError("convert takes one input file, but got a second: " + arg);
            }
            convert.input = arg;
            haveInput = true;
        } else if (arg == "-o" || arg == "--output") {
            convert.output = reader.value(arg);
            haveOutput = true;
        } else if (arg == "--to") {
            const std::string to = reader.value(arg);
            if (to != "svf" && to != "xsvf") {
                throw UsageError("--to takes svf or xsvf, not '" + to + "'");
            }
            convert.to = to == "svf" ? ConvertFormat::Svf : ConvertFormat::Xsvf;
        } else if (arg == "--max-scan") {
            convert.maxScan = numberOption(arg, reader.value(arg));
            if (convert.maxScan == 0) {
                throw UsageError(arg + " needs a number of bits of at least 1");
            }
        } else if (arg == "--xrepeat") {
            convert.xrepeat = numberOption(arg, reader.value(arg));
            if (convert.xrepeat > 255) {
                throw UsageError(arg + " takes 0 to 255 retries (XREPEAT holds one byte)");
            }
        } else if (arg == "--drop-unsupported") {
            reader.noValue(arg);
            convert.dropUnsupported = true;
        } else if (arg == "--frequency") {
            convert.frequencyHz = frequencyOption(arg, reader.value(arg));
            convert.chain.frequencyHz = convert.frequencyHz;
        } else if (takeChainOption(arg, reader, convert.chain)) {
            convert.prove = true;
        } else {
            throw UsageError("unknown option " + arg + " for convert");
        }
    }
    if (!haveInput) {
        throw UsageError("convert needs an input file (SVF or XSVF, or - for standard input)");
    }
    if (!haveOutput || convert.output.empty()) {
        throw UsageError("convert needs -o (the file to write, or - for standard output)");
    }
    if (convert.prove) {
        checkChainOptions(convert.chain, "convert");
    }
}

void parseBsdl(ArgumentReader& reader, CommandLine& line) {
    BsdlOptions& bsdl = line.bsdl;
    bool haveFile = false;
    while (!reader.done()) {
        bool isOption = false;
        const std::string arg = reader.take(isOption);
        if (isOption && arg == "--json") {
            reader.noValue(arg);
            bsdl.json = true;
        } else if (isOption) {
            throw UsageError("unknown option " + arg + " for bsdl");
        } else if (haveFile) {
            throw UsageError("bsdl takes one BSDL file, but got a second: " + arg);
        } else {
            bsdl.file = arg;
            haveFile = true;
        }
    }
    if (!haveFile) {
        throw UsageError("bsdl needs a BSDL file (a path, or - for standard input)");
    }
}

bool isHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

// "run, program or check" (and ", help" with `help`): the commands with a help of their own.
std::string commandList(bool help) {
    std::vector<std::string> names;
    for (const CommandHelpText& command : commandHelps()) {
        names.emplace_back(command.topic);
    }
    if (help) {
        names.emplace_back("help");
    }
    std::string list;
    for (size_t i = 0; i < names.size(); ++i) {
        list += i == 0 ? "" : i + 1 == names.size() ? " or " : ", ";
        list += names[i];
    }
    return list;
}

bool isCommand(const std::string& name) {
    for (const CommandHelpText& command : commandHelps()) {
        if (name == command.topic) {
            return true;
        }
    }
    return false;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    if (args.empty()) {
        throw UsageError("no command given (" + commandList(true) + ")");
    }
    const std::string& command = args.front();
    if (isHelp(command)) {
        return line;
    }
    if (command == "--version") {
        line.command = Command::Version;
        return line;
    }
    if (command == "help") {
        line.helpTopic = args.size() > 1 ? args[1] : "";
        if (!line.helpTopic.empty() && !isCommand(line.helpTopic)) {
            throw UsageError("no help for " + line.helpTopic + " (try " + commandList(false) + ")");
        }
        return line;
    }
    if (!isCommand(command)) {
        throw UsageError("unknown command " + command + " (" + commandList(true) + ")");
    }
    for (size_t i = 1; i < args.size() && args[i] != "--"; ++i) {
        if (isHelp(args[i])) {
            line.helpTopic = command;
            return line;
        }
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    ArgumentReader reader(rest);
    if (command == "run") {
        line.command = Command::Run;
        parseRun(reader, line);
    } else if (command == "program") {
        line.command = Command::Program;
        parseProgram(reader, line);
    } else if (command == "diff") {
        line.command = Command::Diff;
        parseDiff(reader, line);
    } else if (command == "convert") {
        line.command = Command::Convert;
        parseConvert(reader, line);
    } else if (command == "bsdl") {
        line.command = Command::Bsdl;
        parseBsdl(reader, line);
    } else {
        line.command = Command::Check;
        parseCheck(reader, line);
    }
    return line;
}

}  // namespace kelsvf
