// Caps the error lines one run prints. The first ones are what a user acts on; a script with a
// thousand bad lines (or a --keep-going run with a thousand failures) would push them off the
// screen, so after kShown lines the rest are only counted, and summed up once at the end as
// "... and N more".
#ifndef KELSVF_ERROR_LINES_H
#define KELSVF_ERROR_LINES_H

#include <cstddef>
#include <cstdio>
#include <string>

namespace kelsvf {

class ErrorLines {
  public:
    static constexpr size_t kShown = 20;

    explicit ErrorLines(std::FILE* stream) : stream_(stream) {}

    // True when one more error line may be shown; otherwise the line is counted as held back.
    bool admit();
    // Shows one error line (the newline is added), or counts it.
    void print(const std::string& line);
    // Counts `count` lines as held back without showing them.
    void holdBack(size_t count) { heldBack_ += count; }
    // Writes "... and N more" when lines were held back since the last call.
    void finish();

  private:
    std::FILE* stream_;
    size_t shown_ = 0;
    size_t heldBack_ = 0;
};

}  // namespace kelsvf

#endif  // KELSVF_ERROR_LINES_H
