// The words of SVF: keywords and TAP state names, and the facts about states that the reader
// checks (which are stable, which follow which in one clock).
#ifndef KELSVFREADER_SVF_NAMES_H
#define KELSVFREADER_SVF_NAMES_H

#include <cstddef>
#include <cstring>
#include <optional>
#include <string_view>

#include "kelsvfreader/SvfStatement.h"

namespace kelsvfreader {

// Whether an upper-cased word is `name`: a length test and a compare of known size.
template <size_t N>
bool isWord(std::string_view word, const char (&name)[N]) {
    return word.size() == N - 1 && std::memcmp(word.data(), name, N - 1) == 0;
}

// Upper-cased words only.
std::optional<Keyword> keywordByName(std::string_view word);
std::optional<TapState> stateByName(std::string_view word);

// RESET, IDLE, DRPAUSE and IRPAUSE: the states SVF can leave the TAP in.
bool isStableState(TapState state);

// Whether a STATE path may go from `from` to `to`: a one-clock successor, or RESET, which
// five clocks of TMS 1 reach from anywhere.
bool pathMayStep(TapState from, TapState to);

// The IEEE 1149.1 successor of `state` for one clock.
TapState successorState(TapState state, bool tms);

}  // namespace kelsvfreader

#endif  // KELSVFREADER_SVF_NAMES_H
