// Where an output file goes, decided by looking at its path before anything is written.
#ifndef KELSVF_OUTPUT_PLACE_H
#define KELSVF_OUTPUT_PLACE_H

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace kelsvf {

enum class OutputKind {
    // A regular file, new or existing, also reached through symlinks: written under a temporary
    // name beside it and renamed over it only when the run succeeds.
    ReplacedFile,
    // Anything else (a device, a FIFO, a folder, a stream this process holds, named under
    // /proc or /dev/fd): handed to the plug-in as named, never removed.
    Direct,
    // "-o -": standard output.
    StandardOutput,
};

struct OutputPlace {
    OutputKind kind = OutputKind::Direct;
    // ReplacedFile: the file that is replaced, symlinks followed one by one, so that a link
    // keeps pointing where it pointed and its target gets the new contents.
    std::filesystem::path file;
    bool exists = false;  // ReplacedFile: there is a previous file, and its mode and owner:
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
};

OutputPlace placeOutput(const std::string& path);

// Why a path cannot be opened for writing, as the system words it ("No such file or directory",
// "Is a directory", "Permission denied"), found by looking at the path and its folder; empty
// when nothing there explains it.
std::string writeProblem(const std::string& path);

}  // namespace kelsvf

#endif  // KELSVF_OUTPUT_PLACE_H
