// The two commands of kelsvf, each from a parsed command line to an exit code.
#ifndef KELSVF_COMMANDS_H
#define KELSVF_COMMANDS_H

#include "CommandLine.h"

namespace kelsvf {

int runCommand(const CommandLine& line);
int programCommand(const CommandLine& line);

}  // namespace kelsvf

#endif  // KELSVF_COMMANDS_H
