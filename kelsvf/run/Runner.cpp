#include "run/Runner.h"

#include <string>

#include "common/Activity.h"
#include "common/ExitCodes.h"
#include "common/TextUtil.h"

namespace kelsvf {

int runSteps(const StepSource& steps, Session& session, HostOutput& output,
             const RunSettings& settings, std::FILE* diagnostics) {
    int failures = 0;
    while (std::optional<Step> next = steps()) {
        const Step& step = *next;
        activity::set("running", &step.where.file, step.where.line);
        if (output.settings().trace) {
            output.note(step.where.text() + ": " + step.text);
        }
        const KelResult result = step.run(session);
        if (session.outputs().lost()) {
            ++failures;  // finish says which output and why
            session.errors().print("kelsvf: the run stops after " + step.where.text() +
                                   ": an output could not be written");
            break;
        }
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
        session.errors().print("kelsvf: " + step.where.text() + ": " + step.text + ": " +
                               resultText(result));
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
            session.errors().print("kelsvf: closing the target at the end failed: " +
                                   resultText(result));
        }
    }
    session.errors().finish();
    const RunEnd end = failures == 0        ? RunEnd::Complete
                       : settings.keepGoing ? RunEnd::Incomplete
                                            : RunEnd::Failed;
    activity::set("putting the output in place");
    const bool inPlace = session.outputs().finish(end, failures, diagnostics);
    return failures == 0 && inPlace ? kExitOk : kExitOperationFailed;
}

int runSteps(const std::vector<Step>& steps, Session& session, HostOutput& output,
             const RunSettings& settings, std::FILE* diagnostics) {
    size_t next = 0;
    const StepSource source = [&]() -> std::optional<Step> {
        return next < steps.size() ? std::optional<Step>(steps[next++]) : std::nullopt;
    };
    return runSteps(source, session, output, settings, diagnostics);
}

}  // namespace kelsvf
