// Runs parsed steps against a target the way a careful host does: in order, stopping at the
// first failure, closing the target at the end, and putting the output files in place only
// when the run succeeded (see OutputFiles).
#ifndef KELSVF_RUNNER_H
#define KELSVF_RUNNER_H

#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

#include "run/HostOutput.h"
#include "script/Script.h"
#include "script/Session.h"

namespace kelsvf {

struct RunSettings {
    bool keepGoing = false;  // run every step; keep the output and report it incomplete
};

// The steps one at a time; nothing after the last.
using StepSource = std::function<std::optional<Step>()>;

// Returns kExitOk or kExitOperationFailed; kelsvf's own lines go to `diagnostics`. A write to
// an output that was lost stops the run whatever try or --keep-going say.
int runSteps(const StepSource& steps, Session& session, HostOutput& output,
             const RunSettings& settings, std::FILE* diagnostics);
int runSteps(const std::vector<Step>& steps, Session& session, HostOutput& output,
             const RunSettings& settings, std::FILE* diagnostics);

}  // namespace kelsvf

#endif  // KELSVF_RUNNER_H
