// A file name of this process for a fuzzer's output, removed when the process ends.
#ifndef KEL_FUZZ_SCRATCH_FILE_H
#define KEL_FUZZ_SCRATCH_FILE_H

#include <string>

namespace kelfuzz {

// "<dir>/kel-fuzz-<pid>-<name>", in memory (/dev/shm) where the system has it, so that millions
// of runs do not wear a disk; otherwise in the temporary directory.
std::string scratchFile(const std::string& name);

// The whole contents of a file ("" when it cannot be read).
std::string readWholeFile(const std::string& path);

}  // namespace kelfuzz

#endif  // KEL_FUZZ_SCRATCH_FILE_H
