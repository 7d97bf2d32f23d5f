// Reads a whole file (or standard input) into memory.
#ifndef KELSVF_READ_FILE_H
#define KELSVF_READ_FILE_H

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace kelsvf {

// The most a chain-description file holds: 255 IDCODEs a line each, and room for comments.
inline constexpr size_t kMaxChainFileBytes = size_t{1} << 20;

// The file's bytes, or nothing with `error` set to the reason ("No such file or directory");
// more than `maxBytes` is refused without reading further.
std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::string& error,
                                         size_t maxBytes = SIZE_MAX);
std::optional<std::string> readWholeStream(std::FILE* stream, std::string& error,
                                           size_t maxBytes = SIZE_MAX);

}  // namespace kelsvf

#endif  // KELSVF_READ_FILE_H
