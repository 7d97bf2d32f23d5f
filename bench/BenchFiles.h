// Files the benchmarks write: a private scratch directory, and the plain file copy that is the
// physical limit for writing SVF text.
#ifndef KEL_BENCH_BENCH_FILES_H
#define KEL_BENCH_BENCH_FILES_H

#include <cstdint>
#include <string>

namespace kelbench {

// A file name inside the scratch directory: $KEL_BENCH_DIR, else a new directory under the
// system's temporary directory, removed when the process ends.
std::string scratchPath(const std::string& name);

// Removes a file if it exists (so that the next writer starts from a new, empty file).
void removeFile(const std::string& path);

// Size of a file in bytes, or -1.
int64_t fileSize(const std::string& path);

// Copies `from` to a new file `to` with read and write calls through a 128 KiB buffer, the way
// a plain copy does; true on success.
bool copyFile(const std::string& from, const std::string& to);

// Peak resident set in KiB of `kelsvf ARGS` (ARGS already quoted for the shell), run under the
// small kel_bench_peak_of parent so that none of this process's pages count; -1 when it did not
// run or exited above `highestExit`.
long kelsvfPeakKiB(const std::string& args, int highestExit = 0);

}  // namespace kelbench

#endif  // KEL_BENCH_BENCH_FILES_H
