// Reading the XSVF bytes from a block source.
#include "ByteInput.h"

#include <algorithm>

namespace kelxsvf {

ByteInput::ByteInput(std::unique_ptr<kelsvfreader::TextSource> source)
    : source_(std::move(source)) {
    ended_ = source_ == nullptr;
}

bool ByteInput::refill() {
    while (at_ == end_) {
        if (ended_) {
            return false;
        }
        const char* begin = nullptr;
        const char* end = nullptr;
        if (!source_->nextBlock(begin, end, error_)) {
            ended_ = true;
            return false;
        }
        at_ = begin;
        end_ = end;
    }
    return true;
}

bool ByteInput::byte(uint8_t& value) {
    if (!refill()) {
        return false;
    }
    value = static_cast<uint8_t>(*at_++);
    ++consumed_;
    return true;
}

bool ByteInput::bytes(uint64_t count, std::vector<uint8_t>& out) {
    // Reserved, not touched: pages are used only as the bytes arrive, and a long vector is not
    // copied as it grows. Beyond 64 MiB the length is not taken on trust: the vector grows.
    constexpr uint64_t kMaxReserve = uint64_t{64} << 20;
    out.reserve(out.size() + static_cast<size_t>(std::min(count, kMaxReserve)));
    while (count > 0) {
        if (!refill()) {
            return false;
        }
        const auto take =
            static_cast<size_t>(std::min<uint64_t>(count, static_cast<uint64_t>(end_ - at_)));
        out.insert(out.end(), reinterpret_cast<const uint8_t*>(at_),
                   reinterpret_cast<const uint8_t*>(at_) + take);
        at_ += take;
        consumed_ += take;
        count -= take;
    }
    return true;
}

bool ByteInput::piece(uint64_t most, const uint8_t*& data, size_t& size) {
    if (most == 0 || !refill()) {
        return false;
    }
    size = static_cast<size_t>(std::min<uint64_t>(most, static_cast<uint64_t>(end_ - at_)));
    data = reinterpret_cast<const uint8_t*>(at_);
    at_ += size;
    consumed_ += size;
    return true;
}

bool ByteInput::number(int size, uint32_t& value) {
    value = 0;
    for (int i = 0; i < size; ++i) {
        uint8_t b = 0;
        if (!byte(b)) {
            return false;
        }
        value = value << 8 | b;
    }
    return true;
}

}  // namespace kelxsvf
