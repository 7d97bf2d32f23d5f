// Reading the data files that ir and dr lines name: never more than the line needs, and each
// file once, however many lines (and both passes over the script) name it.
#ifndef KELSVF_DATA_FILES_H
#define KELSVF_DATA_FILES_H

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace kelsvf {

// The most whole bytes whose bits the plug-in's 32-bit bit count can describe.
inline constexpr uint64_t kMaxScanBytes = UINT32_MAX / 8;
// What is read of a data file that is not a regular file (a FIFO, a device) when the line gives
// no BITS: its size cannot be known before it is read.
inline constexpr uint64_t kMaxUnsizedStreamBytes = uint64_t{64} << 20;

struct DataBytes {
    std::vector<uint8_t> bytes;  // empty for a regular file of another size than wanted
    uint64_t size = 0;           // the file's size; for a stream, what was read
    bool whole = true;           // false: not read to its end, it holds more than `size`
};

// Reads `path` for a line that needs exactly `wanted` bytes (up to kMaxScanBytes without). A
// regular file of another size, or larger than kMaxScanBytes, is not read: its size says why
// it does not fit. A stream is read as far as wanted (kMaxUnsizedStreamBytes and one byte more
// without). Nothing, with `error` set, when the file cannot be read.
std::shared_ptr<const DataBytes> readDataBytes(const std::string& path,
                                               std::optional<uint64_t> wanted, std::string& error);

// The bytes of regular files read so far, up to kMaxCachedBytes in all (a file beyond is read
// for each line that names it); a stream is kept whatever its size, since it cannot be read
// again.
class DataFileCache {
  public:
    static constexpr uint64_t kMaxCachedBytes = uint64_t{512} << 20;

    // The file's bytes as read for an earlier line, or read now.
    std::shared_ptr<const DataBytes> get(const std::string& path, std::optional<uint64_t> wanted,
                                         std::string& error);

  private:
    // Device, inode, and for a stream 1 + the bytes a line wanted (0 for a regular file).
    using Key = std::tuple<dev_t, ino_t, uint64_t>;
    std::map<Key, std::shared_ptr<const DataBytes>> byFile_;
    uint64_t cachedBytes_ = 0;
};

}  // namespace kelsvf

#endif  // KELSVF_DATA_FILES_H
