// The parts' BSDL files of a chain: named as --chain entries, or found for each device's IDCODE
// in the folder --bsdl-dir names.
#ifndef KELSVF_BSDL_CHAIN_H
#define KELSVF_BSDL_CHAIN_H

#include <string>
#include <string_view>
#include <vector>

#include "ChainDescription.h"

namespace kelsvf {

// Whether a --chain entry names a BSDL file rather than IRLEN[:IDCODE]: it holds a '/' or
// ends in .bsd, .bsdl or .bsm (any letter case).
bool isBsdlPath(std::string_view entry);

// Why a chain could not be given its parts: a file that cannot be read or is not sound BSDL
// (unreadable), or a part that does not fit the chain (a bad command line).
struct PartProblem {
    std::string text;
    bool unreadable = false;
};

// Reads the BSDL file of each device whose entry in `paths` is not empty and makes the device
// that part's: its IR length, its IDCODE (X bits 0) and the part. False with `problem` set.
bool attachBsdlFiles(check::ChainDescription& chain, const std::vector<std::string>& paths,
                     PartProblem& problem);

// For each device with an IDCODE of its own and no part, the BSDL file in `folder` whose
// IDCODE matches it (X bits match anything), the first by name when several do. Files that
// cannot be read, and devices that no file matches, are lines in `notes`; a matching part
// whose IR length is not the device's is a problem.
bool attachBsdlFolder(check::ChainDescription& chain, const std::string& folder,
                      std::vector<std::string>& notes, PartProblem& problem);

}  // namespace kelsvf

#endif  // KELSVF_BSDL_CHAIN_H
