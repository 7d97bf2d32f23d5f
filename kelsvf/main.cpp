// kelsvf: a command-line host for the SVF-file JTAG plug-in.
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/help/HelpText.h"
#include "commands/Commands.h"
#include "common/Activity.h"
#include "common/ExitCodes.h"
#include "common/TextUtil.h"
#include "output/InterruptCleanup.h"

#ifndef KELSVF_VERSION
#error "KELSVF_VERSION must give the project version"
#endif

namespace {

int showHelp(const std::string& topic) {
    const std::string text = kelsvf::helpFor(topic).value_or(kelsvf::generalHelp());
    std::fputs(text.c_str(), stdout);
    return kelsvf::kExitOk;
}

int dispatch(const std::vector<std::string>& args) {
    using kelsvf::Command;
    const kelsvf::CommandLine line = kelsvf::parseCommandLine(args);
    switch (line.command) {
        case Command::Run:
            return kelsvf::runCommand(line);
        case Command::Program:
            return kelsvf::programCommand(line);
        case Command::Check:
            return kelsvf::checkCommand(line);
        case Command::Diff:
            return kelsvf::diffCommand(line);
        case Command::Convert:
            return kelsvf::convertCommand(line);
        case Command::Bsdl:
            return kelsvf::bsdlCommand(line);
        case Command::Version:
            return kelsvf::versionCommand(KELSVF_VERSION);
        case Command::Help:
            break;
    }
    return showHelp(line.helpTopic);
}

}  // namespace

int main(int argc, char** argv) {
    kelsvf::interrupt::installHandlers();
    try {
        return dispatch(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const kelsvf::UsageError& error) {
        std::fprintf(stderr, "kelsvf: %s\nTry 'kelsvf --help'.\n",
                     kelsvf::shownText(error.what()).c_str());
        return kelsvf::kExitUsage;
    } catch (const std::bad_alloc&) {
        const std::string doing = kelsvf::activity::describe();
        std::fprintf(stderr, "kelsvf: out of memory while %s\n", doing.c_str());
        return kelsvf::kExitOutOfMemory;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kelsvf: %s\n", kelsvf::shownText(error.what()).c_str());
        return kelsvf::kExitOperationFailed;
    }
}
