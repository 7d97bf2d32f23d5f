#include "cli/ChainOptions.h"

#include <cstdio>

#include "cli/BsdlChain.h"
#include "common/ExitCodes.h"
#include "common/ReadFile.h"

namespace kelsvf {

namespace {

// The chain of IR lengths and IDCODEs, before any part is given its BSDL file.
std::optional<check::ChainDescription> chainOfOptions(const ChainOptions& options,
                                                      std::string& error, bool& unreadable) {
    unreadable = false;
    if (options.chain) {
        return options.chain;
    }
    if (!options.chainFile) {
        return check::chainFromIrLengths(options.irLengths.value_or(std::vector<uint32_t>{}));
    }
    std::string why;
    const std::optional<std::string> text =
        readWholeFile(*options.chainFile, why, kMaxChainFileBytes);
    if (!text) {
        error = "cannot read the chain-description file " + *options.chainFile + ": " + why;
        unreadable = true;
        return std::nullopt;
    }
    const std::optional<std::vector<check::ChainFileDevice>> devices =
        check::parseChainFileDevices(*text, why);
    std::optional<check::ChainDescription> chain;
    if (devices) {
        chain = check::chainFromFile(*devices, options.irLengths, why);
    }
    if (!chain) {
        error = "--chainfile " + *options.chainFile + ": " + why;
    }
    return chain;
}

}  // namespace

std::optional<check::ChainDescription> resolveChain(const ChainOptions& options, std::string& error,
                                                    bool& unreadable,
                                                    std::vector<std::string>& notes) {
    std::optional<check::ChainDescription> chain = chainOfOptions(options, error, unreadable);
    PartProblem problem;
    if (chain &&
        (!attachBsdlFiles(*chain, options.chainBsdlFiles, problem) ||
         (options.bsdlFolder && !attachBsdlFolder(*chain, *options.bsdlFolder, notes, problem)))) {
        error = problem.text;
        unreadable = problem.unreadable;
        return std::nullopt;
    }
    return chain;
}

std::optional<check::ChainDescription> resolveChainForCommand(const ChainOptions& options,
                                                              int& exitCode) {
    std::string error;
    bool unreadable = false;
    std::vector<std::string> notes;
    std::optional<check::ChainDescription> chain = resolveChain(options, error, unreadable, notes);
    for (const std::string& note : notes) {
        std::fprintf(stderr, "kelsvf: %s\n", note.c_str());
    }
    if (!chain) {
        std::fprintf(stderr, "kelsvf: %s\n", error.c_str());
        exitCode = unreadable ? kExitUnreadableInput : kExitUsage;
    }
    return chain;
}

}  // namespace kelsvf
