// Numbers as SVF writes them: "100", "2.5", "1E-06", "1.0E+03", in any letter case. Counts,
// lengths and times are taken exactly from the decimal text, never through floating point.
#ifndef KELSVFREADER_SVF_NUMBERS_H
#define KELSVFREADER_SVF_NUMBERS_H

#include <cstdint>
#include <string_view>

namespace kelsvfreader {

struct ScaledNumber {
    uint64_t value = 0;     // the number times 10^shift, rounded up
    bool exact = true;      // nothing was rounded
    bool realForm = false;  // written with a '.' or an exponent
};

enum class NumberStatus : uint8_t { Ok, Malformed, TooLarge };

// Reads an upper-cased word as digits [ '.' digits ] [ 'E' [ '+' | '-' ] digits ] (at least one
// mantissa digit) and gives its value times 10^shift, rounded up to a whole number.
NumberStatus scaleDecimal(std::string_view text, int shift, ScaledNumber& number);

// The nearest double (for FREQUENCY, and for what a player reading floats sees); the text must
// have passed scaleDecimal.
double decimalToDouble(std::string_view text);

// The microseconds that a player computes as `uint32_t us = 1000000 * (float)value`; false when
// that product does not fit 32 bits.
bool singlePrecisionMicroseconds(std::string_view text, uint32_t& microseconds);

}  // namespace kelsvfreader

#endif  // KELSVFREADER_SVF_NUMBERS_H
