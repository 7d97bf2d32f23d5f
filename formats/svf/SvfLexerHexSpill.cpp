// Long hex values: the significant digits go to a spill writer in text order as they come, so
// that a value costs a buffer, not its length, and zeros above the digits cost nothing.
#include <cstring>
#include <string>

#include "CharClass.h"
#include "HexDigits.h"
#include "SvfLexer.h"

namespace kelsvfreader {

bool SvfLexer::readHexSpilled(const HexTarget& target, HexInfo& info) {
    info = HexInfo{};
    SpillValueWriter& spill = *target.spill;
    const uint64_t nibbles = (static_cast<uint64_t>(target.bitCount) + 3) / 4;
    uint64_t significant = 0;
    unsigned topDigit = 0;
    Position firstSignificant;
    const auto lost = [&] {
        return failSystem(firstSignificant, std::string("cannot keep a long ") + target.name +
                                                " value: " + spill.error());
    };

    for (;;) {
        if (cur_ == end_ && !fill()) {
            return failed() ? false
                            : fail(position(), std::string("the file ends inside a ") +
                                                   target.name + " value: ')' missing");
        }
        // Whole digit pairs while the length has room: the bulk of every long value.
        if (significant != 0) {
            if (!spillDigitRun(spill, target.lines, nibbles, significant, info.digits)) {
                return lost();
            }
            if (cur_ == end_) {
                continue;
            }
            const char* p = cur_;
            uint8_t pairs[512];
            size_t held = 0;
#if defined(__SSE2__)
            uint64_t sixteen = 0;
            while (end_ - p >= 16 && significant + 16 <= nibbles && sixteenDigits(p, sixteen)) {
                std::memcpy(pairs + held, &sixteen, 8);
                held += 8;
                significant += 16;
                p += 16;
                if (held == sizeof pairs) {
                    if (!spill.addPairs(pairs, held)) {
                        return lost();
                    }
                    held = 0;
                }
            }
#endif
            while (end_ - p >= 2 && significant + 2 <= nibbles && held < sizeof pairs) {
                const uint8_t high = kHexValue[static_cast<uint8_t>(p[0])];
                const uint8_t low = kHexValue[static_cast<uint8_t>(p[1])];
                if ((high | low) > 15) {
                    break;
                }
                pairs[held++] = static_cast<uint8_t>(high << 4 | low);
                significant += 2;
                p += 2;
            }
            if (held != 0 && !spill.addPairs(pairs, held)) {
                return lost();
            }
            info.digits += static_cast<uint64_t>(p - cur_);
            cur_ = p;
            if (cur_ == end_) {
                continue;
            }
        }

        const auto c = static_cast<uint8_t>(*cur_);
        if (const uint8_t value = kHexValue[c]; value <= 15) {
            if (info.digits++ == 0) {
                info.firstDigit = position();
            }
            if (significant == 0) {
                if (value == 0) {
                    ++cur_;
                    continue;
                }
                firstSignificant = position();
                topDigit = value;
            }
            if (significant == nibbles) {
                return fail(firstSignificant, beyondLength(target));
            }
            if (!spill.addDigit(value)) {
                return lost();
            }
            ++significant;
            ++cur_;
            continue;
        }
        const HexGap gap = hexGap(c, target, info.digits);
        if (gap == HexGap::Fail) {
            return false;
        }
        if (gap == HexGap::Close) {
            break;
        }
    }

    if (info.digits == 0) {
        return fail(position(), std::string(target.name) + " value without hex digits");
    }
    ++cur_;  // the ')'
    // A top digit in the top nibble of the length may hold bits beyond it.
    if (const uint32_t spare = target.bitCount % 4;
        significant == nibbles && spare != 0 && (topDigit >> spare) != 0) {
        return fail(firstSignificant, beyondLength(target));
    }
    return true;
}

}  // namespace kelsvfreader
