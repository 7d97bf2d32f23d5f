// Which format a file is in, told by its content: the first block is read to look at, and the
// source then gives the file from its start, as if nothing had been read.
#ifndef KELXSVF_FORMAT_DETECT_H
#define KELXSVF_FORMAT_DETECT_H

#include <memory>

#include "kelsvfreader/TextSource.h"

namespace kelxsvf {

enum class FileFormat { Svf, Xsvf };

// An empty file, or one whose first block cannot be read, is SVF: its reader reports it.
FileFormat detectFormat(std::unique_ptr<kelsvfreader::TextSource>& source);

}  // namespace kelxsvf

#endif  // KELXSVF_FORMAT_DETECT_H
