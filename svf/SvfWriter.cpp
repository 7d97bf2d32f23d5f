#include "svf/SvfWriter.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "svf/StreamSeam.h"

namespace KelPluginInterface::svf {
namespace {

// Two lower-case hex digits for every byte value.
constexpr std::array<char, 512> kHexPairs = [] {
    constexpr char digits[] = "0123456789abcdef";
    std::array<char, 512> pairs{};
    for (size_t value = 0; value < 256; ++value) {
        pairs[2 * value] = digits[value >> 4];
        pairs[2 * value + 1] = digits[value & 0x0F];
    }
    return pairs;
}();

constexpr std::string_view kLineEnd = "\r\n";

inline char* putHex(char* out, uint8_t value) {
    std::memcpy(out, &kHexPairs[2u * value], 2);
    return out + 2;
}

// The 32 hex digits of bytes[15] down to bytes[0]. Scan data is mostly this: sixteen bytes at a
// time keep a multi-megabyte statement close to the speed of writing the file.
inline char* putHexDescending16(char* out, const uint8_t* bytes) {
#if defined(__SSE2__)
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    // Reverse the byte order: dwords, then the words inside them, then the bytes inside those.
    v = _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3));
    v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
    v = _mm_shufflehi_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
    v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
    // Each byte becomes its high and its low nibble, in that order.
    const __m128i nibbleMask = _mm_set1_epi8(0x0F);
    const __m128i high = _mm_and_si128(_mm_srli_epi16(v, 4), nibbleMask);
    const __m128i low = _mm_and_si128(v, nibbleMask);
    // Nibble to digit: '0' + n, and 'a' - '0' - 10 more for n above 9.
    const auto digits = [](__m128i nibbles) {
        const __m128i letters =
            _mm_and_si128(_mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9)), _mm_set1_epi8('a' - '0' - 10));
        return _mm_add_epi8(nibbles, _mm_add_epi8(_mm_set1_epi8('0'), letters));
    };
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), digits(_mm_unpacklo_epi8(high, low)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), digits(_mm_unpackhi_epi8(high, low)));
    return out + 32;
#else
    for (int k = 15; k >= 0; --k) {
        out = putHex(out, bytes[k]);
    }
    return out;
#endif
}

// The block of text that is being assembled. Every append first makes room, handing what is
// already there to the stream when the block is full.
class TextBlock {
  public:
    explicit TextBlock(FILE* stream) : stream_(stream) {}

    TextBlock(const TextBlock&) = delete;
    TextBlock& operator=(const TextBlock&) = delete;

    bool ok() const { return ok_; }

    // Room for `size` more bytes (at most the block size); commit what was written there.
    char* reserve(size_t size) {
        if (kWriterBlockSize - used_ < size) {
            drain();
        }
        return block_ + used_;
    }
    void commit(size_t size) { used_ += size; }

    void append(std::string_view text) {
        while (!text.empty()) {
            const size_t piece = std::min(text.size(), kWriterBlockSize);
            std::memcpy(reserve(piece), text.data(), piece);
            commit(piece);
            text.remove_prefix(piece);
        }
    }

    void appendHex(uint8_t value) {
        putHex(reserve(2), value);
        commit(2);
    }

    // Unsigned decimal: for counts below 2^31 this is exactly what "%d" writes, and larger counts
    // stay valid SVF instead of turning negative.
    void appendDecimal(uint32_t value) {
        char digits[10];
        char* first = digits + sizeof digits;
        do {
            *--first = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        append(std::string_view(first, static_cast<size_t>(digits + sizeof digits - first)));
    }

    // Hands the rest to the stream; ok when every byte of the statement got there.
    WriteResult finish() {
        drain();
        return {ok_, error_};
    }

  private:
    void drain() {
        if (ok_ && used_ != 0) {
            errno = 0;  // a failing call that sets none reports 0, not an older reason
            ok_ = streamOps().write(block_, 1, used_, stream_) == used_;
            error_ = ok_ ? 0 : errno;
        }
        used_ = 0;  // after a failure the rest of the statement is dropped
    }

    FILE* stream_;
    size_t used_ = 0;
    bool ok_ = true;
    int error_ = 0;
    char block_[kWriterBlockSize];
};

// Scan data: the bytes from the top one down to byte 0, broken into lines.
void appendScanData(TextBlock& out, const uint8_t* tdi, uint32_t bitCount) {
    uint32_t remaining = bitCount / 8 + (bitCount % 8 != 0 ? 1u : 0u);
    if (remaining == 0) {
        return;
    }
    // An SVF player refuses a value with bits set beyond the stated length, so the unused bits
    // of the top byte are cleared here (in the text only).
    const uint32_t topBits = bitCount % 8;
    const uint8_t topMask = static_cast<uint8_t>(topBits == 0 ? 0xFFu : (1u << topBits) - 1);
    out.appendHex(static_cast<uint8_t>(tdi[--remaining] & topMask));

    // The bytes are read from the top down, which the processor's own prefetching follows less
    // well than an ascending walk; asking for them a little ahead keeps a long scan from waiting
    // on memory.
    constexpr uint32_t kPrefetchDistance = 1024;
    uint32_t lineRoom = kFirstLineBytes - 1;
    while (remaining != 0 && out.ok()) {
        if (remaining > kPrefetchDistance) {
            __builtin_prefetch(tdi + remaining - kPrefetchDistance);
        }
        const uint32_t run = std::min(remaining, lineRoom);
        char* text = out.reserve(2u * run);
        uint32_t left = run;
        for (; left >= 16; left -= 16) {
            remaining -= 16;
            text = putHexDescending16(text, tdi + remaining);
        }
        for (; left != 0; --left) {
            text = putHex(text, tdi[--remaining]);
        }
        out.commit(2u * run);
        lineRoom -= run;
        if (lineRoom == 0) {
            out.append(kLineEnd);
            lineRoom = kLineBytes;
        }
    }
}

// `count` copies of the same byte, without a line break.
void appendRepeatedHex(TextBlock& out, uint8_t value, uint32_t count) {
    constexpr uint32_t kMaxRun = kWriterBlockSize / 2;
    while (count != 0 && out.ok()) {
        const uint32_t run = std::min(count, kMaxRun);
        char* text = out.reserve(2u * run);
        for (uint32_t k = 0; k < run; ++k) {
            text = putHex(text, value);
        }
        out.commit(2u * run);
        count -= run;
    }
}

}  // namespace

WriteResult writeText(FILE* stream, std::string_view text) {
    TextBlock out(stream);
    out.append(text);
    return out.finish();
}

WriteResult writeRunTest(FILE* stream, uint32_t count) {
    TextBlock out(stream);
    out.append("RUNTEST ");
    out.appendDecimal(count);
    out.append(" TCK;\r\n");
    return out.finish();
}

WriteResult writeRunTest(FILE* stream, const RunTest& run) {
    TextBlock out(stream);
    out.append("RUNTEST");
    if (!run.runState.empty()) {
        out.append(" ");
        out.append(run.runState);
    }
    if (run.clocks != 0) {
        out.append(" ");
        out.appendDecimal(run.clocks);
        out.append(" TCK");
    }
    if (run.microseconds != 0) {
        // Whole microseconds and a fixed exponent: both players read the text back exactly.
        out.append(" ");
        out.appendDecimal(run.microseconds);
        out.append("E-06 SEC");
    }
    if (!run.endState.empty()) {
        out.append(" ENDSTATE ");
        out.append(run.endState);
    }
    out.append(";\r\n");
    return out.finish();
}

WriteResult writeEndState(FILE* stream, RegisterKind kind, std::string_view state) {
    TextBlock out(stream);
    out.append(kind == RegisterKind::Instruction ? "ENDIR " : "ENDDR ");
    out.append(state);
    out.append(";\r\n");
    return out.finish();
}

WriteResult writePadStatement(FILE* stream, std::string_view keyword, uint32_t bitCount,
                              uint8_t fillByte) {
    TextBlock out(stream);
    out.append(keyword);
    out.append(" ");
    out.appendDecimal(bitCount);
    if (bitCount != 0) {
        out.append(" TDI (");
        const uint32_t partialBits = bitCount % 8;
        if (partialBits != 0) {
            out.appendHex(static_cast<uint8_t>(((1u << partialBits) - 1) & fillByte));
        }
        appendRepeatedHex(out, fillByte, bitCount / 8);
        out.append(")");
    }
    out.append(";\r\n");
    return out.finish();
}

WriteResult writeScanStatement(FILE* stream, RegisterKind kind, const uint8_t* tdi,
                               uint32_t bitCount) {
    TextBlock out(stream);
    out.append(kind == RegisterKind::Instruction ? "SIR " : "SDR ");
    out.appendDecimal(bitCount);
    out.append(" TDI (");
    appendScanData(out, tdi, bitCount);
    out.append(");\r\n");
    return out.finish();
}

}  // namespace KelPluginInterface::svf
