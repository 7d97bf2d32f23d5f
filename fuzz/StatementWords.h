// The words of a statement the SVF reader returned, two ways: as the text spells them (so that a
// round trip checks the exact form the writer chose) and as the resolved statement stands for
// them (so that it checks what a player understands). For a file the target wrote, both must be
// the words the target's format rules call for.
#ifndef KEL_FUZZ_STATEMENT_WORDS_H
#define KEL_FUZZ_STATEMENT_WORDS_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "kelsvfreader/SvfStatement.h"

namespace kelfuzz {

// Where each line of a text starts, with the reader's line ends (LF, CR LF, bare CR).
class TextLines {
  public:
    explicit TextLines(std::string_view text);
    // The offset of a reader position in the text.
    size_t offset(const kelsvfreader::Position& position) const;

  private:
    std::vector<size_t> starts_;
};

// The white-space separated words between the statement's keyword and its ';'.
std::vector<std::string> writtenWords(std::string_view text, const TextLines& lines,
                                      const kelsvfreader::Statement& statement);

// STATE: the states of the path; ENDIR, ENDDR: the end state; RUNTEST: [run state] [n TCK]
// [<us>E-06 SEC] [ENDSTATE end state], the states only where the statement named them. Empty
// for the other statements.
std::vector<std::string> resolvedWords(const kelsvfreader::Statement& statement);

}  // namespace kelfuzz

#endif  // KEL_FUZZ_STATEMENT_WORDS_H
