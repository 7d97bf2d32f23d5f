#include "commands/Commands.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "commands/ProgramScript.h"
#include "common/Activity.h"
#include "common/ErrorLines.h"
#include "common/ExitCodes.h"
#include "common/TextUtil.h"
#include "kelhost/PluginLibrary.h"
#include "output/OutputFiles.h"
#include "output/OverwriteCheck.h"
#include "run/PluginLocation.h"
#include "run/Runner.h"
#include "script/DataFiles.h"
#include "script/ScriptParser.h"
#include "script/ScriptReader.h"

namespace kelsvf {
namespace {

std::string pluginPath(const CommonOptions& common) {
    return common.pluginPath.empty() ? defaultPluginPath() : common.pluginPath;
}

// Loads the plug-in, creates one target and runs the steps on it, as a host does: load
// notification, callbacks, create, ... , destroy, unload notification. With the SVF on standard
// output, queries print to standard error instead.
int runWithPlugin(const StepSource& steps, const CommonOptions& common, bool svfOnStdout,
                  ErrorLines& errors) {
    activity::set("loading the plug-in");
    HostOutput output(common.output, stderr, &errors);
    const std::string path = pluginPath(common);
    std::string error;
    const std::unique_ptr<kelhost::PluginLibrary> library =
        kelhost::PluginLibrary::load(path, &error);
    if (!library) {
        std::fprintf(stderr, "kelsvf: cannot load the plug-in: %s\n", error.c_str());
        return kExitPluginError;
    }
    if (library->version() != KEL_PLUGIN_INTERFACE_VERSION) {
        std::fprintf(stderr, "kelsvf: %s speaks plug-in interface version 0x%08X, kelsvf 0x%08X\n",
                     path.c_str(), library->version(), KEL_PLUGIN_INTERFACE_VERSION);
        return kExitPluginError;
    }
    library->loaded();
    const KelPluginCallbacks callbacks = HostOutput::callbacks();
    library->setCallbacks(&callbacks);
    int exitCode = kExitPluginError;
    // Outlives the target, so nothing is put in place while it is open.
    OutputFiles outputs(common.sync);
    if (kelhost::TargetPtr target = kelhost::makeTarget(*library)) {
        Session session(*target, svfOnStdout ? stderr : stdout, outputs, errors);
        exitCode = runSteps(steps, session, output, RunSettings{common.keepGoing}, stderr);
        std::fflush(stdout);
    } else {
        std::fprintf(stderr, "kelsvf: the plug-in could not create a target\n");
    }
    library->unloaded();
    return exitCode;
}

// "the data file of x.kel:4 (data/in.bin)"; `origin` names where the input was named.
std::string describeInput(const FileUse& input, const std::string& origin) {
    if (input.line == 0) {
        return input.what + " " + shownText(input.path);
    }
    return input.what + " of " + shownText(origin) + " (" + shownText(input.path) + ")";
}

std::string overwriteText(const Overwrite& overwrite, const std::string& inputOrigin) {
    const std::string path = shownText(overwrite.output.path);
    const std::string output = overwrite.output.fromOption ? "-o " + path : "fname=" + path;
    return output + " would overwrite an input: " + describeInput(overwrite.input, inputOrigin);
}

// The plug-in is an input too: an output must never replace the library being run.
FileUse pluginInput(const CommonOptions& common) {
    return FileUse{pluginPath(common), "the plug-in library", 0};
}

}  // namespace

int runCommand(const CommandLine& line) {
    const std::string& script = line.run.script;
    const std::string name = script == "-" ? "<stdin>" : script;
    activity::set("reading the script");
    std::string readError;
    const std::unique_ptr<ScriptReader> reader = ScriptReader::open(script, readError);
    if (!reader) {
        std::fprintf(stderr, "kelsvf: cannot read script %s: %s\n", shownText(script).c_str(),
                     readError.c_str());
        return kExitScriptError;
    }
    DataFileCache dataFiles;
    ParseSettings settings;
    if (script != "-") {
        settings.baseDir = std::filesystem::path(script).parent_path();
    }
    settings.outputOverride = line.run.output;
    settings.dataFiles = &dataFiles;
    ParsedScript parsed = checkScript(*reader, name, settings);
    if (const std::optional<std::string>& reason = reader->notText()) {
        std::fprintf(stderr, "kelsvf: %s is not a text script (%s); nothing was run\n",
                     shownText(name).c_str(), reason->c_str());
        return kExitScriptError;
    }
    if (const std::optional<std::string>& error = reader->readError()) {
        std::fprintf(stderr, "kelsvf: cannot read script %s: %s\n", shownText(name).c_str(),
                     error->c_str());
        return kExitScriptError;
    }
    if (script != "-") {
        parsed.inputs.push_back({script, "the script", 0});
    }
    parsed.inputs.push_back(pluginInput(line.common));

    // Bad lines and outputs named by the script stop it as a bad script; an -o that would
    // overwrite an input, when that is all, is a bad command line.
    std::vector<ScriptError> findings = parsed.errors;
    std::vector<std::string> optionFindings;
    for (const Overwrite& overwrite : findOverwrites(parsed.outputs, parsed.inputs)) {
        const std::string origin = name + ":" + std::to_string(overwrite.input.line);
        if (overwrite.output.fromOption) {
            optionFindings.push_back("kelsvf: " + overwriteText(overwrite, origin));
        } else {
            findings.push_back({{name, overwrite.output.line}, overwriteText(overwrite, origin)});
        }
    }
    const size_t badLines = findings.size() + (parsed.errorCount - parsed.errors.size());
    std::stable_sort(
        findings.begin(), findings.end(),
        [](const ScriptError& a, const ScriptError& b) { return a.where.line < b.where.line; });
    ErrorLines errors(stderr);
    for (const ScriptError& finding : findings) {
        errors.print(finding.text());
    }
    errors.holdBack(parsed.errorCount - parsed.errors.size());
    for (const std::string& finding : optionFindings) {
        errors.print(finding);
    }
    errors.finish();
    if (badLines > 0) {
        std::fprintf(stderr, "kelsvf: %zu bad line%s; nothing was run\n", badLines,
                     badLines == 1 ? "" : "s");
        return kExitScriptError;
    }
    if (!optionFindings.empty()) {
        std::fprintf(stderr, "kelsvf: nothing was run\n");
        return kExitUsage;
    }
    if (!reader->rewind()) {
        std::fprintf(stderr, "kelsvf: cannot read script %s again: %s\n", shownText(name).c_str(),
                     reader->readError().value_or("").c_str());
        return kExitScriptError;
    }
    ScriptSteps steps(*reader, name, settings);
    return runWithPlugin([&steps] { return steps.next(); }, line.common, line.run.output == "-",
                         errors);
}

int programCommand(const CommandLine& line) {
    const ProgramOptions& options = line.program;
    if (options.printScript) {
        std::fputs(programScript(options, PathStyle::Absolute).text.c_str(), stdout);
        return kExitOk;
    }
    const GeneratedScript script = programScript(options, PathStyle::AsGiven);
    // Every finding names the option behind the generated line, never the line itself.
    const auto originOf = [&script](int lineNumber) {
        const size_t index = static_cast<size_t>(lineNumber) - 1;
        return lineNumber > 0 && index < script.origins.size() ? script.origins[index]
                                                               : std::string();
    };
    DataFileCache dataFiles;
    ParseSettings settings;
    settings.outputOverride = options.output;
    settings.dataFiles = &dataFiles;
    ParsedScript parsed = parseScript(script.text, "program", settings);
    parsed.inputs.push_back(pluginInput(line.common));
    ErrorLines errors(stderr);
    bool refused = false;
    for (const ScriptError& error : parsed.errors) {
        const std::string origin = originOf(error.where.line);
        errors.print("kelsvf program: " + origin + (origin.empty() ? "" : ": ") + error.message);
        refused = true;
    }
    for (const Overwrite& overwrite : findOverwrites(parsed.outputs, parsed.inputs)) {
        errors.print("kelsvf program: " + overwriteText(overwrite, originOf(overwrite.input.line)));
        refused = true;
    }
    errors.finish();
    if (refused) {
        return kExitUsage;
    }
    for (Step& step : parsed.steps) {
        const std::string origin = originOf(step.where.line);
        step.where = SourceLocation{origin.empty() ? "program" : origin, 0};
    }
    size_t next = 0;
    const StepSource steps = [&parsed, &next]() -> std::optional<Step> {
        if (next == parsed.steps.size()) {
            return std::nullopt;
        }
        return std::move(parsed.steps[next++]);  // each step is let go once it has run
    };
    return runWithPlugin(steps, line.common, options.output == "-", errors);
}

int versionCommand(const std::string& kelsvfVersion) {
    std::printf("kelsvf %s\n", kelsvfVersion.c_str());
    std::printf("plug-in interface version 0x%08X\n", KEL_PLUGIN_INTERFACE_VERSION);
    const std::string path = defaultPluginPath();
    std::string error;
    const std::unique_ptr<kelhost::PluginLibrary> library =
        kelhost::PluginLibrary::load(path, &error);
    if (!library) {
        std::printf("plug-in %s (cannot be loaded: %s)\n", path.c_str(), error.c_str());
    } else if (library->version() != KEL_PLUGIN_INTERFACE_VERSION) {
        std::printf("plug-in %s (speaks interface version 0x%08X)\n", path.c_str(),
                    library->version());
    } else {
        std::printf("plug-in %s\n", path.c_str());
    }
    return kExitOk;
}

}  // namespace kelsvf
