// The events of a file played ahead, as its thread hands them to the comparison's. Every byte
// that one core writes and the other reads costs a transfer between their caches, which on some
// machines is dearer than playing the event: so a short event is written packed into one run of
// bytes, with only the clocks and waits that changed since the short event before it. Any other
// event (a long value, line maps, many sources) is kept as an Effect of its own beside the batch.
#ifndef KELSVF_CHECK_HANDED_EVENTS_H
#define KELSVF_CHECK_HANDED_EVENTS_H

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "DiffEvents.h"

namespace kelsvf::check::diff {

// A batch of events, in the order the file gave them.
struct HandedBatch {
    std::vector<uint8_t> bytes;  // the events packed, one after another
    size_t used = 0;
    std::vector<Effect> large;  // the events that are not short, in order
    size_t largeCount = 0;
    size_t count = 0;  // events, short and large

    void clear() {
        used = 0;
        largeCount = 0;
        count = 0;
    }
};

// What the packing and the unpacking share: the form of a packed event. The counts of an event
// are sent as they differ from the last short event's; both sides keep those, for both handle the
// same events in the same order.
class HandedForm {
  protected:
    static constexpr uint64_t kShortBits = 256;
    static constexpr size_t kShortSources = 4;
    static constexpr uint32_t kShort = UINT32_MAX;
    static constexpr uint8_t kTdo = 1;
    static constexpr uint8_t kIr = 2;

    struct Header {
        uint64_t line = 0;
        uint64_t bitCount = 0;
        uint64_t capture = 0;
        uint64_t captureOffset = 0;
        uint32_t device = 0;
        uint32_t large = kShort;  // else the event's index among the batch's large ones
        uint16_t valueBits = 0;
        uint16_t maskBits = 0;
        uint8_t flags = 0;
        uint8_t sourceCount = 0;
    };
    static constexpr size_t kClocks = std::tuple_size_v<Clocks>;
    static constexpr size_t kRuns = std::tuple_size_v<decltype(Spent::run)>;
    static_assert(kClocks + 1 + kRuns <= 64, "one bit of the change mask for each count");
    static constexpr size_t kMostBytes = sizeof(Header) + sizeof(uint64_t) + sizeof(Spent) +
                                         2 * (kShortBits / 8) + kShortSources * sizeof(ValueSource);

    template <typename T>
    static uint8_t* put(uint8_t* at, const T& value) {
        std::memcpy(at, &value, sizeof(T));
        return at + sizeof(T);
    }
    template <typename T>
    static const uint8_t* get(const uint8_t* from, T& value) {
        std::memcpy(&value, from, sizeof(T));
        return from + sizeof(T);
    }
    static uint8_t* putBytes(uint8_t* at, const void* bytes, size_t size) {
        if (size != 0) {
            std::memcpy(at, bytes, size);
        }
        return at + size;
    }

    Spent sent_;  // the counts of the last short event packed or unpacked on this side
};

// Packs the events of the file played ahead, on its thread.
class EventPacker : HandedForm {
  public:
    // The next event of `batch`: packed where it is short (nullptr back); else the large slot
    // for the caller to move `effect` into.
    Effect* handIn(HandedBatch& batch, const Effect& effect) {
        ++batch.count;
        const bool isShort = !effect.value.isLong() && !effect.mask.isLong() &&
                             effect.digitLines.empty() && effect.value.bitCount() <= kShortBits &&
                             effect.mask.bitCount() <= kShortBits &&
                             effect.sources.size() <= kShortSources;
        if (staged_ + kMostBytes > kStagingBytes) {
            flush(batch, false);
        }
        uint8_t* const start = staging_.data() + staged_;
        uint8_t* at = start;
        Header header{};
        if (!isShort) {
            header.large = static_cast<uint32_t>(batch.largeCount);
            at = put(at, header);
            staged_ += static_cast<size_t>(at - start);
            if (batch.largeCount == batch.large.size()) {
                batch.large.emplace_back();
            }
            return &batch.large[batch.largeCount++];
        }
        header.line = effect.line;
        header.bitCount = effect.bitCount;
        header.capture = effect.capture;
        header.captureOffset = effect.captureOffset;
        header.device = effect.device;
        header.valueBits = static_cast<uint16_t>(effect.value.bitCount());
        header.maskBits = static_cast<uint16_t>(effect.mask.bitCount());
        header.flags = static_cast<uint8_t>((effect.tdo ? kTdo : 0) | (effect.ir ? kIr : 0));
        header.sourceCount = static_cast<uint8_t>(effect.sources.size());
        at = put(at, header);
        at = putSpent(at, *effect.spent);
        at = putBytes(at, effect.value.memory(), bytesFor(header.valueBits));
        at = putBytes(at, effect.mask.memory(), bytesFor(header.maskBits));
        at = putBytes(at, effect.sources.data(), effect.sources.size() * sizeof(ValueSource));
        staged_ += static_cast<size_t>(at - start);
        return nullptr;
    }

    // Everything packed is in `batch`, and visible to the thread that takes it next.
    void finish(HandedBatch& batch) { flush(batch, true); }

  private:
    static constexpr size_t kStagingBytes = 8192;

    // The counts that differ from the last short event's: a mask, then those counts.
    uint8_t* putSpent(uint8_t* at, const Spent& spent) {
        uint8_t* maskAt = at;
        at += sizeof(uint64_t);
        uint64_t changed = 0;
        for (size_t i = 0; i < kClocks; ++i) {
            if (spent.clocks[i] != sent_.clocks[i]) {
                changed |= uint64_t{1} << i;
                at = put(at, spent.clocks[i]);
            }
        }
        if (spent.waits != sent_.waits) {
            changed |= uint64_t{1} << kClocks;
            at = put(at, spent.waits);
        }
        for (size_t i = 0; i < kRuns; ++i) {
            // Compared as bytes: a wait total is never NaN, and -0 is not +0 to a report.
            if (std::memcmp(&spent.run[i], &sent_.run[i], sizeof(double)) != 0) {
                changed |= uint64_t{1} << (kClocks + 1 + i);
                at = put(at, spent.run[i]);
            }
        }
        put(maskAt, changed);
        sent_ = spent;
        return at;
    }
    // Packed events are staged here, in this core's cache, and moved into the batch a run of
    // whole cache lines at a time by stores that bypass the cache: the batch's lines were last
    // read by the other core, and an ordinary store would first have to fetch each one from it.
    void flush(HandedBatch& batch, bool all) {
        constexpr size_t kLine = 64;
        const size_t size = all ? (staged_ + 15) / 16 * 16 : staged_ / kLine * kLine;
        if (batch.bytes.size() < batch.used + size) {
            batch.bytes.resize(std::max(batch.used + size, 2 * batch.bytes.size()));
        }
        std::memset(staging_.data() + staged_, 0, size > staged_ ? size - staged_ : 0);
        uint8_t* to = batch.bytes.data() + batch.used;
#if defined(__x86_64__)
        if (reinterpret_cast<uintptr_t>(to) % 16 == 0) {
            for (size_t i = 0; i < size; i += 16) {
                _mm_stream_si128(reinterpret_cast<__m128i*>(to + i),
                                 _mm_load_si128(reinterpret_cast<const __m128i*>(&staging_[i])));
            }
            if (all) {
                _mm_sfence();  // the streamed bytes reach memory before the batch is handed on
            }
        } else {
            std::memcpy(to, staging_.data(), size);
        }
#else
        std::memcpy(to, staging_.data(), size);
#endif
        batch.used += size;
        const size_t rest = size < staged_ ? staged_ - size : 0;
        std::memmove(staging_.data(), staging_.data() + size, rest);
        staged_ = rest;
    }

    alignas(64) std::array<uint8_t, kStagingBytes> staging_{};
    size_t staged_ = 0;
};

// Unpacks them, on the comparison's thread.
class EventUnpacker : HandedForm {
  public:
    // The event at `at` of `batch`: unpacked into `effect` (whose buffers it reuses) where it is
    // short, and `effect` back; else its large slot. `at` moves past it.
    Effect* takeOut(HandedBatch& batch, size_t& at, Effect& effect) {
        const uint8_t* from = batch.bytes.data() + at;
        Header header;
        from = get(from, header);
        if (header.large != kShort) {
            at = static_cast<size_t>(from - batch.bytes.data());
            return &batch.large[header.large];
        }
        effect.tdo = (header.flags & kTdo) != 0;
        effect.ir = (header.flags & kIr) != 0;
        effect.line = header.line;
        effect.device = header.device;
        effect.bitCount = header.bitCount;
        effect.capture = header.capture;
        effect.captureOffset = header.captureOffset;
        from = getSpent(from, *effect.spent);
        effect.value.assignShort(from, header.valueBits);
        from += bytesFor(header.valueBits);
        effect.mask.assignShort(from, header.maskBits);
        from += bytesFor(header.maskBits);
        effect.sources.resize(header.sourceCount);
        if (header.sourceCount != 0) {
            std::memcpy(effect.sources.data(), from, header.sourceCount * sizeof(ValueSource));
        }
        from += header.sourceCount * sizeof(ValueSource);
        effect.digitLines.clear();
        at = static_cast<size_t>(from - batch.bytes.data());
        return &effect;
    }

  private:
    const uint8_t* getSpent(const uint8_t* from, Spent& spent) {
        uint64_t changed = 0;
        from = get(from, changed);
        for (; changed != 0; changed &= changed - 1) {
            const auto index = static_cast<size_t>(std::countr_zero(changed));
            if (index < kClocks) {
                from = get(from, sent_.clocks[index]);
            } else if (index == kClocks) {
                from = get(from, sent_.waits);
            } else {
                from = get(from, sent_.run[index - kClocks - 1]);
            }
        }
        spent = sent_;
        return from;
    }
};

}  // namespace kelsvf::check::diff

#endif  // KELSVF_CHECK_HANDED_EVENTS_H
