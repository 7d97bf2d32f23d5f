// Standard output is a file that can fail: a full disk, a closed pipe, a device that refuses.
// A command that writes its report there checks that every byte went out.
#ifndef KELSVF_STANDARD_OUTPUT_H
#define KELSVF_STANDARD_OUTPUT_H

#include <string_view>

namespace kelsvf {

// Writes `text` to standard output and flushes it. Returns 0, or the errno of the write or
// flush that failed (EIO when the stream reports an error without one).
int writeStandardOutput(std::string_view text);

}  // namespace kelsvf

#endif  // KELSVF_STANDARD_OUTPUT_H
