// kelsvf's help: the commands, the options, the exit codes and the script language.
#ifndef KELSVF_HELP_TEXT_H
#define KELSVF_HELP_TEXT_H

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kelsvf {

std::string generalHelp();
std::string runHelp();  // includes the script language, from the operation table
std::string programHelp();
std::string checkHelp();
std::string diffHelp();
std::string convertHelp();
std::string bsdlHelp();

// The commands, each with a help of its own, in the order the manual page shows them.
struct CommandHelpText {
    const char* topic;  // "run"
    std::string (*help)();
};
std::span<const CommandHelpText> commandHelps();

// The help of a command, or the general help for ""; nothing for anything else.
std::optional<std::string> helpFor(std::string_view topic);

}  // namespace kelsvf

#endif  // KELSVF_HELP_TEXT_H
