// The output files of one run, and how they reach their names: all or nothing.
//
// A regular file is written under a temporary name in its own folder (".NAME.kelsvf-partial-
// XXXXXX"), synced to disk and renamed over NAME only when the run succeeds and nothing written
// to it was lost, so a run that fails or is interrupted leaves the previous file, if any, as it
// was. Other outputs (devices, FIFOs, streams under /proc, standard output) are written
// directly and never removed. Every output goes through an OutputRelay.
#ifndef KELSVF_OUTPUT_FILES_H
#define KELSVF_OUTPUT_FILES_H

#include <sys/types.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "output/OutputPlace.h"
#include "output/OutputRelay.h"

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
    // `sync`: the temporary file is synced before its rename and the folder after it.
    explicit OutputFiles(bool sync = true);
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
    // After openTarget refused what prepare handed it: why, as the system words it. A file
    // opened again keeps what its earlier open wrote, as the plug-in leaves it.
    std::string refused(size_t index);

    // True once a write to an output failed: the run cannot succeed any more.
    bool lost() const;

    // Call after openTarget and closeTarget: completes (copies, syncs and closes) every output
    // but `current`, the one the target now writes, since the target writes one at a time.
    // So a script that opens many files holds one relay and one descriptor, not one each.
    void settle(std::optional<size_t> current);

    // Call after the target is closed. Puts the outputs in place (or, after a failure, removes
    // the temporary files) and says on `diagnostics` what a user must know. False when an
    // output could not be put in place.
    bool finish(RunEnd end, int failures, std::FILE* diagnostics);

  private:
    struct Loss {
        const char* stage = "";  // "writing it", "syncing it to disk", "closing it"
        int error = 0;           // errno; 0 when nothing was lost
    };
    struct Output {
        OutputRequest request;
        OutputPlace place;
        std::string pluginPath;
        std::string temporary;  // ReplacedFile: what is written until the run is done
        int descriptor = -1;    // where the relay writes; kelsvf's own but for standard output
        std::unique_ptr<OutputRelay> relay;  // none once completed
        bool opened = false;
        Loss loss;  // the first loss completing it found
    };

    std::optional<size_t> find(const OutputPlace& place, const OutputRequest& request) const;
    // The file the relay of a new output writes to, and the relay.
    bool open(Output& output, std::string& problem) const;
    std::optional<std::string> makeTemporary(const OutputPlace& place, int& descriptor,
                                             std::string& problem) const;
    // Waits for the relay and closes what kelsvf opened (synced first, unless --no-sync, when
    // it is to be put in place); keeps the first loss.
    void complete(Output& output) const;
    bool putInPlace(Output& output, std::FILE* diagnostics);
    void removeTemporary(Output& output);

    bool sync_;
    mode_t newFileMode_;  // what a plain open(O_CREAT, 0666) gives under the current umask
    std::vector<Output> outputs_;
    // Files opened again, by their index: their earlier text is dropped once the new open
    // succeeded.
    std::vector<std::pair<size_t, Output>> replaced_;
};

}  // namespace kelsvf

#endif  // KELSVF_OUTPUT_FILES_H
