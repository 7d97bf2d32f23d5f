#include "commands/ConvertProof.h"

#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "EffectDiff.h"
#include "commands/PlayInput.h"
#include "common/ExitCodes.h"

namespace kelsvf {
namespace {

// "in.svf:14", "in.svf:14-20", "in.svf:20-end", as diff shows places.
std::string placeText(const std::string& name, const check::DiffPlace& place) {
    if (place.from == place.to && !place.atEnd) {
        return name + ":" + std::to_string(place.to);
    }
    return name + ":" + std::to_string(place.from == 0 ? 1 : place.from) + "-" +
           (place.atEnd ? std::string("end") : std::to_string(place.to));
}

class CopyingSource final : public kelsvfreader::TextSource {
  public:
    CopyingSource(std::unique_ptr<kelsvfreader::TextSource> source, ScratchFile& copy)
        : source_(std::move(source)), copy_(copy) {}
    bool nextBlock(const char*& begin, const char*& end, std::string& error) override {
        const bool got = source_->nextBlock(begin, end, error);
        if (got) {
            copy_.write(std::string_view(begin, static_cast<size_t>(end - begin)));
        }
        return got;
    }

  private:
    std::unique_ptr<kelsvfreader::TextSource> source_;
    ScratchFile& copy_;
};

}  // namespace

ScratchFile::ScratchFile() : file_(std::tmpfile()) {}

ScratchFile::~ScratchFile() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool ScratchFile::write(std::string_view bytes) {
    failed_ = failed_ || file_ == nullptr ||
              std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size();
    return !failed_;
}

std::unique_ptr<kelsvfreader::TextSource> ScratchFile::readBack() {
    if (failed_ || file_ == nullptr || std::fflush(file_) != 0 ||
        ::lseek(fileno(file_), 0, SEEK_SET) != 0) {
        return nullptr;
    }
    return kelsvfreader::fileDescriptorSource(fileno(file_));
}

std::unique_ptr<kelsvfreader::TextSource> keepingCopy(
    std::unique_ptr<kelsvfreader::TextSource> source, ScratchFile& copy) {
    return std::make_unique<CopyingSource>(std::move(source), copy);
}

int proveConversion(const ConvertProof& proof, std::unique_ptr<kelsvfreader::TextSource> input,
                    const std::string& inputName, std::unique_ptr<kelsvfreader::TextSource> output,
                    const std::string& outputName) {
    if (input == nullptr || output == nullptr) {
        std::fprintf(stderr, "kelsvf: cannot keep a copy of the %s to prove the output: %s\n",
                     input == nullptr ? "input" : "output", std::strerror(errno));
        return kExitUnreadableInput;
    }
    PlayReader a(std::move(input));
    PlayReader b(std::move(output));
    check::EffectDiffOptions options;
    options.maxDifferences = 1;  // the first difference is enough to refuse the output
    options.waitsAtLeast = proof.waitsAtLeast;
    options.frequencyHz = proof.frequencyHz;
    const check::DiffResult result =
        check::EffectDiff(proof.chain, options).compare(a.source(), b.source());
    if (result.unreadableA) {
        std::fprintf(stderr, "kelsvf: %s:%" PRIu64 ": %s (read again to prove the output)\n",
                     inputName.c_str(), result.unreadableA->line, result.unreadableA->text.c_str());
        return kExitUnreadableInput;
    }
    const std::string chainText = proof.chain.describe();
    if (result.unreadableB) {
        std::fprintf(
            stderr,
            "kelsvf: the output cannot be read back: %s:%" PRIu64 ": %s; nothing was written\n",
            outputName.c_str(), result.unreadableB->line, result.unreadableB->text.c_str());
        return kExitFileHasErrors;
    }
    if (!result.same()) {
        const check::EffectDifference& first = result.differences.front();
        std::fprintf(stderr,
                     "kelsvf: %s %s: %s: %s | %s\n"
                     "kelsvf: the output does not do what %s does on %s%s; nothing was "
                     "written\n",
                     placeText(inputName, first.a).c_str(), placeText(outputName, first.b).c_str(),
                     first.what.c_str(), first.aSide.c_str(), first.bSide.c_str(),
                     inputName.c_str(), chainText.c_str(),
                     proof.waitsAtLeast ? " (waits compared as at least)" : "");
        return kExitFileHasErrors;
    }
    if (result.summaryA.errors != 0) {
        std::fprintf(stderr,
                     "kelsvf: warning: %s has %" PRIu64
                     " error%s on %s (kelsvf check names them): the proof holds for what the "
                     "file does there\n",
                     inputName.c_str(), result.summaryA.errors,
                     result.summaryA.errors == 1 ? "" : "s", chainText.c_str());
    }
    return kExitOk;
}

}  // namespace kelsvf
