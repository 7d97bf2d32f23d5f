#include "output/OverwriteCheck.h"

#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <utility>

namespace kelsvf {
namespace {

// The regular file a path (or standard output) leads to. A file that is not there yet is no
// input, and a device or a FIFO (a terminal both read and written) loses nothing by being
// written.
std::optional<std::pair<dev_t, ino_t>> regularFile(const FileUse& use) {
    struct stat status {};
    const int found =
        use.standardOutput ? ::fstat(STDOUT_FILENO, &status) : ::stat(use.path.c_str(), &status);
    if (found != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return std::pair{status.st_dev, status.st_ino};
}

}  // namespace

std::vector<Overwrite> findOverwrites(const std::vector<FileUse>& outputs,
                                      const std::vector<FileUse>& inputs) {
    std::vector<Overwrite> found;
    for (const FileUse& output : outputs) {
        const auto written = regularFile(output);
        if (!written) {
            continue;
        }
        for (const FileUse& input : inputs) {
            if (regularFile(input) == written) {
                found.push_back({output, input});
                break;
            }
        }
    }
    return found;
}

}  // namespace kelsvf
