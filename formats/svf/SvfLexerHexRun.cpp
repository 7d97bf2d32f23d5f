// The inner loop of long values: sixteen bytes of text at a time, decoded into the spill
// writer's own buffer. A generator's line breaks every few dozen digits would otherwise end each
// run of whole vectors; here a blank or line end costs a step, and only anything else (a comment,
// the ')', an odd digit, the block's end) goes back to the byte-wise reader.
#include <algorithm>
#include <cstring>

#include "HexDigits.h"
#include "SvfLexer.h"

namespace kelsvfreader {

#if defined(__SSE2__)
bool SvfLexer::spillDigitRun(SpillValueWriter& spill, DigitLinesBuilder* lines, uint64_t nibbles,
                             uint64_t& significant, uint64_t& digits) {
    constexpr size_t kStep = 8;  // pair bytes stored by every step, used or not
    for (;;) {
        uint8_t* at = nullptr;
        size_t room = 0;
        if (!spill.pairRoom(kStep, at, room)) {
            return false;
        }
        if (room < kStep) {
            return true;
        }
        // Locals whose address is never taken: stores through `out` could alias the rest.
        uint8_t* out = at;
        uint8_t* const first = out;
        uint8_t* const last = out + (room - kStep);
        const char* p = cur_;
        const char* const end = end_;
        uint64_t left = nibbles - significant;
        const uint64_t before = left;
        bool stopped = false;
        while (out <= last) {
            if (end - p < 16) {
                stopped = true;
                break;
            }
            uint64_t bytes = 0;
            const unsigned valid = decodeSixteen(p, bytes);
            std::memcpy(out, &bytes, kStep);
            // The common case advances by constants, so that the next load need not wait for
            // this one's decoding.
            if (valid == 0xFFFF && left >= 16) {
                out += kStep;
                p += 16;
                left -= 16;
                continue;
            }
            const uint64_t count =
                std::min<uint64_t>(static_cast<unsigned>(__builtin_ctz(~valid)), left) &
                ~uint64_t{1};
            out += count / 2;
            p += count;
            left -= count;
            // Blanks and line ends, as many as come (a CR LF is two); anything else ends the run.
            const char* const gap = p;
            while (p != end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')) {
                if (*p == '\r' || *p == '\n') {
                    const uint64_t from = line_;
                    countLineEnd(*p, blockOffset_ + static_cast<uint64_t>(p - blockBegin_));
                    if (lines != nullptr) {
                        lines->lineEnd(digits + (before - left), from, line_);
                    }
                }
                ++p;
            }
            if (p == gap) {  // a digit of an odd pair, a full length, or no blank
                stopped = true;
                break;
            }
        }
        significant += before - left;
        digits += before - left;
        spill.commitPairs(static_cast<size_t>(out - first));
        cur_ = p;
        if (stopped) {
            return true;
        }
    }
}
#else
bool SvfLexer::spillDigitRun(SpillValueWriter&, DigitLinesBuilder*, uint64_t, uint64_t&,
                             uint64_t&) {
    return true;  // the byte-wise reader does it all
}
#endif

}  // namespace kelsvfreader
