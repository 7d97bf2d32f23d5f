#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "kelbsdl/BsdlReader.h"

namespace kelbsdl {

bool readBsdlFile(const std::string& path, Reading& reading, std::string& why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(fd);
        why = std::strerror(EISDIR);
        return false;
    }
    BsdlReader reader;
    std::vector<char> block(64 * 1024);
    for (;;) {
        const ssize_t got = ::read(fd, block.data(), block.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            why = std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (got == 0) {
            break;
        }
        reader.feed(std::string_view(block.data(), static_cast<size_t>(got)));
    }
    ::close(fd);
    reading = reader.finish();
    return true;
}

}  // namespace kelbsdl
