#include "output/ReportOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kelsvf {

bool finishReportOutput() {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (flushed && std::ferror(stdout) == 0) {
        return true;
    }
    // A write that failed earlier leaves the stream's error set; its reason may be gone.
    const int reason = errno != 0 ? errno : EIO;
    std::fprintf(stderr, "kelsvf: cannot write standard output: %s\n", std::strerror(reason));
    return false;
}

}  // namespace kelsvf
