// The spill file: space for values handed out first fit, given back (and its blocks freed) when
// the last Bits of a value goes.
#include "kelsvfreader/SpillFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>
#include <new>

#include "DigitStore.h"

namespace kelsvfreader {

class SpillFile {
  public:
    explicit SpillFile(int fd) : fd_(fd) {}
    ~SpillFile() { ::close(fd_); }
    SpillFile(const SpillFile&) = delete;
    SpillFile& operator=(const SpillFile&) = delete;

    int descriptor() const { return fd_; }

    // `bytes` of space; its offset.
    uint64_t reserve(uint64_t bytes) {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (auto free = free_.begin(); free != free_.end(); ++free) {
            if (free->second >= bytes) {
                const uint64_t at = free->first;
                const uint64_t left = free->second - bytes;
                free_.erase(free);
                if (left != 0) {
                    free_.emplace(at + bytes, left);
                }
                return at;
            }
        }
        const uint64_t at = end_;
        end_ += bytes;
        return at;
    }

    // Gives [at, at + bytes) back; `written` of them may hold data, whose blocks are freed.
    void release(uint64_t at, uint64_t bytes, uint64_t written) noexcept {
        if (bytes == 0) {
            return;
        }
        if (written != 0) {
            // Without hole punching the space is still reused; nothing to report.
            (void)::fallocate(fd_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                              static_cast<off_t>(at), static_cast<off_t>(written));
        }
        const std::lock_guard<std::mutex> lock(mutex_);
        try {
            auto next = free_.lower_bound(at);
            if (next != free_.end() && next->first == at + bytes) {
                bytes += next->second;
                next = free_.erase(next);
            }
            if (next != free_.begin()) {
                auto before = std::prev(next);
                if (before->first + before->second == at) {
                    at = before->first;
                    bytes += before->second;
                    free_.erase(before);
                }
            }
            if (at + bytes == end_) {
                end_ = at;
            } else {
                free_.emplace(at, bytes);
            }
        } catch (...) {
            // Without memory for the entry the space stays unused: the file only grows.
        }
    }

  private:
    int fd_;
    std::mutex mutex_;
    std::map<uint64_t, uint64_t> free_;  // offset -> bytes
    uint64_t end_ = 0;
};

namespace {

std::string systemReason(int number) {
    return std::strerror(number);
}

// Digits in the spill file; their space goes back with the last reference.
class FileDigitStore final : public DigitStore {
  public:
    FileDigitStore(std::shared_ptr<SpillFile> file, uint64_t offset, uint64_t reserved,
                   uint64_t digits, uint64_t bitCount)
        : DigitStore(digits, bitCount),
          file_(std::move(file)),
          offset_(offset),
          reserved_(reserved) {}
    ~FileDigitStore() override { file_->release(offset_, reserved_, (digits() + 1) / 2); }

    std::string readError() const override {
        const std::lock_guard<std::mutex> lock(mutex_);
        return error_;
    }

  protected:
    bool fetch(uint64_t at, size_t count, uint8_t* out) const override {
        while (count != 0) {
            const ssize_t got =
                ::pread(file_->descriptor(), out, count, static_cast<off_t>(offset_ + at));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                const std::string why =
                    got < 0 ? systemReason(errno) : std::string("the spill file is too short");
                const std::lock_guard<std::mutex> lock(mutex_);
                try {
                    error_ = "cannot read a long value back: " + why;
                } catch (...) {
                }
                return false;
            }
            out += got;
            at += static_cast<uint64_t>(got);
            count -= static_cast<size_t>(got);
        }
        return true;
    }

  private:
    std::shared_ptr<SpillFile> file_;
    uint64_t offset_;
    uint64_t reserved_;
    mutable std::mutex mutex_;
    mutable std::string error_;
};

// Digits that fit the writer's buffer.
class MemoryDigitStore final : public DigitStore {
  public:
    MemoryDigitStore(std::vector<uint8_t> bytes, uint64_t digits, uint64_t bitCount)
        : DigitStore(digits, bitCount), bytes_(std::move(bytes)) {}

  protected:
    bool fetch(uint64_t at, size_t count, uint8_t* out) const override {
        std::memcpy(out, bytes_.data() + at, count);
        return true;
    }

  private:
    std::vector<uint8_t> bytes_;
};

constexpr size_t kBufferBytes = 64 * 1024;

std::string temporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

}  // namespace

std::shared_ptr<SpillFile> openSpillFile(std::string& why) noexcept {
    try {
        const std::string folder = temporaryFolder();
        int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd < 0) {
            // No O_TMPFILE there: a named file, unlinked at once.
            std::string name = folder + "/.kelsvf-spill-XXXXXX";
            fd = ::mkostemp(name.data(), O_CLOEXEC);
            if (fd < 0) {
                why = "cannot make a temporary file in " + folder + ": " + systemReason(errno);
                return nullptr;
            }
            ::unlink(name.c_str());
        }
        return std::make_shared<SpillFile>(fd);
    } catch (...) {
        why = "out of memory";
        return nullptr;
    }
}

int spillDescriptor(const SpillFile& file) {
    return file.descriptor();
}

SpillValueWriter::SpillValueWriter(std::shared_ptr<SpillFile>& file, uint64_t bitCount) noexcept
    : file_(file), bitCount_(bitCount) {}

SpillValueWriter::~SpillValueWriter() {
    if (reserved_) {
        file_->release(offset_, reserve_, written_);
    }
}

bool SpillValueWriter::failWith(int number) noexcept {
    failed_ = true;
    try {
        error_ = systemReason(number);
    } catch (...) {
    }
    return false;
}

bool SpillValueWriter::addDigit(unsigned digit) noexcept {
    const auto pair = static_cast<uint8_t>(digit << 4);
    if (!odd_) {
        if (digits_ == 0 && digit == 0) {
            return !failed_;
        }
        // Stands for a pair of which the second digit comes next.
        odd_ = true;
        pending_ = pair;
        ++digits_;
        return !failed_;
    }
    const uint8_t whole = static_cast<uint8_t>(pending_ | (digit & 0x0F));
    odd_ = false;
    --digits_;  // addPairs counts the pair again
    return addPairs(&whole, 1);
}

bool SpillValueWriter::haveBuffer() noexcept {
    if (buffer_.empty()) {
        try {
            buffer_.resize(kBufferBytes);
        } catch (const std::bad_alloc&) {
            return failWith(ENOMEM);
        }
    }
    return true;
}

bool SpillValueWriter::addPairsSlow(const uint8_t* pairs, size_t count) noexcept {
    if (failed_) {
        return false;
    }
    if (!haveBuffer()) {
        return false;
    }
    size_t i = 0;
    for (; i < count && digits_ == 0; ++i) {  // leading zeros are dropped
        if (pairs[i] == 0) {
            continue;
        }
        if (pairs[i] < 0x10) {  // the high digit is a leading zero
            if (!addDigit(pairs[i])) {
                return false;
            }
            continue;
        }
        buffer_[used_++] = pairs[i];
        digits_ = 2;
    }
    while (i < count) {
        if (used_ == buffer_.size() && !flush()) {
            return false;
        }
        const size_t n = std::min(buffer_.size() - used_, count - i);
        uint8_t* const to = buffer_.data() + used_;
        const uint8_t* const from = pairs + i;
        if (!odd_) {
            std::memcpy(to, from, n);
        } else {
            // Every byte takes the digit waiting and the high digit of the next pair: eight at a
            // time as one big-endian word moved down by a digit.
            size_t k = 0;
            for (; k + 8 <= n; k += 8) {
                uint64_t word = 0;
                std::memcpy(&word, from + k, 8);
                word = __builtin_bswap64(word);
                uint64_t moved = uint64_t{pending_} << 56 | word >> 4;
                pending_ = static_cast<uint8_t>(word << 4);
                moved = __builtin_bswap64(moved);
                std::memcpy(to + k, &moved, 8);
            }
            for (; k < n; ++k) {
                to[k] = static_cast<uint8_t>(pending_ | from[k] >> 4);
                pending_ = static_cast<uint8_t>(from[k] << 4);
            }
        }
        used_ += n;
        digits_ += 2 * n;
        i += n;
    }
    return true;
}

bool SpillValueWriter::pairRoom(size_t least, uint8_t*& at, size_t& room) noexcept {
    room = 0;
    if (failed_) {
        return false;
    }
    if (odd_ || digits_ == 0) {
        return true;
    }
    if (buffer_.size() - used_ < least && !flush()) {
        return false;
    }
    at = buffer_.data() + used_;
    room = buffer_.size() - used_;
    return true;
}

bool SpillValueWriter::flush() noexcept {
    if (!reserved_) {
        if (file_ == nullptr) {
            std::string why;
            file_ = openSpillFile(why);
            if (file_ == nullptr) {
                failed_ = true;
                try {
                    error_ = why;
                } catch (...) {
                }
                return false;
            }
        }
        try {
            // Room for every digit of the length and for whole bytes of it (the digits of
            // formats that give bytes).
            reserve_ = (bitCount_ + 7) / 8 + 1;
            offset_ = file_->reserve(reserve_);
        } catch (...) {
            return failWith(ENOMEM);
        }
        reserved_ = true;
    }
    if (written_ + used_ > reserve_) {
        return failWith(EOVERFLOW);
    }
    const uint8_t* from = buffer_.data();
    size_t left = used_;
    while (left != 0) {
        const ssize_t put =
            ::pwrite(spillDescriptor(*file_), from, left, static_cast<off_t>(offset_ + written_));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return failWith(put < 0 ? errno : ENOSPC);
        }
        from += put;
        left -= static_cast<size_t>(put);
        written_ += static_cast<uint64_t>(put);
    }
    used_ = 0;
    return true;
}

bool SpillValueWriter::finish(Bits& value) noexcept {
    if (failed_) {
        return false;
    }
    if (odd_) {
        if (!haveBuffer()) {
            return false;
        }
        if (used_ == buffer_.size() && !flush()) {
            return false;
        }
        buffer_[used_++] = pending_;
        odd_ = false;
    }
    if (digits_ == 0) {
        value = Bits::zeros(bitCount_);
        return true;
    }
    try {
        if (!reserved_) {
            std::vector<uint8_t> bytes(buffer_.begin(), buffer_.begin() + static_cast<long>(used_));
            value = Bits::fromStore(
                std::make_shared<MemoryDigitStore>(std::move(bytes), digits_, bitCount_));
            return true;
        }
        if (!flush()) {
            return false;
        }
        // The unwritten tail of the space goes back now, the rest with the value.
        const uint64_t kept = written_;
        file_->release(offset_ + kept, reserve_ - kept, 0);
        reserve_ = kept;
        auto store = std::make_shared<FileDigitStore>(file_, offset_, kept, digits_, bitCount_);
        reserved_ = false;
        value = Bits::fromStore(std::move(store));
        return true;
    } catch (...) {
        return failWith(ENOMEM);
    }
}

}  // namespace kelsvfreader
