#include "commands/PlayInput.h"

#include <unistd.h>

#include <cstdio>

#include "kelxsvf/FormatDetect.h"

namespace kelsvf {

PlayInput openPlayInput(const std::string& file) {
    if (file == "-") {
        return {"<stdin>", kelsvfreader::fileDescriptorSource(STDIN_FILENO)};
    }
    std::string error;
    PlayInput input{file, kelsvfreader::openFileSource(file, error)};
    if (input.source == nullptr) {
        std::fprintf(stderr, "kelsvf: %s\n", error.c_str());  // the reason names the file
    }
    return input;
}

namespace {

// The XSVF reader as the engine plays it, its notes handed on as the engine's source notes.
class XsvfSource final : public check::StatementSource {
  public:
    XsvfSource(kelxsvf::XsvfReader& reader, const PlayReader::NoteHandler& onNote)
        : reader_(reader), onNote_(onNote) {}
    bool next(kelsvfreader::Statement& statement) override {
        const bool read = reader_.next(statement);
        notes_.clear();
        for (const kelxsvf::XsvfNote& note : reader_.notes()) {
            notes_.push_back({note.offset, note.kind, note.message});
            if (onNote_) {
                onNote_(notes_.back());
            }
        }
        return read;
    }
    const std::vector<kelsvfreader::Note>& notes() const override {
        static const std::vector<kelsvfreader::Note> kNone;
        return kNone;
    }
    const std::vector<check::SourceNote>& sourceNotes() const override { return notes_; }
    bool failed() const override { return reader_.failed(); }
    const kelsvfreader::Error& error() const override { return reader_.error(); }
    const kelsvfreader::ScanValues& inForce(kelsvfreader::ScanKind kind) const override {
        return reader_.inForce(kind);
    }
    kelsvfreader::StatesInForce statesInForce() const override { return reader_.statesInForce(); }
    uint64_t statementCount() const override { return reader_.statementCount(); }
    uint64_t bytesRead() const override { return reader_.bytesRead(); }

  private:
    kelxsvf::XsvfReader& reader_;
    const PlayReader::NoteHandler& onNote_;
    std::vector<check::SourceNote> notes_;
};

}  // namespace

PlayReader::PlayReader(std::unique_ptr<kelsvfreader::TextSource> source) {
    if (kelxsvf::detectFormat(source) == kelxsvf::FileFormat::Xsvf) {
        xsvf_ = std::make_unique<kelxsvf::XsvfReader>(std::move(source));
        source_ = std::make_unique<XsvfSource>(*xsvf_, onNote_);
    } else {
        svf_ = std::make_unique<kelsvfreader::SvfReader>(std::move(source));
        source_ = std::make_unique<check::ReaderSource<kelsvfreader::SvfReader>>(*svf_);
    }
}

}  // namespace kelsvf
