#include "Session.h"

#include <algorithm>

namespace kelsvf {

void Session::recordOpen(KelResult result, const std::optional<std::string>& fname) {
    // openTarget closes a target that is open before it opens again, so a failure leaves it
    // closed either way.
    targetOpen_ = kelSucceeded(result);
    if (targetOpen_ && fname &&
        std::find(outputFiles_.begin(), outputFiles_.end(), *fname) == outputFiles_.end()) {
        outputFiles_.push_back(*fname);
    }
}

}  // namespace kelsvf
