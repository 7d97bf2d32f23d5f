// The bytes of an XSVF file as the reader takes them: one at a time or as a vector, block after
// block from a source, counting the offset.
#ifndef KELXSVF_BYTE_INPUT_H
#define KELXSVF_BYTE_INPUT_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kelsvfreader/TextSource.h"

namespace kelxsvf {

class ByteInput {
  public:
    explicit ByteInput(std::unique_ptr<kelsvfreader::TextSource> source);

    // False at the end of the file, or when reading failed (readError() says why).
    bool byte(uint8_t& value);
    // Appends `count` bytes to `out`; the memory reserved for them is used only as they arrive.
    bool bytes(uint64_t count, std::vector<uint8_t>& out);
    // The next bytes as they lie in the block, at most `most` of them (at least one), consumed.
    bool piece(uint64_t most, const uint8_t*& data, size_t& size);
    // A big-endian number of `size` bytes (at most 4).
    bool number(int size, uint32_t& value);

    uint64_t offset() const { return consumed_; }
    const std::string& readError() const { return error_; }

  private:
    bool refill();

    std::unique_ptr<kelsvfreader::TextSource> source_;
    const char* at_ = nullptr;
    const char* end_ = nullptr;
    std::string error_;
    uint64_t consumed_ = 0;
    bool ended_ = false;
};

}  // namespace kelxsvf

#endif  // KELXSVF_BYTE_INPUT_H
