#include "output/StandardOutput.h"

#include <cerrno>
#include <cstdio>

namespace kelsvf {

int writeStandardOutput(std::string_view text) {
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    if (written && std::fflush(stdout) == 0 && std::ferror(stdout) == 0) {
        return 0;
    }
    const int error = errno != 0 ? errno : EIO;
    std::clearerr(stdout);
    return error;
}

}  // namespace kelsvf
