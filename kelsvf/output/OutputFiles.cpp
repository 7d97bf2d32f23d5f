#include "output/OutputFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/TextUtil.h"
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

std::string reasonText(const char* what, int error) {
    return std::string(what) + " failed: " + std::strerror(error);
}

// Syncs the folder, so that the rename itself survives a power loss.
int syncFolder(const fs::path& file) {
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        return errno;
    }
    const int error = ::fsync(descriptor) == 0 ? 0 : errno;
    ::close(descriptor);
    return error;
}

}  // namespace

OutputFiles::OutputFiles(bool sync) : sync_(sync), newFileMode_(0666 & ~readUmask()) {}

OutputFiles::~OutputFiles() {
    const auto release = [this](Output& output) {
        removeTemporary(output);
        // A relay still running may still write to its descriptor: it goes with the process.
        if (output.relay == nullptr && output.descriptor > STDERR_FILENO) {
            ::close(output.descriptor);
        }
    };
    for (Output& output : outputs_) {
        release(output);
    }
    for (auto& [index, output] : replaced_) {
        release(output);
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
    const std::optional<size_t> index = find(place, request);
    // A stream goes on through its relay; a file opened again starts afresh, as the plug-in
    // empties a file it opens.
    if (index && place.kind != OutputKind::ReplacedFile && outputs_[*index].relay) {
        return Prepared{*index, outputs_[*index].pluginPath};
    }
    Output output{request, place, request.path, "", -1, nullptr, false, {}};
    if (!open(output, problem)) {
        return std::nullopt;
    }
    if (!index) {
        outputs_.push_back(std::move(output));
        return Prepared{outputs_.size() - 1, outputs_.back().pluginPath};
    }
    Output& earlier = outputs_[*index];
    if (place.kind == OutputKind::ReplacedFile) {
        replaced_.emplace_back(*index, std::move(earlier));
    } else {
        output.opened = earlier.opened;
        output.loss = earlier.loss;  // the stream keeps what it lost
    }
    earlier = std::move(output);
    return Prepared{*index, earlier.pluginPath};
}

bool OutputFiles::open(Output& output, std::string& problem) const {
    if (output.place.kind == OutputKind::StandardOutput) {
        if (::fcntl(STDOUT_FILENO, F_GETFD) < 0) {  // else the pipe could take its number
            problem = "standard output is closed";
            return false;
        }
        output.descriptor = STDOUT_FILENO;
    } else if (output.place.kind == OutputKind::ReplacedFile) {
        std::optional<std::string> temporary =
            makeTemporary(output.place, output.descriptor, problem);
        if (!temporary) {
            return false;
        }
        output.temporary = *temporary;
    } else {
        // A FIFO blocks here until it has a reader, as it would in the plug-in.
        output.descriptor = ::open(output.request.path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (output.descriptor < 0) {
            problem = std::strerror(errno);
            return false;
        }
    }
    output.relay = OutputRelay::start(output.descriptor, problem);
    if (!output.relay) {
        if (!output.temporary.empty()) {
            ::unlink(output.temporary.c_str());
            interrupt::untrack(output.temporary);
        }
        if (output.descriptor > STDERR_FILENO) {
            ::close(output.descriptor);
        }
        return false;
    }
    output.pluginPath = output.relay->path();
    return true;
}

std::optional<std::string> OutputFiles::makeTemporary(const OutputPlace& place, int& descriptor,
                                                      std::string& problem) const {
    std::string name = place.file.filename().string();
    if (name.size() > kMaxNameInTemporary) {
        name.resize(kMaxNameInTemporary);
    }
    std::string pattern =
        (place.file.parent_path() / ("." + name + ".kelsvf-partial-XXXXXX")).string();
    // Created and listed for removal with the signals held, so an interrupt never strands it.
    const interrupt::SignalsBlocked blocked;
    descriptor = ::mkostemp(pattern.data(), O_CLOEXEC);
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
    return pattern;
}

void OutputFiles::opened(size_t index) {
    outputs_.at(index).opened = true;
}

std::string OutputFiles::refused(size_t index) {
    const std::string problem = writeProblem(outputs_.at(index).pluginPath);
    if (!replaced_.empty() && replaced_.back().first == index) {
        Output& refusedOutput = outputs_[index];
        complete(refusedOutput);
        removeTemporary(refusedOutput);
        refusedOutput = std::move(replaced_.back().second);
        replaced_.pop_back();
    }
    return problem.empty() ? "the plug-in could not open it (see its message above)" : problem;
}

bool OutputFiles::lost() const {
    for (const Output& output : outputs_) {
        if (output.loss.error != 0 || (output.relay && output.relay->lostError() != 0)) {
            return true;
        }
    }
    return false;
}

void OutputFiles::settle(std::optional<size_t> current) {
    for (auto& [index, output] : replaced_) {
        complete(output);
        removeTemporary(output);
    }
    replaced_.clear();
    for (size_t i = 0; i < outputs_.size(); ++i) {
        if (i != current) {
            complete(outputs_[i]);
        }
    }
}

void OutputFiles::removeTemporary(Output& output) {
    if (!output.temporary.empty()) {
        ::unlink(output.temporary.c_str());
        interrupt::untrack(output.temporary);
        output.temporary.clear();
    }
}

void OutputFiles::complete(Output& output) const {
    const auto keep = [&output](const char* stage, int error) {
        if (output.loss.error == 0 && error != 0) {
            output.loss = Loss{stage, error};
        }
    };
    if (output.relay) {
        keep("writing it", output.relay->finish());
        output.relay.reset();
    }
    if (output.descriptor > STDERR_FILENO) {
        const bool durable = sync_ && output.opened && !output.temporary.empty();
        if (output.loss.error == 0 && durable && ::fsync(output.descriptor) != 0) {
            keep("syncing it to disk", errno);
        }
        if (::close(output.descriptor) != 0) {
            keep("closing it", errno);
        }
    }
    output.descriptor = -1;
}

bool OutputFiles::finish(RunEnd end, int failures, std::FILE* diagnostics) {
    settle(std::nullopt);
    bool ok = true;
    for (Output& output : outputs_) {
        const std::string shown = shownText(output.request.shown());
        const bool replacedFile = !output.temporary.empty();
        const Loss& loss = output.loss;
        const std::string reason =
            loss.error != 0 ? reasonText(loss.stage, loss.error) : "the run did not complete";
        ok = ok && loss.error == 0;
        if (!output.opened || (replacedFile && (end == RunEnd::Failed || loss.error != 0))) {
            if (output.opened) {
                std::fprintf(diagnostics, "kelsvf: %s %s: %s\n", shown.c_str(),
                             output.place.exists ? "left as it was" : "not written",
                             reason.c_str());
            }
            removeTemporary(output);
            continue;
        }
        if (loss.error != 0 && output.place.kind == OutputKind::StandardOutput) {
            std::fprintf(diagnostics, "kelsvf: cannot write standard output: %s\n",
                         std::strerror(loss.error));
            continue;
        }
        if (loss.error != 0) {
            std::fprintf(diagnostics, "kelsvf: %s is incomplete: %s\n", shown.c_str(),
                         reason.c_str());
            continue;
        }
        if (replacedFile && !putInPlace(output, diagnostics)) {
            ok = false;
            continue;
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

bool OutputFiles::putInPlace(Output& output, std::FILE* diagnostics) {
    const std::string shown = shownText(output.request.shown());
    if (std::rename(output.temporary.c_str(), output.place.file.c_str()) != 0) {
        std::fprintf(diagnostics, "kelsvf: cannot put %s in place: %s\n", shown.c_str(),
                     std::strerror(errno));
        removeTemporary(output);
        return false;
    }
    interrupt::untrack(output.temporary);
    output.temporary.clear();
    if (const int error = sync_ ? syncFolder(output.place.file) : 0; error != 0) {
        std::fprintf(diagnostics, "kelsvf: %s is in place, but syncing its folder failed: %s\n",
                     shown.c_str(), std::strerror(error));
        return false;
    }
    return true;
}

}  // namespace kelsvf
