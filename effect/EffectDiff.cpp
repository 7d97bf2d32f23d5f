#include "EffectDiff.h"

#include <pthread.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "BitBuffer.h"
#include "report/ValueText.h"

namespace kelsvf::check {
namespace {

using Clocks = std::array<Count, 16>;

// A value kept past its event: a short one's bytes (the bits past its end clear), a long one a
// rope of the scans' own slices, never copied.
class Kept {
  public:
    void keep(const BitValue& value) {
        bitCount_ = value.bitCount();
        rope_.reset();
        if (bitCount_ > kBlockBits) {
            rope_ = std::make_unique<BitRope>(value.keep());
            return;
        }
        if (const uint8_t* whole = value.memory()) {
            bytes_.assign(whole, whole + bytesFor(bitCount_));
            clearTail(bytes_, bitCount_);
            return;
        }
        bytes_.resize(bytesFor(bitCount_));
        requireRead(value.read(0, bitCount_, bytes_.data()));
    }
    void keepOnes(uint64_t bitCount) {
        bitCount_ = bitCount;
        rope_.reset();
        if (bitCount > kBlockBits) {
            rope_ = std::make_unique<BitRope>();
            kelsvf::check::append(*rope_, Bits::ones(bitCount));
            return;
        }
        bytes_.assign(bytesFor(bitCount), 0xFF);
        clearTail(bytes_, bitCount);
    }
    // `more` after these bits, or zeros when null.
    void append(const Kept* more, uint64_t bitCount) {
        if (!rope_ && (more == nullptr || !more->rope_) && bitCount_ + bitCount <= kBlockBits) {
            bytes_.resize(bytesFor(bitCount_ + bitCount), 0);
            if (more != nullptr) {
                copyBits(bytes_.data(), bitCount_, more->bytes_.data(), 0, bitCount);
            }
            bitCount_ += bitCount;
            return;
        }
        toRope();
        if (more == nullptr) {
            kelsvf::check::append(*rope_, Bits::zeros(bitCount));
        } else if (more->rope_) {
            kelsvf::check::append(*rope_, *more->rope_);
        } else {
            kelsvf::check::append(*rope_, Bits::fromBytes(more->bytes_, bitCount));
        }
        bitCount_ += bitCount;
    }
    bool read(uint64_t first, uint64_t count, uint8_t* out) const {
        return rope_ ? rope_->read(first, count, out)
                     : BitValue(bytes_, bitCount_).read(first, count, out);
    }
    // The bytes of a short value.
    const uint8_t* memory() const { return rope_ ? nullptr : bytes_.data(); }
    // A long value known to be zeros without reading it.
    bool allZeros() const { return rope_ && rope_->allZeros(); }
    // Empty, keeping the buffer for the next value.
    void clear() {
        bytes_.clear();
        rope_.reset();
        bitCount_ = 0;
    }
    void swap(Kept& other) noexcept {
        bytes_.swap(other.bytes_);
        rope_.swap(other.rope_);
        std::swap(bitCount_, other.bitCount_);
    }
    void releaseIfLarge(size_t most) {
        if (bytes_.capacity() > most) {
            std::vector<uint8_t>().swap(bytes_);
        }
    }

  private:
    void toRope() {
        if (!rope_) {
            rope_ = std::make_unique<BitRope>();
            if (bitCount_ != 0) {
                kelsvf::check::append(*rope_, Bits::fromBytes(std::move(bytes_), bitCount_));
            }
            bytes_ = {};
        }
    }

    std::vector<uint8_t> bytes_;
    std::unique_ptr<BitRope> rope_;  // a long value's; none for a short one
    uint64_t bitCount_ = 0;
};

// One event of a file's effect, with the clocks and waits the file had spent when it came.
struct Effect {
    bool tdo = false;  // a TDO check, else a register update
    uint64_t line = 0;
    uint32_t device = 0;
    bool ir = false;
    uint64_t bitCount = 0;
    Kept value;  // the update's value; a check's expected bits, compared under its mask
    Kept mask;   // a check's mask (every bit compared: all ones)
    // A check's capture, and its first bit in what the registers took since then: the checks
    // of the pieces of one scan, continued through a pause, are one check.
    uint64_t capture = 0;
    uint64_t captureOffset = 0;
    std::vector<ValueSource> sources;  // an update's: the statements its bits came from
    // An update's bits written over several lines, with their line maps kept.
    struct DigitLinesKept {
        ValueDigitLines bits;
        std::shared_ptr<const kelsvfreader::DigitLines> lines;
    };
    std::vector<DigitLinesKept> digitLines;
    Clocks clocks{};
    Count waits = 0;
    std::array<double, 16> run{};  // RUNTEST time in each run state, in microseconds
};

std::string bitsText(uint64_t bitCount) {
    return std::to_string(bitCount) + (bitCount == 1 ? " bit" : " bits");
}

// The bits an effect compares: an update's value; a check's expected bits under its mask.
ReadBits comparedBits(const Effect& effect) {
    return [&effect](uint64_t first, uint64_t count, uint8_t* out) {
        if (!effect.value.read(first, count, out)) {
            return false;
        }
        if (!effect.tdo) {
            return true;
        }
        thread_local std::vector<uint8_t> mask;
        mask.assign(bytesFor(count), 0);
        if (!effect.mask.read(first, count, mask.data())) {
            return false;
        }
        for (size_t i = 0; i < mask.size(); ++i) {
            out[i] = static_cast<uint8_t>(out[i] & mask[i]);
        }
        return true;
    };
}

ReadBits maskBits(const Effect& effect) {
    return [&effect](uint64_t first, uint64_t count, uint8_t* out) {
        return effect.mask.read(first, count, out);
    };
}

// A shortened value is told apart from another by its digest.
std::string shownValue(const ReadBits& bits, uint64_t bitCount) {
    std::string text = valueTextOf(bits, bitCount);
    if (isShortened(bitCount)) {
        text += " sha256 " + digestTextOf(bits, bitCount);
    }
    return text;
}

std::string effectValueText(const Effect& effect) {
    if (!effect.tdo) {
        return shownValue(comparedBits(effect), effect.bitCount);
    }
    return shownValue(comparedBits(effect), effect.bitCount) + " under mask " +
           shownValue(maskBits(effect), effect.bitCount);
}

// The lowest bit at which two values of `bitCount` bits differ, when they do; block by block,
// every bit.
std::optional<uint64_t> firstDifference(const ReadBits& a, const ReadBits& b, uint64_t bitCount) {
    std::vector<uint8_t> blockA;
    std::vector<uint8_t> blockB;
    for (uint64_t first = 0; first < bitCount; first += kBlockBits) {
        const uint64_t count = std::min(kBlockBits, bitCount - first);
        blockA.assign(bytesFor(count), 0);
        blockB.assign(bytesFor(count), 0);
        requireRead(a(first, count, blockA.data()) && b(first, count, blockB.data()));
        if (std::memcmp(blockA.data(), blockB.data(), blockA.size()) == 0) {
            continue;  // the common case, word-wide
        }
        const auto [inA, inB] = std::mismatch(blockA.begin(), blockA.end(), blockB.begin());
        if (inA != blockA.end()) {
            const auto byte = static_cast<uint64_t>(inA - blockA.begin());
            return first + byte * 8 +
                   static_cast<uint64_t>(std::countr_zero(static_cast<unsigned>(*inA ^ *inB)));
        }
    }
    return std::nullopt;
}

// The first bit at which what two effects of one length compare differs: the bits or the mask.
std::optional<uint64_t> firstDifference(const Effect& a, const Effect& b) {
    if (!a.tdo && a.value.allZeros() && b.value.allZeros()) {
        return std::nullopt;  // "TDI (0)" of the same length in both: nothing to read
    }
    // Short values in memory, the common case, byte by byte without a copy.
    const uint8_t* valueA = a.value.memory();
    const uint8_t* valueB = b.value.memory();
    const uint8_t* maskA = a.tdo ? a.mask.memory() : nullptr;
    const uint8_t* maskB = b.tdo ? b.mask.memory() : nullptr;
    if (valueA != nullptr && valueB != nullptr &&
        (!a.tdo || (maskA != nullptr && maskB != nullptr))) {
        const size_t bytes = bytesFor(a.bitCount);
        for (size_t i = 0; i < bytes; ++i) {
            const unsigned inA = a.tdo ? valueA[i] & maskA[i] : valueA[i];
            const unsigned inB = b.tdo ? valueB[i] & maskB[i] : valueB[i];
            unsigned differ = (inA ^ inB) | (a.tdo ? maskA[i] ^ maskB[i] : 0u);
            if (i + 1 == bytes && a.bitCount % 8 != 0) {
                differ &= (1u << (a.bitCount % 8)) - 1u;
            }
            if (differ != 0) {
                return uint64_t{i} * 8 + static_cast<uint64_t>(std::countr_zero(differ));
            }
        }
        return std::nullopt;
    }
    std::optional<uint64_t> at = firstDifference(comparedBits(a), comparedBits(b), a.bitCount);
    if (a.tdo && b.tdo) {
        const std::optional<uint64_t> inMask =
            firstDifference(maskBits(a), maskBits(b), a.bitCount);
        if (inMask && (!at || *inMask < *at)) {
            at = inMask;
        }
    }
    return at;
}

// Moves `from` into `to`, whose buffers `from` keeps for a later event unless they are larger
// than `most` bytes.
void moveEffect(Effect& from, Effect& to, size_t most) {
    to.tdo = from.tdo;
    to.line = from.line;
    to.device = from.device;
    to.ir = from.ir;
    to.bitCount = from.bitCount;
    to.clocks = from.clocks;
    to.waits = from.waits;
    to.run = from.run;
    to.capture = from.capture;
    to.captureOffset = from.captureOffset;
    to.value.swap(from.value);
    to.mask.swap(from.mask);
    to.sources.swap(from.sources);
    if (!from.digitLines.empty() || !to.digitLines.empty()) {
        to.digitLines.swap(from.digitLines);
        from.digitLines.clear();
    }
    from.value.releaseIfLarge(most);
    from.mask.releaseIfLarge(most);
    if (from.sources.capacity() * sizeof(ValueSource) > most) {
        std::vector<ValueSource>().swap(from.sources);
    }
}

// Keeps the events of one file until the comparison takes them; the checks of one capture
// become one. The events live in a ring whose slots keep their buffers, so that a file of many
// small events allocates nothing per event.
class EffectQueue : public PlaySink {
  public:
    void attach(const ChainPlayer& player) { player_ = &player; }

    void deviceUpdate(const DeviceUpdate& update) override {
        closeCheck();
        Effect& effect = push(update.line);
        effect.device = update.device;
        effect.ir = update.ir;
        effect.bitCount = update.bitCount;
        effect.value.keep(update.value);
        effect.sources.assign(update.sources.begin(), update.sources.end());
        for (const ValueDigitLines& bits : update.digitLines) {
            effect.digitLines.push_back({bits, bits.lines->shared_from_this()});
        }
    }

    void tdoCheck(const TdoCheck& check) override {
        if (open_) {
            Effect& open = newest();
            if (open.ir == check.ir && open.capture == check.captureNumber &&
                check.captureOffset >= openEnd_) {
                // A piece of the same capture: the bits between are compared by neither file.
                Kept expected;
                Kept mask;
                keepCheck(check, expected, mask);
                const uint64_t gap = check.captureOffset - openEnd_;
                if (gap != 0) {
                    open.value.append(nullptr, gap);
                    open.mask.append(nullptr, gap);
                }
                open.value.append(&expected, check.bitCount);
                open.mask.append(&mask, check.bitCount);
                open.bitCount += gap + check.bitCount;
                open.clocks = player_->clocksInState();
                open.waits = player_->minimumWaitMicroseconds();
                open.run = player_->runMicroseconds();
                openEnd_ = check.captureOffset + check.bitCount;
                return;
            }
            closeCheck();
        }
        Effect& effect = push(check.line);
        effect.tdo = true;
        effect.ir = check.ir;
        effect.bitCount = check.bitCount;
        keepCheck(check, effect.value, effect.mask);
        effect.capture = check.captureNumber;
        effect.captureOffset = check.captureOffset;
        open_ = true;
        openEnd_ = check.captureOffset + check.bitCount;
    }

    void finding(const Finding& finding) override {
        if (finding.kind == kReaderError && !readerError) {
            readerError = finding;
        }
    }

    // The check being joined is complete: something else happened, or the file ended.
    void closeCheck() { open_ = false; }

    // A check still being joined is not yet an event.
    bool empty() const { return count_ == (open_ ? 1u : 0u); }
    // The oldest event into `effect`, whose buffers the slot keeps for a later event.
    void pop(Effect& effect) {
        moveEffect(slots_[head_], effect, kKeptBytes);
        head_ = (head_ + 1) % slots_.size();
        --count_;
    }
    // Events complete (a check being joined is not).
    size_t ready() const { return count_ - (open_ ? 1u : 0u); }

    std::optional<Finding> readerError;

  private:
    static constexpr size_t kKeptBytes = 64 * 1024;

    Effect& newest() { return slots_[(head_ + count_ - 1) % slots_.size()]; }

    static void keepCheck(const TdoCheck& check, Kept& expected, Kept& mask) {
        expected.keep(check.expected);
        if (check.mask.empty()) {
            mask.keepOnes(check.bitCount);
        } else {
            mask.keep(check.mask);
        }
    }

    Effect& push(uint64_t line) {
        if (count_ == slots_.size()) {
            std::rotate(slots_.begin(), slots_.begin() + static_cast<std::ptrdiff_t>(head_),
                        slots_.end());
            head_ = 0;
            slots_.emplace_back();
        }
        Effect& effect = slots_[(head_ + count_) % slots_.size()];
        ++count_;
        effect.tdo = false;
        effect.capture = 0;
        effect.captureOffset = 0;
        effect.line = line;
        effect.device = 0;
        effect.ir = false;
        effect.bitCount = 0;
        effect.value.clear();
        effect.mask.clear();
        effect.sources.clear();
        effect.digitLines.clear();
        effect.clocks = player_->clocksInState();
        effect.waits = player_->minimumWaitMicroseconds();
        effect.run = player_->runMicroseconds();
        return effect;
    }

    const ChainPlayer* player_ = nullptr;
    std::vector<Effect> slots_;
    size_t head_ = 0;
    size_t count_ = 0;
    bool open_ = false;  // the newest slot is a check still being joined
    uint64_t openEnd_ = 0;
};

// One file being played: its events one at a time, and where the last one left it. With
// `ahead`, the file is played on a thread of its own, which hands its events over in batches; the
// comparison sees the same events, and the same reader error at the same point, as when it plays
// the file itself, one statement when it needs the next event.
class Side {
  public:
    Side(const ChainDescription& chain, const EffectDiffOptions& options, StatementSource& reader,
         bool ahead)
        : player_(chain, queue_, PlayOptions{options.frequencyHz}), reader_(reader) {
        queue_.attach(player_);
        if (ahead) {
            startAhead();
        }
    }
    ~Side() { stopAhead(); }
    Side(const Side&) = delete;
    Side& operator=(const Side&) = delete;

    // The next event; false when the file has no more.
    bool next(Effect& effect) {
        if (held_) {
            effect = std::move(*held_);
            held_.reset();
            return true;
        }
        if (worker_.joinable() || aheadEnded_) {
            return takeAhead(effect);
        }
        while (queue_.empty() && !ended_) {
            ended_ = !player_.playNext(reader_);
            if (ended_) {
                queue_.closeCheck();
            }
        }
        if (queue_.empty()) {
            return false;
        }
        queue_.pop(effect);
        return true;
    }

    // The clocks and waits at the end of the file (after next() returned false).
    Effect atEnd() const {
        Effect end;
        const PlaySummary summary = player_.summary();
        end.clocks = summary.clocksInState;
        end.waits = summary.minimumWaitMicroseconds;
        end.run = summary.runMicroseconds;
        return end;
    }

    // Gives `effect` back, to be the next again.
    void holdBack(Effect effect) { held_ = std::move(effect); }

    // Where the stretch up to `effect` began: the line of the event before it.
    uint64_t previousLine() const { return previous_.line; }
    const Effect& previous() const { return previous_; }
    // Only its place, clocks and waits are needed from here on; the caller keeps its buffers.
    void passed(const Effect& effect) {
        previous_.tdo = effect.tdo;
        previous_.line = effect.line;
        previous_.device = effect.device;
        previous_.ir = effect.ir;
        previous_.bitCount = effect.bitCount;
        previous_.clocks = effect.clocks;
        previous_.waits = effect.waits;
        previous_.run = effect.run;
    }

    // After stop(): what the file's play counted.
    PlaySummary summary() const { return player_.summary(); }
    // The reader's error, once the comparison has come to it.
    const std::optional<Finding>& readerError() const {
        static const std::optional<Finding> kNone;
        if (!aheadEnded_ && !worker_.joinable()) {
            return queue_.readerError;
        }
        return queue_.readerError && (endTaken_ || errorAfter_ < taken_) ? queue_.readerError
                                                                         : kNone;
    }
    // The thread that plays ahead stopped, where one does.
    void stop() { stopAhead(); }

  private:
    // Batches of this many events at most, or of this many value bytes; a slot keeps buffers of
    // up to kSlotBytes for the next event. Three batches at most are in use: bounded memory.
    static constexpr size_t kBatchEvents = 128;
    static constexpr size_t kBatchBytes = 256 * 1024;
    static constexpr size_t kSlotBytes = 4096;

    void startAhead() {
        // Signals go to the main thread, whose handlers clean up; the player thread takes none.
        sigset_t all;
        sigset_t before;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, &before);
        try {
            worker_ = std::thread([this] { playAhead(); });
        } catch (const std::system_error&) {
            // no thread to be had: played in turn
        }
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
    }

    void stopAhead() {
        if (!worker_.joinable()) {
            return;
        }
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        worker_.join();
        aheadEnded_ = true;
    }

    // The player's thread: plays the file, hands its events over.
    void playAhead() {
        std::vector<Effect> filling;
        size_t count = 0;
        size_t bytes = 0;
        uint64_t handed = 0;
        bool more = true;
        try {
            while (more) {
                // The events complete before this statement: a reader error in it is seen by
                // a comparison that asks for more than these.
                const uint64_t readyBefore = handed + count + queue_.ready();
                const bool hadError = queue_.readerError.has_value();
                more = player_.playNext(reader_);
                if (!hadError && queue_.readerError) {
                    errorAfter_ = readyBefore;
                }
                if (!more) {
                    queue_.closeCheck();
                }
                while (!queue_.empty()) {
                    if (count == filling.size()) {
                        filling.emplace_back();
                    }
                    Effect& effect = filling[count++];
                    queue_.pop(effect);
                    bytes += bytesFor(std::min(effect.bitCount, kBlockBits)) * (effect.tdo ? 2 : 1);
                }
                if (!more || count >= kBatchEvents || bytes >= kBatchBytes) {
                    if (!handOver(filling, count)) {
                        return;
                    }
                    handed += count;
                    count = 0;
                    bytes = 0;
                }
            }
        } catch (...) {
            const std::lock_guard<std::mutex> lock(mutex_);
            failure_ = std::current_exception();
        }
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            workerEnded_ = true;
        }
        changed_.notify_all();
    }

    // Waits until the batch handed over before is taken; false when the comparison stopped.
    bool handOver(std::vector<Effect>& filling, size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return stopping_ || readyCount_ == 0; });
        if (stopping_) {
            return false;
        }
        ready_.swap(filling);
        readyCount_ = count;
        lock.unlock();
        changed_.notify_all();
        return true;
    }

    bool takeAhead(Effect& effect) {
        if (readAt_ == readCount_) {
            if (!nextBatch()) {
                return false;
            }
        }
        moveEffect(reading_[readAt_++], effect, kSlotBytes);
        ++taken_;
        return true;
    }

    bool nextBatch() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return readyCount_ != 0 || workerEnded_ || stopping_; });
        if (readyCount_ == 0) {
            const std::exception_ptr failure = failure_;
            lock.unlock();
            stopAhead();
            endTaken_ = true;
            if (failure) {
                std::rethrow_exception(failure);
            }
            return false;
        }
        reading_.swap(ready_);
        readCount_ = readyCount_;
        readyCount_ = 0;
        readAt_ = 0;
        lock.unlock();
        changed_.notify_all();
        return true;
    }

    EffectQueue queue_;
    ChainPlayer player_;
    StatementSource& reader_;
    bool ended_ = false;
    std::optional<Effect> held_;
    Effect previous_;

    // Playing ahead: the thread and the batch it hands over, under mutex_.
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Effect> ready_;
    size_t readyCount_ = 0;
    bool workerEnded_ = false;
    bool stopping_ = false;
    std::exception_ptr failure_;
    uint64_t errorAfter_ = 0;  // events complete before the statement of the reader's error
    // The comparison's side: the batch it takes from, and how far it came.
    std::vector<Effect> reading_;
    size_t readAt_ = 0;
    size_t readCount_ = 0;
    uint64_t taken_ = 0;
    bool endTaken_ = false;
    bool aheadEnded_ = false;  // the thread has been joined
};

std::string tdoWhat(bool ir) {
    return ir ? "TDO check of an IR scan" : "TDO check of a DR scan";
}

std::string eventText(const Effect& effect) {
    if (effect.tdo) {
        return tdoWhat(effect.ir) + ", " + bitsText(effect.bitCount) + ": " +
               effectValueText(effect);
    }
    return "device " + std::to_string(effect.device) + (effect.ir ? " instruction " : " data ") +
           effectValueText(effect) + " (" + bitsText(effect.bitCount) + ")";
}

// Every bit compared: no hash, no prefix.
bool sameEvent(const Effect& a, const Effect& b) {
    return a.tdo == b.tdo && a.device == b.device && a.ir == b.ir && a.bitCount == b.bitCount &&
           a.captureOffset == b.captureOffset && !firstDifference(a, b);
}

// The line of the digit that holds bit `bit` of an update, where the statement that shifted it
// wrote it over several lines; else that statement's line; 0 when not known.
uint64_t lineOfBit(const Effect& effect, uint64_t bit) {
    for (const Effect::DigitLinesKept& kept : effect.digitLines) {
        if (bit >= kept.bits.firstBit && bit - kept.bits.firstBit < kept.bits.bitCount) {
            if (const uint64_t line =
                    kept.lines->lineOfBit(kept.bits.tdiBit + (bit - kept.bits.firstBit));
                line != 0) {
                return line;
            }
        }
    }
    uint64_t line = effect.sources.empty() ? effect.line : 0;
    for (const ValueSource& source : effect.sources) {
        if (source.firstBit > bit) {
            break;
        }
        line = source.line;
    }
    return line;
}

// ", first difference at bit 70 (lines 12 | 15)" for long values of one length: the lines of
// the digits that hold that bit in each file (of the statements, for values on one line).
std::string firstDifferenceText(const Effect& a, const Effect& b) {
    if (a.bitCount != b.bitCount || !isShortened(a.bitCount)) {
        return "";
    }
    const std::optional<uint64_t> at = firstDifference(a, b);
    if (!at) {
        return "";
    }
    const auto lineText = [](uint64_t line) {
        return line == 0 ? std::string("captured") : std::to_string(line);
    };
    std::string text = ", first difference at bit " + std::to_string(*at);
    if (!a.tdo) {
        text +=
            " (lines " + lineText(lineOfBit(a, *at)) + " | " + lineText(lineOfBit(b, *at)) + ")";
    }
    return text;
}

EffectDifference eventDifference(const Effect& a, const Effect& b) {
    EffectDifference difference{{a.line, a.line, false}, {b.line, b.line, false}, "", "", ""};
    if (!a.tdo && !b.tdo && a.device == b.device && a.ir == b.ir) {
        difference.what = "device " + std::to_string(a.device) + (a.ir ? " instruction" : " data") +
                          firstDifferenceText(a, b);
        difference.aSide = effectValueText(a) + " (" + bitsText(a.bitCount) + ")";
        difference.bSide = effectValueText(b) + " (" + bitsText(b.bitCount) + ")";
    } else if (a.tdo && b.tdo && a.ir == b.ir) {
        difference.what = tdoWhat(a.ir) + firstDifferenceText(a, b);
        difference.aSide = effectValueText(a) + " (" + bitsText(a.bitCount) + ")";
        difference.bSide = effectValueText(b) + " (" + bitsText(b.bitCount) + ")";
    } else {
        difference.what = "effect";
        difference.aSide = eventText(a);
        difference.bSide = eventText(b);
    }
    return difference;
}

std::string microsecondsText(double microseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f us", microseconds);
    return text;
}

// B's RUNTEST time in each run state of the stretch, where it is shorter than A's. A
// microsecond's fraction is the rounding of clocks at a frequency, not a shorter wait.
void compareRunTimes(const DiffPlace& placeA, const Effect& a, const Effect& previousA,
                     const DiffPlace& placeB, const Effect& b, const Effect& previousB,
                     std::vector<EffectDifference>& out) {
    std::string states;
    std::string aTimes;
    std::string bTimes;
    for (size_t state = 0; state < a.run.size(); ++state) {
        const double inA = a.run[state] - previousA.run[state];
        const double inB = b.run[state] - previousB.run[state];
        if (inB + 0.5 < inA) {
            const char* separator = states.empty() ? "" : ", ";
            states += separator;
            states += kelsvfreader::svfStateName(static_cast<kelsvfreader::TapState>(state));
            aTimes += separator + microsecondsText(inA);
            bTimes += separator + microsecondsText(inB);
        }
    }
    if (!states.empty()) {
        out.push_back({placeA, placeB, "shorter waits in " + states, aTimes, bTimes});
    }
}

// The clocks and waits of the stretches [previous, effect] of both files, when they differ.
void compareStretches(const Side& sideA, const Effect& a, const Side& sideB, const Effect& b,
                      bool atEnd, bool atLeast, std::vector<EffectDifference>& out) {
    const DiffPlace placeA{sideA.previousLine(), a.line, atEnd};
    const DiffPlace placeB{sideB.previousLine(), b.line, atEnd};
    if (atLeast) {
        compareRunTimes(placeA, a, sideA.previous(), placeB, b, sideB.previous(), out);
        return;
    }
    // Both files at the same counts now and at the stretch's start: nothing to compare.
    const auto sameCounts = [](const Clocks& x, const Clocks& y) {
        return std::memcmp(x.data(), y.data(), sizeof x) == 0;  // whole integers: no padding
    };
    const bool sameClocks = sameCounts(a.clocks, b.clocks) &&
                            sameCounts(sideA.previous().clocks, sideB.previous().clocks);
    std::string states;
    std::string aClocks;
    std::string bClocks;
    for (size_t state = 0; state < a.clocks.size() && !sameClocks; ++state) {
        const Count inA = a.clocks[state] - sideA.previous().clocks[state];
        const Count inB = b.clocks[state] - sideB.previous().clocks[state];
        if (inA != inB) {
            const char* separator = states.empty() ? "" : ", ";
            states += separator;
            states += kelsvfreader::svfStateName(static_cast<kelsvfreader::TapState>(state));
            aClocks += separator + countText(inA);
            bClocks += separator + countText(inB);
        }
    }
    if (!states.empty()) {
        out.push_back({placeA, placeB, "clocks in " + states, aClocks, bClocks});
    }
    const Count waitA = a.waits - sideA.previous().waits;
    const Count waitB = b.waits - sideB.previous().waits;
    if (waitA != waitB) {
        out.push_back(
            {placeA, placeB, "minimum waits", countText(waitA) + " us", countText(waitB) + " us"});
    }
}

}  // namespace

EffectDiff::EffectDiff(const ChainDescription& chain, EffectDiffOptions options)
    : chain_(chain), options_(options) {
    if (options_.maxDifferences == 0) {
        options_.maxDifferences = 1;
    }
}

DiffResult EffectDiff::compare(kelsvfreader::SvfReader& a, kelsvfreader::SvfReader& b) const {
    ReaderSource<kelsvfreader::SvfReader> sourceA(a);
    ReaderSource<kelsvfreader::SvfReader> sourceB(b);
    return compare(sourceA, sourceB);
}

DiffResult EffectDiff::compare(StatementSource& a, StatementSource& b) const {
    DiffResult result;
    try {
        // File B plays on a second core while this thread plays A and compares.
        const bool ahead = options_.playInParallel && std::thread::hardware_concurrency() > 1;
        Side sideA(chain_, options_, a, false);
        Side sideB(chain_, options_, b, ahead);
        std::vector<EffectDifference>& found = result.differences;
        size_t delivered = 0;
        const auto deliver = [&] {
            for (; delivered < found.size() && delivered < options_.maxDifferences; ++delivered) {
                if (options_.onDifference) {
                    options_.onDifference(found[delivered]);
                }
            }
        };
        Effect effectA;
        Effect effectB;
        for (;; deliver()) {
            const bool moreA = sideA.next(effectA);
            const bool moreB = sideB.next(effectB);
            if (!moreA && !moreB) {
                compareStretches(sideA, sideA.atEnd(), sideB, sideB.atEnd(), true,
                                 options_.waitsAtLeast, found);
                break;
            }
            if (moreA != moreB && (moreA ? sideB : sideA).readerError()) {
                break;  // a file ended at an error: that, not what the other does further, is told
            }
            if (moreA != moreB) {
                const Effect& extra = moreA ? effectA : effectB;
                const DiffPlace there{extra.line, extra.line, false};
                const DiffPlace end{(moreA ? sideB : sideA).previousLine(), 0, true};
                found.push_back({moreA ? there : end, moreA ? end : there, "effect",
                                 moreA ? eventText(extra) : "nothing more",
                                 moreA ? "nothing more" : eventText(extra)});
                break;
            }
            if (effectA.tdo != effectB.tdo) {
                // A TDO check in one file only: the other's register update is compared with
                // what comes after the check. The stretches run on from the last events that
                // both files share.
                const Effect& check = effectA.tdo ? effectA : effectB;
                const Effect& update = effectA.tdo ? effectB : effectA;
                const DiffPlace atCheck{check.line, check.line, false};
                const DiffPlace atUpdate{update.line, update.line, false};
                const std::string given =
                    effectValueText(check) + " (" + bitsText(check.bitCount) + ")";
                found.push_back({effectA.tdo ? atCheck : atUpdate, effectA.tdo ? atUpdate : atCheck,
                                 tdoWhat(check.ir), effectA.tdo ? given : "none",
                                 effectA.tdo ? "none" : given});
                (effectA.tdo ? sideB : sideA).holdBack(std::move(effectA.tdo ? effectB : effectA));
            } else if (!sameEvent(effectA, effectB)) {
                found.push_back(eventDifference(effectA, effectB));
            } else {
                compareStretches(sideA, effectA, sideB, effectB, false, options_.waitsAtLeast,
                                 found);
            }
            if (effectA.tdo == effectB.tdo) {
                sideA.passed(effectA);
                sideB.passed(effectB);
            }
            if (found.size() >= options_.maxDifferences) {
                result.stoppedEarly = true;
                break;
            }
        }
        deliver();
        sideB.stop();
        if (found.size() > options_.maxDifferences) {
            result.stoppedEarly = true;
            found.resize(options_.maxDifferences);
        }
        result.unreadableA = sideA.readerError();
        result.unreadableB = sideB.readerError();
        result.summaryA = sideA.summary();
        result.summaryB = sideB.summary();
    } catch (const std::exception& error) {
        // Out of memory for an event's text or the queue: reported as the first file's.
        result.unreadableA = Finding{Severity::Error, 0, 0, kReaderError,
                                     std::string("the comparison stopped: ") + error.what()};
    }
    return result;
}

}  // namespace kelsvf::check
