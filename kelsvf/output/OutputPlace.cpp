#include "output/OutputPlace.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace kelsvf {
namespace {

namespace fs = std::filesystem;

// The links the kernel itself follows before it gives up (ELOOP).
constexpr int kMaxLinks = 40;

fs::path folderOf(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

// A name in /proc (or /dev/fd, which leads there) stands for a stream some process already
// holds, such as /dev/stdout: renaming a file over it would bypass the stream.
bool isUnderProc(const fs::path& path) {
    const std::unique_ptr<char, decltype(&std::free)> folder(
        ::realpath(folderOf(path).c_str(), nullptr), &std::free);
    if (!folder) {
        return false;
    }
    const std::string_view resolved(folder.get());
    return resolved == "/proc" || resolved.starts_with("/proc/");
}

}  // namespace

OutputPlace placeOutput(const std::string& path) {
    fs::path current(path);
    for (int links = 0; links <= kMaxLinks; ++links) {
        if (isUnderProc(current)) {
            return OutputPlace{};
        }
        struct stat status {};
        if (::lstat(current.c_str(), &status) != 0) {
            // A new file, or the missing target of a link; an unusable folder shows when the
            // temporary file cannot be made there.
            return OutputPlace{OutputKind::ReplacedFile, current};
        }
        if (S_ISREG(status.st_mode)) {
            return OutputPlace{OutputKind::ReplacedFile, current,       true,
                               status.st_mode & 07777,   status.st_uid, status.st_gid};
        }
        if (!S_ISLNK(status.st_mode)) {
            return OutputPlace{};
        }
        std::error_code error;
        const fs::path target = fs::read_symlink(current, error);
        if (error) {
            return OutputPlace{};
        }
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    return OutputPlace{};  // a loop of links: the plug-in's open says so
}

std::string writeProblem(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        const int missing = errno;
        if (missing != ENOENT) {
            return std::strerror(missing);
        }
        const fs::path folder = folderOf(path);
        if (::stat(folder.c_str(), &status) != 0) {
            return std::strerror(errno);
        }
        if (!S_ISDIR(status.st_mode)) {
            return std::strerror(ENOTDIR);
        }
        return ::access(folder.c_str(), W_OK | X_OK) != 0 ? std::strerror(errno) : "";
    }
    if (S_ISDIR(status.st_mode)) {
        return std::strerror(EISDIR);
    }
    return ::access(path.c_str(), W_OK) != 0 ? std::strerror(errno) : "";
}

}  // namespace kelsvf
