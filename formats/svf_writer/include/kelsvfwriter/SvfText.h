// SVF spellings that every player reads alike: whole numbers without a positive exponent, hex
// digits exactly as many as the length needs, state names.
#ifndef KELSVFWRITER_SVF_TEXT_H
#define KELSVFWRITER_SVF_TEXT_H

#include <cstdint>
#include <span>
#include <string>

#include "kelsvfreader/SvfStatement.h"

namespace kelsvfwriter {

// "(1f)" for 5 bits of value 0x1f: most significant digit first, lower case.
void appendHexValue(std::string& out, std::span<const uint8_t> bits, uint64_t bitCount);
// The digits of bytes [from, to) of such a value, most significant first, without parentheses;
// the value's last byte loses its high digit where the digit count is odd.
void appendHexDigits(std::string& out, std::span<const uint8_t> bits, uint64_t bitCount,
                     size_t from, size_t to);
void appendNumber(std::string& out, uint64_t value);
// "1500E-06 SEC" for 1500 us.
void appendMicroseconds(std::string& out, uint64_t microseconds);
// The longest wait, at most `microseconds` (and at least 1 of it), whose "NE-06 SEC" a player
// that reads times as single-precision floats also waits exactly: a wait is written as such
// pieces, so that every player waits the same.
uint64_t exactWaitPiece(uint64_t microseconds);
// "1000000 HZ", or "25E-01 HZ" for a fraction.
void appendHertz(std::string& out, double hertz);
const char* trstModeName(kelsvfreader::TrstMode mode);

}  // namespace kelsvfwriter

#endif  // KELSVFWRITER_SVF_TEXT_H
