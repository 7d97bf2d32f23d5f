#include "kelsvfreader/TextSource.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace kelsvfreader {
namespace {

size_t usableBlockSize(size_t blockSize) {
    return blockSize == 0 ? kDefaultBlockSize : blockSize;
}

class FileDescriptorSource : public TextSource {
  public:
    FileDescriptorSource(int fd, size_t blockSize, bool owned)
        : fd_(fd), owned_(owned), buffer_(usableBlockSize(blockSize)) {}
    ~FileDescriptorSource() override {
        if (owned_) {
            ::close(fd_);
        }
    }
    FileDescriptorSource(const FileDescriptorSource&) = delete;
    FileDescriptorSource& operator=(const FileDescriptorSource&) = delete;

    bool nextBlock(const char*& begin, const char*& end, std::string& error) override {
        for (;;) {
            const ssize_t got = ::read(fd_, buffer_.data(), buffer_.size());
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                error = std::string("cannot read: ") + std::strerror(errno);
                return false;
            }
            begin = buffer_.data();
            end = begin + got;
            return got > 0;
        }
    }

  private:
    int fd_;
    bool owned_;
    std::vector<char> buffer_;
};

class FileSource : public TextSource {
  public:
    FileSource(FILE* file, size_t blockSize) : file_(file), buffer_(usableBlockSize(blockSize)) {}

    bool nextBlock(const char*& begin, const char*& end, std::string& error) override {
        const size_t got = std::fread(buffer_.data(), 1, buffer_.size(), file_);
        if (got == 0 && std::ferror(file_) != 0) {
            error = "cannot read the stream";
            return false;
        }
        begin = buffer_.data();
        end = begin + got;
        return got > 0;
    }

  private:
    FILE* file_;
    std::vector<char> buffer_;
};

class StreamSource : public TextSource {
  public:
    StreamSource(std::istream& in, size_t blockSize)
        : in_(in), buffer_(usableBlockSize(blockSize)) {}

    bool nextBlock(const char*& begin, const char*& end, std::string& error) override {
        if (!in_.good()) {
            if (in_.bad()) {
                error = "cannot read the stream";
            }
            return false;
        }
        in_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        const auto got = static_cast<size_t>(in_.gcount());
        if (got == 0 && in_.bad()) {
            error = "cannot read the stream";
            return false;
        }
        begin = buffer_.data();
        end = begin + got;
        return got > 0;
    }

  private:
    std::istream& in_;
    std::vector<char> buffer_;
};

class StringSource : public TextSource {
  public:
    StringSource(std::string_view text, size_t blockSize)
        : text_(text), blockSize_(blockSize == 0 ? text.size() : blockSize) {}

    bool nextBlock(const char*& begin, const char*& end, std::string&) override {
        if (text_.empty()) {
            return false;
        }
        const size_t size = std::min(blockSize_, text_.size());
        begin = text_.data();
        end = begin + size;
        text_.remove_prefix(size);
        return true;
    }

  private:
    std::string_view text_;
    size_t blockSize_;
};

}  // namespace

std::unique_ptr<TextSource> fileDescriptorSource(int fd, size_t blockSize) {
    return std::make_unique<FileDescriptorSource>(fd, blockSize, false);
}

std::unique_ptr<TextSource> openFileSource(const std::string& path, std::string& error,
                                           size_t blockSize) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<FileDescriptorSource>(fd, blockSize, true);
}

std::unique_ptr<TextSource> fileSource(FILE* file, size_t blockSize) {
    return std::make_unique<FileSource>(file, blockSize);
}

std::unique_ptr<TextSource> streamSource(std::istream& in, size_t blockSize) {
    return std::make_unique<StreamSource>(in, blockSize);
}

std::unique_ptr<TextSource> stringSource(std::string_view text, size_t blockSize) {
    return std::make_unique<StringSource>(text, blockSize);
}

}  // namespace kelsvfreader
