// kelsvf check: plays an SVF file on a simulated chain and reports what it does.
#include <cstdio>
#include <memory>
#include <string>

#include "ChainPlayer.h"
#include "CheckReport.h"
#include "commands/Commands.h"
#include "commands/PlayInput.h"
#include "common/ExitCodes.h"
#include "output/ReportOutput.h"

namespace kelsvf {
namespace {

// Passes a text source through and keeps why it failed to read, if it did: a file that cannot
// be read (a folder, a failing disk) is no error in the file.
class ReadFailureNote : public kelsvfreader::TextSource {
  public:
    explicit ReadFailureNote(std::unique_ptr<kelsvfreader::TextSource> source)
        : source_(std::move(source)) {}

    bool nextBlock(const char*& begin, const char*& end, std::string& error) override {
        const bool read = source_->nextBlock(begin, end, error);
        if (!read && !error.empty()) {
            failure_ = error;
        }
        return read;
    }

    const std::string& failure() const { return failure_; }

  private:
    std::unique_ptr<kelsvfreader::TextSource> source_;
    std::string failure_;
};

}  // namespace

int checkCommand(const CommandLine& line) {
    const CheckOptions& options = line.check;
    int exitCode = 0;
    const std::optional<check::ChainDescription> chain =
        resolveChainForCommand(options.chain, exitCode);
    if (!chain) {
        return exitCode;
    }
    PlayInput input = openPlayInput(options.file);
    if (input.source == nullptr) {
        return kExitUnreadableInput;
    }
    auto noted = std::make_unique<ReadFailureNote>(std::move(input.source));
    const ReadFailureNote& readFailure = *noted;
    PlayReader reader(std::move(noted));

    const std::unique_ptr<check::CheckReport> report =
        options.json     ? check::jsonReport(stdout, options.fullValues)
        : options.events ? check::textReport(stdout)
                         : check::summaryReport(stdout);
    report->begin(input.name, *chain);
    check::ChainPlayer player(*chain, *report, check::PlayOptions{options.chain.frequencyHz});
    const check::PlaySummary summary = player.playAll(reader.source());
    report->end(summary);
    if (!finishReportOutput()) {
        return kExitUnreadableInput;
    }
    // A long value the machine could not keep (a full disk) leaves the file unread, as a
    // failed read does; the report has said why.
    if (reader.source().failed() && reader.source().error().system) {
        std::fprintf(stderr, "kelsvf: %s: %s\n", options.file.c_str(),
                     reader.source().error().message.c_str());
        return kExitUnreadableInput;
    }
    if (!readFailure.failure().empty()) {
        std::fprintf(stderr, "kelsvf: %s: %s\n", options.file.c_str(),
                     readFailure.failure().c_str());
        return kExitUnreadableInput;
    }
    return summary.errors == 0 ? kExitOk : kExitFileHasErrors;
}

}  // namespace kelsvf
