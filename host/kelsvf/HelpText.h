// kelsvf's help: the commands, the options, the exit codes and the script language.
#ifndef KELSVF_HELP_TEXT_H
#define KELSVF_HELP_TEXT_H

#include <string>

namespace kelsvf {

std::string generalHelp();
std::string runHelp();  // includes the script language, from the operation table
std::string programHelp();

}  // namespace kelsvf

#endif  // KELSVF_HELP_TEXT_H
