#include "BenchFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <utility>

namespace kelbench {
namespace {

class ScratchDirectory {
  public:
    ScratchDirectory() {
        if (const char* given = std::getenv("KEL_BENCH_DIR"); given != nullptr && *given != '\0') {
            path_ = given;
            std::filesystem::create_directories(path_);
            return;
        }
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kel-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(2);
        }
        path_ = pattern;
        owned_ = true;
    }
    ~ScratchDirectory() {
        if (owned_) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
    bool owned_ = false;
};

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool closeChecked() { return ::close(std::exchange(fd_, -1)) == 0; }

  private:
    int fd_;
};

bool writeAll(int fd, const char* data, size_t size) {
    while (size != 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

std::string scratchPath(const std::string& name) {
    static const ScratchDirectory directory;
    return (directory.path() / name).string();
}

void removeFile(const std::string& path) {
    ::unlink(path.c_str());
}

int64_t fileSize(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? static_cast<int64_t>(status.st_size) : -1;
}

bool copyFile(const std::string& from, const std::string& to) {
    constexpr size_t kBufferSize = 128 * 1024;
    static const std::unique_ptr<char[]> buffer = std::make_unique<char[]>(kBufferSize);
    FileDescriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    FileDescriptor out(::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (in.get() < 0 || out.get() < 0) {
        return false;
    }
    for (;;) {
        const ssize_t got = ::read(in.get(), buffer.get(), kBufferSize);
        if (got == 0) {
            break;
        }
        if (got < 0 || !writeAll(out.get(), buffer.get(), static_cast<size_t>(got))) {
            return false;
        }
    }
    return out.closeChecked();
}

long kelsvfPeakKiB(const std::string& args, int highestExit) {
    const std::string command = std::string("'") + KEL_PEAK_OF + "' '" + KELSVF_PATH + "' " + args;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    long peak = -1;
    int exitCode = -1;
    const int fields = std::fscanf(pipe, "%ld %d", &peak, &exitCode);
    const int status = pclose(pipe);
    return fields == 2 && status == 0 && exitCode >= 0 && exitCode <= highestExit ? peak : -1;
}

}  // namespace kelbench
