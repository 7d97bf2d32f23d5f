// What a running script works on: the target, where queries print, and the output files the
// run has opened (so that a failed run can remove them).
#ifndef KELSVF_SESSION_H
#define KELSVF_SESSION_H

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "kel/KelPlugin.h"

namespace kelsvf {

class Session {
  public:
    // `out` receives what queries report (show, getpin, getoption).
    Session(KelPluginInterface::KelPlugin& target, std::FILE* out) : target_(target), out_(out) {}

    KelPluginInterface::KelPlugin& target() { return target_; }
    std::FILE* out() { return out_; }

    // After openTarget: a success means the target is open and `fname` now exists.
    void recordOpen(KelResult result, const std::optional<std::string>& fname);
    // After closeTarget, whatever it returned: the target is closed.
    void recordClose() { targetOpen_ = false; }

    bool targetOpen() const { return targetOpen_; }
    const std::vector<std::string>& outputFiles() const { return outputFiles_; }

  private:
    KelPluginInterface::KelPlugin& target_;
    std::FILE* out_;
    bool targetOpen_ = false;
    std::vector<std::string> outputFiles_;
};

}  // namespace kelsvf

#endif  // KELSVF_SESSION_H
