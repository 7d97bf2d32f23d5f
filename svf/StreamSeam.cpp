#include "svf/StreamSeam.h"

#include "svf/OnlyWriterFile.h"

namespace KelPluginInterface::svf {
namespace {

// Wrappers rather than the library functions' own addresses, which C++ does not promise.
const StreamOps standardOps{
    [](const char* path, int* error) { return openAsOnlyWriter(path, error); },
    [](const void* data, size_t size, size_t count, FILE* stream) {
        return std::fwrite(data, size, count, stream);
    },
    [](FILE* stream) { return std::fflush(stream); },
    [](FILE* stream) { return std::fclose(stream); },
};

const StreamOps* current = &standardOps;

}  // namespace

const StreamOps& standardStreamOps() {
    return standardOps;
}

const StreamOps& streamOps() {
    return *current;
}

ScopedStreamOps::ScopedStreamOps(const StreamOps& ops) : previous_(current) {
    current = &ops;
}

ScopedStreamOps::~ScopedStreamOps() {
    current = previous_;
}

}  // namespace KelPluginInterface::svf
