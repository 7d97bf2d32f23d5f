// convert --chain: the written output played against its input on the chain, as diff does,
// before the output is put in place. Both are read again from scratch copies, so that standard
// input, pipes and standard output are proved as well as files.
#ifndef KELSVF_CONVERT_PROOF_H
#define KELSVF_CONVERT_PROOF_H

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "ChainDescription.h"
#include "kelsvfreader/TextSource.h"

namespace kelsvf {

// An unnamed temporary file (removed by the system when closed), written and then read again.
class ScratchFile {
  public:
    ScratchFile();
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    bool open() const { return file_ != nullptr; }
    bool write(std::string_view bytes);
    // A source of everything written, from the start; null when the data did not all arrive.
    std::unique_ptr<kelsvfreader::TextSource> readBack();
    // Everything written, from the start, into `sink`; false when reading or the sink failed.
    template <typename Sink>
    bool copyTo(Sink&& sink);

  private:
    std::FILE* file_;
    bool failed_ = false;
};

// Reads `source` and keeps a copy of every block in `copy`.
std::unique_ptr<kelsvfreader::TextSource> keepingCopy(
    std::unique_ptr<kelsvfreader::TextSource> source, ScratchFile& copy);

struct ConvertProof {
    const check::ChainDescription& chain;
    double frequencyHz = 1e6;
    // XSVF on either side, or scans cut through a pause: waits compared as "at least".
    bool waitsAtLeast = false;
};

// 0 when `output` has the effect of `input`; else says on standard error the first difference,
// or why a file could not be read back, and returns 1 (3 when the input copy cannot be read).
int proveConversion(const ConvertProof& proof, std::unique_ptr<kelsvfreader::TextSource> input,
                    const std::string& inputName, std::unique_ptr<kelsvfreader::TextSource> output,
                    const std::string& outputName);

template <typename Sink>
bool ScratchFile::copyTo(Sink&& sink) {
    if (file_ == nullptr || std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0) {
        return false;
    }
    char block[1 << 16];
    for (;;) {
        const size_t got = std::fread(block, 1, sizeof block, file_);
        if (got == 0) {
            return std::ferror(file_) == 0;
        }
        if (!sink(std::string_view(block, got))) {
            return false;
        }
    }
}

}  // namespace kelsvf

#endif  // KELSVF_CONVERT_PROOF_H
