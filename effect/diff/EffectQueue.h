#ifndef KELSVF_CHECK_EFFECT_QUEUE_H
#define KELSVF_CHECK_EFFECT_QUEUE_H

#include <algorithm>
#include <optional>
#include <vector>

#include "ChainPlayer.h"
#include "DiffEvents.h"

namespace kelsvf::check::diff {

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
                keepSpent(open);
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
    // The oldest event, left in its slot: valid until the next push.
    Effect& popFront() {
        Effect& effect = slots_[head_];
        head_ = (head_ + 1) % slots_.size();
        --count_;
        return effect;
    }
    // The oldest event, left in its slot: valid until it is popped.
    const Effect& front() const { return slots_[head_]; }
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
        keepSpent(effect);
        return effect;
    }

    void keepSpent(Effect& effect) const {
        if (!effect.spent) {
            effect.spent = std::make_unique<Spent>();
        }
        Spent& spent = *effect.spent;
        spent.clocks = player_->clocksInState();
        spent.waits = player_->minimumWaitMicroseconds();
        spent.run = player_->runMicroseconds();
    }

    const ChainPlayer* player_ = nullptr;
    std::vector<Effect> slots_;
    size_t head_ = 0;
    size_t count_ = 0;
    bool open_ = false;  // the newest slot is a check still being joined
    uint64_t openEnd_ = 0;
};

}  // namespace kelsvf::check::diff

#endif  // KELSVF_CHECK_EFFECT_QUEUE_H
