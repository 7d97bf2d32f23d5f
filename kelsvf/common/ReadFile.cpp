#include "common/ReadFile.h"

#include <cerrno>
#include <cstring>
#include <memory>

namespace kelsvf {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::optional<std::string> readWholeStream(std::FILE* stream, std::string& error, size_t maxBytes) {
    std::string bytes;
    char chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, stream)) > 0) {
        if (got > maxBytes - bytes.size()) {
            error = "it holds more than " + std::to_string(maxBytes) + " bytes, the most read";
            return std::nullopt;
        }
        bytes.append(chunk, got);
    }
    if (std::ferror(stream)) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::string& error,
                                         size_t maxBytes) {
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    if (std::filesystem::is_directory(path)) {
        error = "is a folder";
        return std::nullopt;
    }
    return readWholeStream(file.get(), error, maxBytes);
}

}  // namespace kelsvf
