// The output files of one run, and how they reach their names: all or nothing.
//
// A regular file is written under a temporary name in its own folder (".NAME.kelsvf-partial-
// XXXXXX") and renamed over NAME only when the run succeeds, so a run that fails or is
// interrupted leaves the previous file, if any, as it was. Other outputs (devices, FIFOs,
// streams under /proc, standard output) are written directly and never removed.
#ifndef KELSVF_OUTPUT_FILES_H
#define KELSVF_OUTPUT_FILES_H

#include <sys/types.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "output/OutputPlace.h"
#include "output/StdoutRelay.h"

namespace kelsvf {

// An output as the user named it: the -o path, or fname= of the script's open line.
struct OutputRequest {
    std::string path;
    bool standardOutput = false;  // "-o -"

    std::string shown() const { return standardOutput ? "standard output" : path; }
};

// How a run ended, for putting its outputs in place.
enum class RunEnd {
    Complete,    // every operation succeeded: every output is put in place
    Incomplete,  // --keep-going after failures: put in place, reported as incomplete
    Failed,      // stopped by a failure: no file is replaced
};

class OutputFiles {
  public:
    OutputFiles();
    // Removes the temporary files not put in place (a run that ended by an exception).
    ~OutputFiles();
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;

    struct Prepared {
        size_t index;            // for opened() and refused()
        std::string pluginPath;  // the fname= the plug-in is handed
    };
    // Makes the output ready to be opened: creates the temporary file of a regular file (the
    // same one again when the run opens the same file twice), or starts the relay to standard
    // output. Nothing, with `problem` set, when it cannot ("No such file or directory").
    std::optional<Prepared> prepare(const OutputRequest& request, std::string& problem);
    // After openTarget: it opened what prepare handed it.
    void opened(size_t index);
    // After openTarget refused what prepare handed it: why, as the system words it.
    std::string refused(size_t index) const;

    // Call after the target is closed. Puts the outputs in place (or, after a failure, removes
    // the temporary files) and says on `diagnostics` what a user must know. False when an
    // output could not be put in place.
    bool finish(RunEnd end, int failures, std::FILE* diagnostics);

  private:
    struct Output {
        OutputRequest request;
        OutputPlace place;
        std::string pluginPath;
        std::string temporary;  // ReplacedFile: where the plug-in writes until the run is done
        bool opened = false;
    };

    std::optional<size_t> find(const OutputPlace& place, const OutputRequest& request) const;
    std::optional<std::string> makeTemporary(const OutputPlace& place, std::string& problem) const;
    void removeTemporary(Output& output);

    mode_t newFileMode_;  // what a plain open(O_CREAT, 0666) gives under the current umask
    std::vector<Output> outputs_;
    std::unique_ptr<StdoutRelay> relay_;
};

}  // namespace kelsvf

#endif  // KELSVF_OUTPUT_FILES_H
