// Opening an SVF output file so that no two writers ever share it.
#ifndef KEL_SVF_ONLY_WRITER_FILE_H
#define KEL_SVF_ONLY_WRITER_FILE_H

#include <cstdio>

namespace KelPluginInterface::svf {

// Opens `path` for binary writing as its only writer: created when missing; a regular file gets
// an exclusive advisory lock that goes with the stream's close, and is then truncated to zero
// length. Anything else (a device, a FIFO) is opened as it is, without a lock. When another open
// stream (of this process or another) holds the lock, nothing is truncated and the result is null
// with *error set to EWOULDBLOCK. Any other failure gives null with the errno value of the failing
// call. A file system without advisory locks is opened without the lock.
FILE* openAsOnlyWriter(const char* path, int* error);

}  // namespace KelPluginInterface::svf

#endif  // KEL_SVF_ONLY_WRITER_FILE_H
