#include "ReferenceWriter.h"

namespace kelbench {

void writeReferenceSdr(FILE* stream, const uint8_t* tdi, uint32_t bitCount) {
    std::fprintf(stream, "SDR %d TDI (", static_cast<int>(bitCount));
    int column = 32;
    for (uint32_t i = bitCount / 8; i-- > 0;) {
        std::fprintf(stream, "%02x", tdi[i]);
        column += 2;
        if (column >= 72) {
            std::fprintf(stream, "\r\n");
            column = 0;
        }
    }
    std::fprintf(stream, ");\r\n");
}

}  // namespace kelbench
