#include "script/ScriptReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "script/ScriptText.h"

namespace kelsvf {
namespace {

constexpr size_t kChunkBytes = 65536;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string tooLarge() {
    return "it is larger than " + std::to_string(kMaxScriptBytes) +
           " bytes, the most a script may hold";
}

// Copies a stream that cannot be read twice into an unnamed temporary file. The copy stops
// after the first byte that no text holds: the checking pass refuses the script there anyway,
// and /dev/zero is not copied until the disk is full.
std::FILE* spool(int source, std::string& error) {
    std::FILE* copy = std::tmpfile();
    if (copy == nullptr) {
        error = std::string("cannot make a temporary copy: ") + std::strerror(errno);
        return nullptr;
    }
    char chunk[kChunkBytes];
    uint64_t total = 0;
    while (true) {
        const ssize_t got = ::read(source, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            error = std::strerror(errno);
            break;
        }
        if (got == 0) {
            if (std::fflush(copy) == 0 && std::fseek(copy, 0, SEEK_SET) == 0) {
                return copy;
            }
            error = std::string("cannot make a temporary copy: ") + std::strerror(errno);
            break;
        }
        size_t kept = static_cast<size_t>(got);
        for (size_t i = 0; i < kept; ++i) {
            if (!isScriptTextByte(static_cast<unsigned char>(chunk[i]))) {
                kept = i + 1;
                break;
            }
        }
        total += kept;
        if (total > kMaxScriptBytes) {
            error = tooLarge();
            break;
        }
        if (std::fwrite(chunk, 1, kept, copy) != kept) {
            error = std::string("cannot make a temporary copy: ") + std::strerror(errno);
            break;
        }
        if (kept < static_cast<size_t>(got) ||
            !isScriptTextByte(static_cast<unsigned char>(chunk[kept - 1]))) {
            if (std::fflush(copy) == 0 && std::fseek(copy, 0, SEEK_SET) == 0) {
                return copy;
            }
            error = std::strerror(errno);
            break;
        }
    }
    std::fclose(copy);
    return nullptr;
}

}  // namespace

std::unique_ptr<ScriptReader> ScriptReader::open(const std::string& path, std::string& error) {
    const bool standardInput = path == "-";
    const int descriptor =
        standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        error = std::strerror(errno);
    } else if (S_ISDIR(status.st_mode)) {
        error = "is a folder";
    } else if (S_ISREG(status.st_mode) && static_cast<uint64_t>(status.st_size) > kMaxScriptBytes) {
        error = tooLarge();
    } else if (S_ISREG(status.st_mode) && !standardInput) {
        if (std::FILE* file = ::fdopen(descriptor, "rb")) {
            return std::unique_ptr<ScriptReader>(new ScriptReader(file, ""));
        }
        error = std::strerror(errno);
    } else if (std::FILE* copy = spool(descriptor, error)) {
        if (!standardInput) {
            ::close(descriptor);
        }
        return std::unique_ptr<ScriptReader>(new ScriptReader(copy, ""));
    }
    if (!standardInput) {
        ::close(descriptor);
    }
    return nullptr;
}

std::unique_ptr<ScriptReader> ScriptReader::fromText(std::string text) {
    return std::unique_ptr<ScriptReader>(new ScriptReader(nullptr, std::move(text)));
}

ScriptReader::ScriptReader(std::FILE* file, std::string text)
    : file_(file), text_(std::move(text)) {}

ScriptReader::~ScriptReader() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool ScriptReader::fill() {
    if (file_ == nullptr || endOfInput_) {
        return false;
    }
    offset_ += text_.size();
    text_.resize(kChunkBytes);
    const size_t got = std::fread(text_.data(), 1, text_.size(), file_);
    text_.resize(got);
    position_ = 0;
    if (got == 0) {
        endOfInput_ = true;
        if (std::ferror(file_)) {
            readError_ = std::strerror(errno);
        }
        return false;
    }
    return true;
}

bool ScriptReader::next(std::string& line) {
    line.clear();
    if (notText_ || readError_) {
        return false;
    }
    if (offset_ == 0 && position_ == 0) {
        if (text_.empty()) {
            fill();
        }
        if (std::string_view(text_).starts_with(kByteOrderMark)) {
            position_ = kByteOrderMark.size();
        }
    }
    bool took = false;
    while (true) {
        if (position_ == text_.size() && !fill()) {
            return took && !readError_;
        }
        if (std::exchange(pendingCr_, false) && text_[position_] == '\n') {
            ++position_;
            continue;
        }
        const size_t start = position_;
        size_t end = start;
        for (; end < text_.size(); ++end) {
            const auto byte = static_cast<unsigned char>(text_[end]);
            if (byte == '\n' || byte == '\r') {
                break;
            }
            if (!isScriptTextByte(byte)) {
                char reason[64];
                std::snprintf(reason, sizeof reason, "byte 0x%02X at offset %llu", byte,
                              static_cast<unsigned long long>(offset_ + end));
                notText_ = reason;
                return false;
            }
        }
        line.append(text_, start, end - start);
        took = true;
        if (end < text_.size()) {
            pendingCr_ = text_[end] == '\r';
            position_ = end + 1;
            return true;
        }
        position_ = end;
    }
}

bool ScriptReader::rewind() {
    position_ = 0;
    offset_ = 0;
    pendingCr_ = false;
    notText_.reset();
    readError_.reset();
    if (file_ == nullptr) {
        return true;
    }
    text_.clear();
    endOfInput_ = false;
    std::clearerr(file_);
    if (std::fseek(file_, 0, SEEK_SET) != 0) {
        readError_ = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace kelsvf
