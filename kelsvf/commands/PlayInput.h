// The SVF or XSVF files that check and diff play, opened the same way: a path, or "-" for
// standard input; the format told by the content.
#ifndef KELSVF_PLAY_INPUT_H
#define KELSVF_PLAY_INPUT_H

#include <functional>
#include <memory>
#include <string>

#include "StatementSource.h"
#include "kelsvfreader/SvfReader.h"
#include "kelsvfreader/TextSource.h"
#include "kelxsvf/XsvfReader.h"

namespace kelsvf {

struct PlayInput {
    std::string name;  // as the reports show it: the path, or "<stdin>"
    std::unique_ptr<kelsvfreader::TextSource> source;
};

// The file's text source. When it cannot be opened, says why on standard error ("kelsvf:
// cannot open PATH: REASON") and returns no source.
PlayInput openPlayInput(const std::string& file);

// The reader of the input's format, as the engine plays it. Places in an XSVF file are the
// byte offsets of its commands.
class PlayReader {
  public:
    explicit PlayReader(std::unique_ptr<kelsvfreader::TextSource> source);
    check::StatementSource& source() { return *source_; }
    bool xsvf() const { return xsvf_ != nullptr; }

    // Called with each note of the XSVF reader as it is read (the engine reports them as
    // warnings too, to a sink that keeps them).
    using NoteHandler = std::function<void(const check::SourceNote&)>;
    void onNote(NoteHandler handler) { onNote_ = std::move(handler); }

  private:
    NoteHandler onNote_;
    std::unique_ptr<kelsvfreader::SvfReader> svf_;
    std::unique_ptr<kelxsvf::XsvfReader> xsvf_;
    std::unique_ptr<check::StatementSource> source_;
};

}  // namespace kelsvf

#endif  // KELSVF_PLAY_INPUT_H
