// Reads a whole file (or standard input) into memory.
#ifndef KELSVF_READ_FILE_H
#define KELSVF_READ_FILE_H

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace kelsvf {

// The file's bytes, or nothing with `error` set to the reason ("No such file or directory").
std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::string& error);
std::optional<std::string> readWholeStream(std::FILE* stream, std::string& error);

}  // namespace kelsvf

#endif  // KELSVF_READ_FILE_H
