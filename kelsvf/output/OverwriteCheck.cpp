#include "output/OverwriteCheck.h"

#include <sys/stat.h>

#include <optional>
#include <utility>

namespace kelsvf {
namespace {

// The regular file a path leads to. A file that is not there yet is no input, and a device or
// a FIFO (a terminal both read and written) loses nothing by being written.
std::optional<std::pair<dev_t, ino_t>> regularFile(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return std::pair{status.st_dev, status.st_ino};
}

}  // namespace

std::vector<Overwrite> findOverwrites(const std::vector<FileUse>& outputs,
                                      const std::vector<FileUse>& inputs) {
    std::vector<Overwrite> found;
    for (const FileUse& output : outputs) {
        const auto written = output.standardOutput ? std::nullopt : regularFile(output.path);
        if (!written) {
            continue;
        }
        for (const FileUse& input : inputs) {
            if (regularFile(input.path) == written) {
                found.push_back({output, input});
                break;
            }
        }
    }
    return found;
}

}  // namespace kelsvf
