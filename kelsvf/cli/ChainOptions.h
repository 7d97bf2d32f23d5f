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
    std::optional<check::ChainDescription> chain;    // --chain IRLEN[:IDCODE],...
    std::optional<std::string> chainFile;            // --chainfile: IDCODEs, one a line
    std::optional<std::vector<uint32_t>> irLengths;  // --irlen 6,8,10
    double frequencyHz = 1e6;                        // --frequency
};

// The chain the options describe. The chain-description file is read here: nothing, with
// `error` set and `unreadable` true, when it cannot be read; nothing with `unreadable` false
// when it does not fit --irlen.
std::optional<check::ChainDescription> resolveChain(const ChainOptions& options, std::string& error,
                                                    bool& unreadable);

// resolveChain for a command: on failure the reason is printed as "kelsvf: ..." and `exitCode`
// is what the command exits with (unreadable input or a bad command line).
std::optional<check::ChainDescription> resolveChainForCommand(const ChainOptions& options,
                                                              int& exitCode);

}  // namespace kelsvf

#endif  // KELSVF_CHAIN_OPTIONS_H
