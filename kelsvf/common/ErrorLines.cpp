#include "common/ErrorLines.h"

namespace kelsvf {

bool ErrorLines::admit() {
    if (shown_ < kShown) {
        ++shown_;
        return true;
    }
    ++heldBack_;
    return false;
}

void ErrorLines::print(const std::string& line) {
    if (admit()) {
        std::fprintf(stream_, "%s\n", line.c_str());
        std::fflush(stream_);
    }
}

void ErrorLines::finish() {
    if (heldBack_ > 0) {
        std::fprintf(stream_, "... and %zu more\n", heldBack_);
        std::fflush(stream_);
        heldBack_ = 0;
    }
}

}  // namespace kelsvf
