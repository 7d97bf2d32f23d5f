// kelsvf check: plays an SVF file on a simulated chain and reports what it does.
#include <unistd.h>

#include <cstdio>

#include "ChainPlayer.h"
#include "CheckReport.h"
#include "Commands.h"
#include "ExitCodes.h"

namespace kelsvf {

int checkCommand(const CommandLine& line) {
    const CheckOptions& options = line.check;
    std::string error;
    bool unreadable = false;
    const std::optional<check::ChainSpec> chain = resolveChain(options.chain, error, unreadable);
    if (!chain) {
        std::fprintf(stderr, "kelsvf: %s\n", error.c_str());
        return unreadable ? kExitUnreadableInput : kExitUsage;
    }

    const bool fromStdin = options.file == "-";
    std::unique_ptr<kelsvfreader::TextSource> source =
        fromStdin ? kelsvfreader::fileDescriptorSource(STDIN_FILENO)
                  : kelsvfreader::openFileSource(options.file, error);
    if (source == nullptr) {
        std::fprintf(stderr, "kelsvf: cannot read %s: %s\n", options.file.c_str(), error.c_str());
        return kExitUnreadableInput;
    }
    kelsvfreader::SvfReader reader(std::move(source));

    const std::unique_ptr<check::CheckReport> report =
        options.json ? check::jsonReport(stdout) : check::textReport(stdout);
    report->begin(fromStdin ? "<stdin>" : options.file, *chain);
    check::ChainPlayer player(*chain, *report, check::PlayOptions{options.chain.frequencyHz});
    const check::PlaySummary summary = player.playAll(reader);
    report->end(summary);
    std::fflush(stdout);
    return summary.errors == 0 ? kExitOk : kExitFileHasErrors;
}

}  // namespace kelsvf
