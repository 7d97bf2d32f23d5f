// What the engine plays: a reader's statements, whichever format it reads. The SVF reader and
// the XSVF reader hand out the same resolved statements; this gives the engine either.
#ifndef KELSVF_CHECK_STATEMENT_SOURCE_H
#define KELSVF_CHECK_STATEMENT_SOURCE_H

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "kelsvfreader/SvfReader.h"

namespace kelsvf::check {

// A note of another format's reader (XSVF's retries, dialect commands, ...): a warning at the
// place `line` (an XSVF command's byte offset).
struct SourceNote {
    uint64_t line = 0;
    std::string kind;
    std::string text;
};

// No notes of other formats: constant-initialized, so asking costs no guard.
inline const std::vector<SourceNote> kNoSourceNotes{};

class StatementSource {
  public:
    virtual ~StatementSource() = default;
    virtual bool next(kelsvfreader::Statement& statement) = 0;
    // The SVF reader's notes of the last next(); other formats have none of these kinds.
    virtual const std::vector<kelsvfreader::Note>& notes() const = 0;
    // The other formats' notes of the last next().
    virtual const std::vector<SourceNote>& sourceNotes() const { return kNoSourceNotes; }
    virtual bool failed() const = 0;
    virtual const kelsvfreader::Error& error() const = 0;
    virtual const kelsvfreader::ScanValues& inForce(kelsvfreader::ScanKind kind) const = 0;
    virtual kelsvfreader::StatesInForce statesInForce() const = 0;
    virtual uint64_t statementCount() const = 0;
    virtual uint64_t bytesRead() const = 0;
};

// A reader with the SVF reader's interface, borrowed for as long as the source lives.
template <typename Reader>
class ReaderSource final : public StatementSource {
  public:
    explicit ReaderSource(Reader& reader) : reader_(reader) {}
    bool next(kelsvfreader::Statement& statement) override { return reader_.next(statement); }
    const std::vector<kelsvfreader::Note>& notes() const override {
        if constexpr (std::is_same_v<Reader, kelsvfreader::SvfReader>) {
            return reader_.notes();
        } else {
            static const std::vector<kelsvfreader::Note> kNone;
            return kNone;
        }
    }
    bool failed() const override { return reader_.failed(); }
    const kelsvfreader::Error& error() const override { return reader_.error(); }
    const kelsvfreader::ScanValues& inForce(kelsvfreader::ScanKind kind) const override {
        return reader_.inForce(kind);
    }
    kelsvfreader::StatesInForce statesInForce() const override { return reader_.statesInForce(); }
    uint64_t statementCount() const override { return reader_.statementCount(); }
    uint64_t bytesRead() const override { return reader_.bytesRead(); }

  private:
    Reader& reader_;
};

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_STATEMENT_SOURCE_H
