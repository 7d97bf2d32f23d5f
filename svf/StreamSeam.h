// The one door through which the SVF target reaches the C library's streams. Production code
// always goes through streamOps(); a test installs a ScopedStreamOps to make any one call fail.
#ifndef KEL_SVF_STREAM_SEAM_H
#define KEL_SVF_STREAM_SEAM_H

#include <cstddef>
#include <cstdio>

namespace KelPluginInterface::svf {

// The four stream calls. open is openAsOnlyWriter (OnlyWriterFile.h): null on failure with the
// reason's errno value in *error, EWOULDBLOCK when another writer holds the file. The others
// have the C library's signatures and failure conventions: write gives a short count, flush and
// close EOF, each with errno set.
struct StreamOps {
    FILE* (*open)(const char* path, int* error);
    size_t (*write)(const void* data, size_t size, size_t count, FILE* stream);
    int (*flush)(FILE* stream);
    int (*close)(FILE* stream);
};

// The C library's own functions.
const StreamOps& standardStreamOps();

// The operations in force: the standard ones unless a ScopedStreamOps is alive.
const StreamOps& streamOps();

// Replaces the operations in force for its lifetime, then restores the previous ones. Scopes
// nest; the table is borrowed and must outlive the scope.
class ScopedStreamOps {
  public:
    explicit ScopedStreamOps(const StreamOps& ops);
    ~ScopedStreamOps();

    ScopedStreamOps(const ScopedStreamOps&) = delete;
    ScopedStreamOps& operator=(const ScopedStreamOps&) = delete;

  private:
    const StreamOps* previous_;
};

}  // namespace KelPluginInterface::svf

#endif  // KEL_SVF_STREAM_SEAM_H
