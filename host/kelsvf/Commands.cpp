#include "Commands.h"

#include <cstdio>
#include <filesystem>
#include <optional>

#include "ExitCodes.h"
#include "PluginLocation.h"
#include "ProgramScript.h"
#include "ReadFile.h"
#include "Runner.h"
#include "ScriptParser.h"
#include "kelhost/PluginLibrary.h"

namespace kelsvf {
namespace {

std::optional<std::string> readScriptText(const std::string& path, std::string& error) {
    return path == "-" ? readWholeStream(stdin, error) : readWholeFile(path, error);
}

// Loads the plug-in, creates one target and runs the steps on it, as a host does: load
// notification, callbacks, create, ... , destroy, unload notification.
int runWithPlugin(const std::vector<Step>& steps, const CommonOptions& common) {
    HostOutput output(common.output, stderr);
    const std::string path = common.pluginPath.empty() ? defaultPluginPath() : common.pluginPath;
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
    if (kelhost::TargetPtr target = kelhost::makeTarget(*library)) {
        Session session(*target, stdout);
        exitCode = runSteps(steps, session, output, RunSettings{common.keepGoing}, stderr);
        std::fflush(stdout);
    } else {
        std::fprintf(stderr, "kelsvf: the plug-in could not create a target\n");
    }
    library->unloaded();
    return exitCode;
}

}  // namespace

int runCommand(const CommandLine& line) {
    const std::string& script = line.run.script;
    std::string readError;
    const std::optional<std::string> text = readScriptText(script, readError);
    if (!text) {
        std::fprintf(stderr, "kelsvf: cannot read script %s: %s\n", script.c_str(),
                     readError.c_str());
        return kExitScriptError;
    }
    ParseSettings settings;
    if (script != "-") {
        settings.baseDir = std::filesystem::path(script).parent_path();
    }
    settings.outputOverride = line.run.output;
    const ParsedScript parsed = parseScript(*text, script == "-" ? "<stdin>" : script, settings);
    if (!parsed.ok()) {
        for (const ScriptError& error : parsed.errors) {
            std::fprintf(stderr, "%s\n", error.text().c_str());
        }
        std::fprintf(stderr, "kelsvf: %zu bad line%s; nothing was run\n", parsed.errors.size(),
                     parsed.errors.size() == 1 ? "" : "s");
        return kExitScriptError;
    }
    return runWithPlugin(parsed.steps, line.common);
}

int programCommand(const CommandLine& line) {
    const GeneratedScript script = programScript(line.program);
    if (line.program.printScript) {
        std::fputs(script.text.c_str(), stdout);
        return kExitOk;
    }
    const ParsedScript parsed = parseScript(script.text, "program", ParseSettings{});
    if (!parsed.ok()) {
        for (const ScriptError& error : parsed.errors) {
            const size_t index = static_cast<size_t>(error.where.line) - 1;
            const std::string origin = index < script.origins.size() ? script.origins[index] : "";
            std::fprintf(stderr, "kelsvf program: %s%s%s\n", origin.c_str(),
                         origin.empty() ? "" : ": ", error.message.c_str());
        }
        return kExitUsage;
    }
    return runWithPlugin(parsed.steps, line.common);
}

}  // namespace kelsvf
