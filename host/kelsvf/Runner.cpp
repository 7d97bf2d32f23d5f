#include "Runner.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "ExitCodes.h"
#include "TextUtil.h"

namespace kelsvf {
namespace {

void removeOutputs(const Session& session, std::FILE* diagnostics) {
    for (const std::string& path : session.outputFiles()) {
        std::error_code error;
        if (std::filesystem::remove(path, error)) {
            std::fprintf(diagnostics, "kelsvf: removed %s: the run did not complete\n",
                         path.c_str());
        } else if (error) {
            std::fprintf(diagnostics, "kelsvf: could not remove incomplete %s: %s\n", path.c_str(),
                         error.message().c_str());
        }
    }
}

void reportIncomplete(const Session& session, int failures, std::FILE* diagnostics) {
    for (const std::string& path : session.outputFiles()) {
        std::fprintf(diagnostics, "kelsvf: warning: %s is incomplete: %d operation%s failed\n",
                     path.c_str(), failures, failures == 1 ? "" : "s");
    }
}

}  // namespace

int runSteps(const std::vector<Step>& steps, Session& session, HostOutput& output,
             const RunSettings& settings, std::FILE* diagnostics) {
    int failures = 0;
    for (const Step& step : steps) {
        if (output.settings().trace) {
            output.note(step.where.text() + ": " + step.text);
        }
        const KelResult result = step.run(session);
        if (kelSucceeded(result)) {
            continue;
        }
        if (step.mayFail) {
            if (output.settings().verbosity >= 2) {
                std::fprintf(diagnostics, "kelsvf: %s: %s: %s (allowed by try)\n",
                             step.where.text().c_str(), step.text.c_str(),
                             resultText(result).c_str());
            }
            continue;
        }
        ++failures;
        std::fprintf(diagnostics, "kelsvf: %s: %s: %s\n", step.where.text().c_str(),
                     step.text.c_str(), resultText(result).c_str());
        if (!settings.keepGoing) {
            break;
        }
    }
    // A host closes what it opened before it lets the target go; this also releases the lock
    // and completes (or, after a failure, at least closes) the file.
    if (session.targetOpen()) {
        const KelResult result = session.target().closeTarget();
        session.recordClose();
        if (kelFailed(result)) {
            ++failures;
            std::fprintf(diagnostics, "kelsvf: closing the target at the end failed: %s\n",
                         resultText(result).c_str());
        }
    }
    if (failures == 0) {
        return kExitOk;
    }
    if (settings.keepGoing) {
        reportIncomplete(session, failures, diagnostics);
    } else {
        removeOutputs(session, diagnostics);
    }
    return kExitOperationFailed;
}

}  // namespace kelsvf
