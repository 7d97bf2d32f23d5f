#include "script/DataFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kelsvf {
namespace {

// Reads up to `limit` bytes; false with `error` set when reading fails.
bool readUpTo(int descriptor, uint64_t limit, std::vector<uint8_t>& bytes, std::string& error) {
    constexpr size_t kChunk = 1 << 20;
    while (bytes.size() < limit) {
        const size_t before = bytes.size();
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(kChunk, limit - before));
        bytes.resize(before + chunk);
        const ssize_t got = ::read(descriptor, bytes.data() + before, chunk);
        if (got < 0 && errno == EINTR) {
            bytes.resize(before);
            continue;
        }
        if (got <= 0) {
            bytes.resize(before);
            if (got < 0) {
                error = std::strerror(errno);
                return false;
            }
            return true;
        }
        bytes.resize(before + static_cast<size_t>(got));
    }
    return true;
}

}  // namespace

std::shared_ptr<const DataBytes> readDataBytes(const std::string& path,
                                               std::optional<uint64_t> wanted, std::string& error) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    struct stat status {};
    auto data = std::make_shared<DataBytes>();
    bool ok = false;
    if (::fstat(descriptor, &status) != 0) {
        error = std::strerror(errno);
    } else if (S_ISDIR(status.st_mode)) {
        error = "is a folder";
    } else if (S_ISREG(status.st_mode)) {
        data->size = static_cast<uint64_t>(status.st_size);
        const bool fits = wanted ? data->size == *wanted : data->size <= kMaxScanBytes;
        ok = !fits || readUpTo(descriptor, data->size, data->bytes, error);
        if (ok && fits && data->bytes.size() != data->size) {
            error = "it changed while it was read";
            ok = false;
        }
    } else {
        // As many bytes as the line takes, or up to the cap and one byte more to tell.
        const uint64_t limit = wanted.value_or(kMaxUnsizedStreamBytes + 1);
        ok = readUpTo(descriptor, limit, data->bytes, error);
        if (ok && !wanted && data->bytes.size() > kMaxUnsizedStreamBytes) {
            data->bytes.resize(kMaxUnsizedStreamBytes);
            data->whole = false;
        }
        data->size = data->bytes.size();
    }
    ::close(descriptor);
    return ok ? std::shared_ptr<const DataBytes>(std::move(data)) : nullptr;
}

std::shared_ptr<const DataBytes> DataFileCache::get(const std::string& path,
                                                    std::optional<uint64_t> wanted,
                                                    std::string& error) {
    struct stat status {};
    const bool identified = ::stat(path.c_str(), &status) == 0;
    // A stream gives each line what it asked for: keyed by that too.
    const Key identity{status.st_dev, status.st_ino,
                       identified && S_ISREG(status.st_mode) ? 0 : wanted.value_or(0) + 1};
    if (identified) {
        if (const auto found = byFile_.find(identity); found != byFile_.end()) {
            return found->second;
        }
    }
    std::shared_ptr<const DataBytes> data = readDataBytes(path, wanted, error);
    // A regular file refused by its size is looked at again by a line that wants another size.
    const bool stream = std::get<2>(identity) != 0;
    if (data && identified && data->bytes.size() == data->size &&
        (stream || cachedBytes_ + data->size <= kMaxCachedBytes)) {
        byFile_.emplace(identity, data);
        cachedBytes_ += stream ? 0 : data->size;
    }
    return data;
}

}  // namespace kelsvf
