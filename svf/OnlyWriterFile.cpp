#include "svf/OnlyWriterFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace KelPluginInterface::svf {
namespace {

// flock errors that mean "this file system has no advisory locks", not "someone holds it".
bool lockingUnsupported(int error) {
    switch (error) {
        case ENOLCK:
        case EINVAL:
        case EOPNOTSUPP:
#if ENOTSUP != EOPNOTSUPP
        case ENOTSUP:
#endif
            return true;
        default:
            return false;
    }
}

// Gives up on a half-opened descriptor, keeping the errno of the step that failed.
FILE* giveUp(int descriptor, int* error) {
    const int reason = errno;
    if (descriptor >= 0) {
        ::close(descriptor);
    }
    *error = reason;
    return nullptr;
}

}  // namespace

FILE* openAsOnlyWriter(const char* path, int* error) {
    *error = 0;
    // No O_TRUNC: the file is emptied only once it is ours.
    const int descriptor = ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        return giveUp(descriptor, error);
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        return giveUp(descriptor, error);
    }
    // Only a regular file is a file of ours to guard and to empty: devices such as /dev/null,
    // FIFOs and terminals are shared by nature, and a lock on them would refuse other programs.
    if (S_ISREG(status.st_mode)) {
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0 && !lockingUnsupported(errno)) {
            return giveUp(descriptor, error);  // EWOULDBLOCK: another writer has it
        }
        if (::ftruncate(descriptor, 0) != 0) {
            return giveUp(descriptor, error);
        }
    }
    FILE* file = ::fdopen(descriptor, "wb");  // binary: CR LF reach the file as is
    if (file == nullptr) {
        return giveUp(descriptor, error);
    }
    return file;
}

}  // namespace KelPluginInterface::svf
