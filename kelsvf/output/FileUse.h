// The files one run reads and writes, as the overwrite check compares them.
#ifndef KELSVF_FILE_USE_H
#define KELSVF_FILE_USE_H

#include <string>

namespace kelsvf {

// A file a script reads or writes, so that an output can be checked against every input.
struct FileUse {
    std::string path;             // as kelsvf opens it (an input relative to the script's folder)
    std::string what;             // "the data file", "the chain-description file", "the script"
    int line = 0;                 // the line that names it; 0 for the script itself
    bool fromOption = false;      // an output named by -o rather than by the script
    bool standardOutput = false;  // an output "-o -"
};

}  // namespace kelsvf

#endif  // KELSVF_FILE_USE_H
