// Hex digits decoded sixteen at a time, for the readers of long values.
#ifndef KELSVFREADER_HEX_DIGITS_H
#define KELSVFREADER_HEX_DIGITS_H

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kelsvfreader {

#if defined(__SSE2__)
// The sixteen bytes at `p` decoded as hex digits into eight pair bytes (the first pair in the
// lowest byte); returns a mask with bit i set when byte i is a hex digit. Pairs that hold a byte
// that is not a digit are meaningless.
inline unsigned decodeSixteen(const char* p, uint64_t& bytes) {
    const __m128i text = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Digits and letters as unsigned distances from '0' and 'a' (upper case folded), tested with
    // signed compares on values moved down by 0x80.
    const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i digit = _mm_sub_epi8(text, _mm_set1_epi8('0'));
    const __m128i letter =
        _mm_sub_epi8(_mm_or_si128(text, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    const __m128i isDigit =
        _mm_cmplt_epi8(_mm_xor_si128(digit, bias), _mm_set1_epi8(static_cast<char>(0x80 + 10)));
    const __m128i isLetter =
        _mm_cmplt_epi8(_mm_xor_si128(letter, bias), _mm_set1_epi8(static_cast<char>(0x80 + 6)));
    const __m128i value =
        _mm_or_si128(_mm_and_si128(isDigit, digit),
                     _mm_andnot_si128(isDigit, _mm_add_epi8(letter, _mm_set1_epi8(10))));
    // Each 16-bit lane holds a pair, the high digit in its low byte: high << 4 | low.
    const __m128i pairs = _mm_or_si128(
        _mm_and_si128(_mm_slli_epi16(value, 4), _mm_set1_epi16(0xF0)), _mm_srli_epi16(value, 8));
    bytes = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_packus_epi16(pairs, pairs)));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(isDigit, isLetter)));
}

// Sixteen hex digits at `p` as eight bytes, the first digit pair in the lowest byte; false when
// any of them is no hex digit.
inline bool sixteenDigits(const char* p, uint64_t& bytes) {
    return decodeSixteen(p, bytes) == 0xFFFF;
}
#endif

}  // namespace kelsvfreader

#endif  // KELSVFREADER_HEX_DIGITS_H
