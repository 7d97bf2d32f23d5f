// The SVF files that check and diff play, opened the same way: a path, or "-" for standard
// input.
#ifndef KELSVF_PLAY_INPUT_H
#define KELSVF_PLAY_INPUT_H

#include <memory>
#include <string>

#include "kelsvfreader/TextSource.h"

namespace kelsvf {

struct PlayInput {
    std::string name;  // as the reports show it: the path, or "<stdin>"
    std::unique_ptr<kelsvfreader::TextSource> source;
};

// The file's text source. When it cannot be opened, says why on standard error ("kelsvf:
// cannot open PATH: REASON") and returns no source.
PlayInput openPlayInput(const std::string& file);

}  // namespace kelsvf

#endif  // KELSVF_PLAY_INPUT_H
