// Hex values: SVF writes the most significant digit first, the bit vectors hold bit 0 in byte 0.
// The length is known before the value, so every significant digit goes straight to its place,
// counted from the top: the first nonzero digit is assumed to be the top nibble of the length.
// A value with fewer significant digits is moved down once at the ')'; one with more holds a 1
// bit beyond the length, an error as soon as it shows.
#include <cstring>
#include <string>

#include "CharClass.h"
#include "HexDigits.h"
#include "SvfLexer.h"

namespace kelsvfreader {
namespace {

// Moves the nibbles of `bytes` down by `shift` nibbles, zeros coming in at the top.
void shiftDownNibbles(uint8_t* bytes, size_t size, uint64_t shift) {
    if (shift >= 2 * static_cast<uint64_t>(size)) {
        std::memset(bytes, 0, size);
        return;
    }
    const auto whole = static_cast<size_t>(shift / 2);
    if (shift % 2 == 0) {
        std::memmove(bytes, bytes + whole, size - whole);
        std::memset(bytes + size - whole, 0, whole);
        return;
    }
    for (size_t i = 0; i < size; ++i) {
        const unsigned low = i + whole < size ? bytes[i + whole] >> 4 : 0u;
        const unsigned high = i + whole + 1 < size ? bytes[i + whole + 1] & 0x0Fu : 0u;
        bytes[i] = static_cast<uint8_t>(low | high << 4);
    }
}

}  // namespace

std::string beyondLength(const HexTarget& target) {
    return std::string(target.name) + " value has 1 bits beyond its length of " +
           std::to_string(target.bitCount) + " bits";
}

SvfLexer::HexGap SvfLexer::hexGap(uint8_t c, const HexTarget& target, uint64_t digits) {
    const char* const name = target.name;
    switch (kCharClass[c]) {
        case kBlank:
            ++cur_;
            return HexGap::Next;
        case kLineEnd:
            if (target.lines == nullptr) {
                consumeLineEnd();
            } else {
                const uint64_t from = line_;
                consumeLineEnd();
                target.lines->lineEnd(digits, from, line_);
            }
            return HexGap::Next;
        case kBang:
            skipToLineEnd();
            return HexGap::Next;
        case kSlash:
            return skipSlashComment() ? HexGap::Next : HexGap::Fail;
        case kClose:
            return HexGap::Close;
        case kSemicolon:
            fail(position(), std::string("';' inside a ") + name + " value: ')' missing");
            return HexGap::Fail;
        default:
            fail(position(),
                 describeByte(c) + " is not a hex digit (in a " + std::string(name) + " value)");
            return HexGap::Fail;
    }
}

bool SvfLexer::readHexBody(const HexTarget& target, HexInfo& info) {
    if (target.spill != nullptr) {
        return readHexSpilled(target, info);
    }
    info = HexInfo{};
    const uint64_t nibbles = (static_cast<uint64_t>(target.bitCount) + 3) / 4;
    const size_t size = (static_cast<size_t>(target.bitCount) + 7) / 8;
    uint8_t* const out = target.bytes;
    // Where the next significant digit goes, counted in nibbles from bit 0; -1 once the
    // length is full.
    int64_t nibble = static_cast<int64_t>(nibbles) - 1;
    bool significant = false;
    Position firstSignificant;

    for (;;) {
        if (cur_ == end_ && !fill()) {
            return failed() ? false
                            : fail(position(), std::string("the file ends inside a ") +
                                                   target.name + " value: ')' missing");
        }
        // Digit pairs that fill whole bytes: the bulk of every large value.
        if (significant && nibble >= 1 && (nibble & 1) != 0) {
            const char* p = cur_;
#if defined(__SSE2__)
            // Sixteen digits at a time: eight whole bytes, the first pair the highest.
            uint64_t sixteen = 0;
            while (end_ - p >= 16 && nibble >= 15 && sixteenDigits(p, sixteen)) {
                const uint64_t highFirst = __builtin_bswap64(sixteen);
                std::memcpy(out + (nibble >> 1) - 7, &highFirst, 8);
                nibble -= 16;
                p += 16;
            }
#endif
            // Eight digits at a time, with one test for all of them, while they last.
            while (end_ - p >= 8 && nibble >= 7) {
                uint8_t digit[8];
                unsigned all = 0;
                for (int i = 0; i < 8; ++i) {
                    digit[i] = kHexValue[static_cast<uint8_t>(p[i])];
                    all |= digit[i];
                }
                if (all > 15) {
                    break;
                }
                uint8_t* const top = out + (nibble >> 1);
                for (int i = 0; i < 4; ++i) {
                    *(top - i) = static_cast<uint8_t>(digit[2 * i] << 4 | digit[2 * i + 1]);
                }
                nibble -= 8;
                p += 8;
            }
            while (end_ - p >= 2 && nibble >= 1) {
                const uint8_t high = kHexValue[static_cast<uint8_t>(p[0])];
                const uint8_t low = kHexValue[static_cast<uint8_t>(p[1])];
                if ((high | low) > 15) {
                    break;
                }
                out[nibble >> 1] = static_cast<uint8_t>(high << 4 | low);
                nibble -= 2;
                p += 2;
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
            if (!significant) {
                if (value == 0) {
                    ++cur_;
                    continue;
                }
                significant = true;
                firstSignificant = position();
            }
            if (nibble < 0) {
                return fail(firstSignificant, beyondLength(target));
            }
            uint8_t& byte = out[nibble >> 1];
            if ((nibble & 1) != 0) {
                byte = static_cast<uint8_t>(value << 4);
            } else if (static_cast<uint64_t>(nibble) == nibbles - 1) {
                byte = value;  // the top nibble of an odd count: the byte's high half stays 0
            } else {
                byte = static_cast<uint8_t>(byte | value);
            }
            --nibble;
            ++cur_;
            continue;
        }
        const HexGap gap = hexGap(c, target, info.digits);
        if (gap == HexGap::Fail) {
            return false;
        }
        if (gap == HexGap::Next) {
            continue;
        }
        break;  // at the ')'
    }

    if (info.digits == 0) {
        return fail(position(), std::string(target.name) + " value without hex digits");
    }
    ++cur_;  // the ')'
    const auto written = static_cast<uint64_t>(static_cast<int64_t>(nibbles) - 1 - nibble);
    if (written == 0) {
        if (size != 0) {
            std::memset(out, 0, size);
        }
    } else if (written < nibbles) {
        shiftDownNibbles(out, size, nibbles - written);
    }
    if (const uint32_t spare = target.bitCount % 8; spare != 0 && (out[size - 1] >> spare) != 0) {
        return fail(firstSignificant, beyondLength(target));
    }
    return true;
}

}  // namespace kelsvfreader
