#include "ScratchFile.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace kelfuzz {
namespace {

std::vector<std::string>& created() {
    static std::vector<std::string> names;
    return names;
}

void removeCreated() {
    for (const std::string& name : created()) {
        std::remove(name.c_str());
    }
}

std::filesystem::path scratchDirectory() {
    std::error_code error;
    if (std::filesystem::is_directory("/dev/shm", error) && access("/dev/shm", W_OK) == 0) {
        return "/dev/shm";
    }
    return std::filesystem::temp_directory_path();
}

}  // namespace

std::string scratchFile(const std::string& name) {
    if (created().empty()) {
        std::atexit(removeCreated);
    }
    const std::string path =
        (scratchDirectory() / ("kel-fuzz-" + std::to_string(getpid()) + "-" + name)).string();
    created().push_back(path);
    return path;
}

std::string readWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace kelfuzz
