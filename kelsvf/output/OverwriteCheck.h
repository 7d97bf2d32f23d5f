// An output that is also an input of the same run (the script, a data file, a chain-description
// file, the plug-in library) would be destroyed by the run that reads it; it is refused before
// anything runs. "-o -" is the file standard output is open on, when that is a regular file.
#ifndef KELSVF_OVERWRITE_CHECK_H
#define KELSVF_OVERWRITE_CHECK_H

#include <vector>

#include "output/FileUse.h"

namespace kelsvf {

struct Overwrite {
    FileUse output;
    FileUse input;
};

// Every output that is the same regular file as an input: the same device and inode, whatever
// the spelling, also through symlinks and hard links.
std::vector<Overwrite> findOverwrites(const std::vector<FileUse>& outputs,
                                      const std::vector<FileUse>& inputs);

}  // namespace kelsvf

#endif  // KELSVF_OVERWRITE_CHECK_H
