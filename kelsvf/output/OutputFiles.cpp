#include "output/OutputFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "output/InterruptCleanup.h"

namespace kelsvf {
namespace {

namespace fs = std::filesystem;

// Room for the temporary name's prefix and suffix within a file name's 255 bytes.
constexpr size_t kMaxNameInTemporary = 200;

// One spelling for every way of naming the same file, so that a run that opens it twice
// writes one temporary file.
std::string keyOf(const fs::path& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    if (error) {
        return path.lexically_normal().string();
    }
    const fs::path folder = fs::weakly_canonical(absolute.parent_path(), error);
    return error ? absolute.lexically_normal().string() : (folder / absolute.filename()).string();
}

mode_t readUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

}  // namespace

OutputFiles::OutputFiles() : newFileMode_(0666 & ~readUmask()) {}

OutputFiles::~OutputFiles() {
    for (Output& output : outputs_) {
        removeTemporary(output);
    }
}

std::optional<size_t> OutputFiles::find(const OutputPlace& place,
                                        const OutputRequest& request) const {
    const std::string key = place.kind == OutputKind::ReplacedFile ? keyOf(place.file) : "";
    for (size_t i = 0; i < outputs_.size(); ++i) {
        const Output& output = outputs_[i];
        if (output.place.kind != place.kind) {
            continue;
        }
        const bool same =
            place.kind == OutputKind::StandardOutput ||
            (place.kind == OutputKind::Direct && output.request.path == request.path) ||
            (place.kind == OutputKind::ReplacedFile && keyOf(output.place.file) == key);
        if (same) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<OutputFiles::Prepared> OutputFiles::prepare(const OutputRequest& request,
                                                          std::string& problem) {
    const OutputPlace place = request.standardOutput ? OutputPlace{OutputKind::StandardOutput, {}}
                                                     : placeOutput(request.path);
    if (const std::optional<size_t> index = find(place, request)) {
        return Prepared{*index, outputs_[*index].pluginPath};
    }
    Output output{request, place, request.path, "", false};
    if (place.kind == OutputKind::StandardOutput) {
        relay_ = StdoutRelay::start(problem);
        if (!relay_) {
            return std::nullopt;
        }
        output.pluginPath = relay_->path();
    } else if (place.kind == OutputKind::ReplacedFile) {
        std::optional<std::string> temporary = makeTemporary(place, problem);
        if (!temporary) {
            return std::nullopt;
        }
        output.temporary = *temporary;
        output.pluginPath = *temporary;
    }
    outputs_.push_back(std::move(output));
    return Prepared{outputs_.size() - 1, outputs_.back().pluginPath};
}

std::optional<std::string> OutputFiles::makeTemporary(const OutputPlace& place,
                                                      std::string& problem) const {
    std::string name = place.file.filename().string();
    if (name.size() > kMaxNameInTemporary) {
        name.resize(kMaxNameInTemporary);
    }
    std::string pattern =
        (place.file.parent_path() / ("." + name + ".kelsvf-partial-XXXXXX")).string();
    // Created and listed for removal with the signals held, so an interrupt never strands it.
    const interrupt::SignalsBlocked blocked;
    const int descriptor = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (descriptor < 0) {
        problem = std::strerror(errno);
        return std::nullopt;
    }
    interrupt::track(pattern);
    // The finished file looks as a plain write would have left it: a replaced file keeps its
    // mode (and, for root, its owner); a new one gets the umask's mode, not mkstemp's 0600.
    if (place.exists && ::geteuid() == 0 && ::fchown(descriptor, place.owner, place.group) != 0) {
        // Keeping root's ownership is the lesser harm than failing the run.
    }
    ::fchmod(descriptor, place.exists ? place.mode : newFileMode_);
    ::close(descriptor);  // the plug-in opens it by name; kelsvf holds no handle of its own
    return pattern;
}

void OutputFiles::opened(size_t index) {
    outputs_.at(index).opened = true;
}

std::string OutputFiles::refused(size_t index) const {
    const std::string problem = writeProblem(outputs_.at(index).pluginPath);
    return problem.empty() ? "the plug-in could not open it (see its message above)" : problem;
}

void OutputFiles::removeTemporary(Output& output) {
    if (!output.temporary.empty()) {
        ::unlink(output.temporary.c_str());
        interrupt::untrack(output.temporary);
        output.temporary.clear();
    }
}

bool OutputFiles::finish(RunEnd end, int failures, std::FILE* diagnostics) {
    bool ok = true;
    if (relay_) {
        if (const int error = relay_->finish(); error != 0) {
            std::fprintf(diagnostics, "kelsvf: cannot write standard output: %s\n",
                         std::strerror(error));
            ok = false;
        }
    }
    for (Output& output : outputs_) {
        const std::string shown = output.request.shown();
        if (!output.opened || (end == RunEnd::Failed && !output.temporary.empty())) {
            if (output.opened) {
                std::fprintf(diagnostics, "kelsvf: %s %s: the run did not complete\n",
                             shown.c_str(), output.place.exists ? "left as it was" : "not written");
            }
            removeTemporary(output);
            continue;
        }
        if (!output.temporary.empty()) {
            if (std::rename(output.temporary.c_str(), output.place.file.c_str()) != 0) {
                std::fprintf(diagnostics, "kelsvf: cannot put %s in place: %s\n", shown.c_str(),
                             std::strerror(errno));
                removeTemporary(output);
                ok = false;
                continue;
            }
            interrupt::untrack(output.temporary);
            output.temporary.clear();
        }
        if (end == RunEnd::Failed) {
            std::fprintf(diagnostics,
                         "kelsvf: warning: %s is incomplete: the run did not complete\n",
                         shown.c_str());
        } else if (end == RunEnd::Incomplete) {
            std::fprintf(diagnostics, "kelsvf: warning: %s is incomplete: %d operation%s failed\n",
                         shown.c_str(), failures, failures == 1 ? "" : "s");
        }
    }
    return ok;
}

}  // namespace kelsvf
