// The options that describe the chain an SVF file is played on (check, and any command that
// plays files): --chain, --chainfile with --irlen, or --irlen alone, and --frequency.
#ifndef KELSVF_CHAIN_OPTIONS_H
#define KELSVF_CHAIN_OPTIONS_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ChainDescription.h"

namespace kelsvf {

struct ChainOptions {
    std::optional<check::ChainDescription> chain;  // --chain IRLEN[:IDCODE]|FILE.bsd,...
    // Per --chain device: the BSDL file its entry names, or empty; read by resolveChain.
    std::vector<std::string> chainBsdlFiles;
    std::optional<std::string> bsdlFolder;           // --bsdl-dir: parts found by IDCODE
    std::optional<std::string> chainFile;            // --chainfile: IDCODEs, one a line
    std::optional<std::vector<uint32_t>> irLengths;  // --irlen 6,8,10
    double frequencyHz = 1e6;                        // --frequency
};

// The chain the options describe. The chain-description file and the BSDL files are read
// here: nothing, with `error` set and `unreadable` true, when one cannot be read (or is not
// sound BSDL); nothing with `unreadable` false when it does not fit --irlen or the chain. What
// --bsdl-dir could not find or read is a line of `notes`.
std::optional<check::ChainDescription> resolveChain(const ChainOptions& options, std::string& error,
                                                    bool& unreadable,
                                                    std::vector<std::string>& notes);

// resolveChain for a command: the notes and, on failure, the reason are printed as
// "kelsvf: ...", and `exitCode` is what the command exits with (unreadable input or a bad
// command line).
std::optional<check::ChainDescription> resolveChainForCommand(const ChainOptions& options,
                                                              int& exitCode);

}  // namespace kelsvf

#endif  // KELSVF_CHAIN_OPTIONS_H
