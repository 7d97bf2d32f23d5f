// kelsvf's commands, each from a parsed command line to an exit code.
#ifndef KELSVF_COMMANDS_H
#define KELSVF_COMMANDS_H

#include <string>

#include "cli/CommandLine.h"

namespace kelsvf {

int runCommand(const CommandLine& line);
int programCommand(const CommandLine& line);
// Plays an SVF file on a simulated chain and reports what it does (CheckCommand.cpp).
int checkCommand(const CommandLine& line);
// Plays two SVF files on the same simulated chain and compares their effects (DiffCommand.cpp).
int diffCommand(const CommandLine& line);
// Converts SVF or XSVF into portable SVF or XSVF (ConvertCommand.cpp).
int convertCommand(const CommandLine& line);
// Reads a BSDL file and prints the part it describes (BsdlCommand.cpp).
int bsdlCommand(const CommandLine& line);
// kelsvf's version, the plug-in interface version it speaks and the plug-in it would load.
int versionCommand(const std::string& kelsvfVersion);

}  // namespace kelsvf

#endif  // KELSVF_COMMANDS_H
