// Which help belongs to which command.
#include "cli/help/HelpText.h"

namespace kelsvf {
namespace {

constexpr CommandHelpText kCommandHelps[] = {
    {"run", runHelp},   {"program", programHelp}, {"check", checkHelp},
    {"diff", diffHelp}, {"bsdl", bsdlHelp},       {"convert", convertHelp},
};

}  // namespace

std::span<const CommandHelpText> commandHelps() {
    return kCommandHelps;
}

std::optional<std::string> helpFor(std::string_view topic) {
    if (topic.empty()) {
        return generalHelp();
    }
    for (const CommandHelpText& command : kCommandHelps) {
        if (topic == command.topic) {
            return command.help();
        }
    }
    return std::nullopt;
}

}  // namespace kelsvf
