// What a running script works on: the target, where queries print, the run's output files and
// where kelsvf's own error lines go.
#ifndef KELSVF_SESSION_H
#define KELSVF_SESSION_H

#include <cstdio>

#include "common/ErrorLines.h"
#include "kel/KelPlugin.h"
#include "output/OutputFiles.h"

namespace kelsvf {

class Session {
  public:
    // `out` receives what queries report (show, getpin, getoption).
    Session(KelPluginInterface::KelPlugin& target, std::FILE* out, OutputFiles& outputs,
            ErrorLines& errors)
        : target_(target), out_(out), outputs_(outputs), errors_(errors) {}

    KelPluginInterface::KelPlugin& target() { return target_; }
    std::FILE* out() { return out_; }
    OutputFiles& outputs() { return outputs_; }
    ErrorLines& errors() { return errors_; }

    // After openTarget: it closes a target that is open before it opens again, so a failure
    // leaves it closed either way.
    void recordOpen(KelResult result) { targetOpen_ = kelSucceeded(result); }
    // After closeTarget, whatever it returned: the target is closed.
    void recordClose() { targetOpen_ = false; }

    bool targetOpen() const { return targetOpen_; }

  private:
    KelPluginInterface::KelPlugin& target_;
    std::FILE* out_;
    OutputFiles& outputs_;
    ErrorLines& errors_;
    bool targetOpen_ = false;
};

}  // namespace kelsvf

#endif  // KELSVF_SESSION_H
