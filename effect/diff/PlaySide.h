// One file being played for diff, its events taken one at a time.
#ifndef KELSVF_CHECK_PLAY_SIDE_H
#define KELSVF_CHECK_PLAY_SIDE_H

#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "EffectDiff.h"
#include "EffectQueue.h"
#include "HandedEvents.h"

namespace kelsvf::check::diff {

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

    // The next event, where this side keeps it: valid, and not changed, until the next call;
    // null when the file has no more.
    Effect* next();

    // The clocks and waits at the end of the file (after next() returned false).
    Effect atEnd() const {
        Effect end;
        const PlaySummary summary = player_.summary();
        end.spent->clocks = summary.clocksInState;
        end.spent->waits = summary.minimumWaitMicroseconds;
        end.spent->run = summary.runMicroseconds;
        return end;
    }

    // Gives the event next() gave back, to be the next again.
    void holdBack() { held_ = true; }

    // Where the stretch up to `effect` began: the line of the event before it.
    uint64_t previousLine() const { return previous_.line; }
    const Effect& previous() const { return previous_; }
    // Only its place, clocks and waits are needed from here on: they are taken, and `effect`
    // keeps its buffers to be filled by next().
    void passed(Effect& effect) { movePlaceAndCounts(effect, previous_); }

    // After stop(): what the file's play counted.
    PlaySummary summary() const { return player_.summary(); }
    // The reader's error, once the comparison has come to it.
    const std::optional<Finding>& readerError() const;
    // The thread that plays ahead stopped, where one does.
    void stop() { stopAhead(); }

  private:
    // Batches of this many events at most, or of this many value bytes: each hand-over wakes a
    // thread, which costs more than a thousand small events. A slot keeps buffers of up to
    // kSlotBytes for the next event. Three batches at most are in use: bounded memory.
    static constexpr size_t kBatchEvents = 1024;
    static constexpr size_t kBatchBytes = 1024 * 1024;
    static constexpr size_t kSlotBytes = 512;

    void startAhead();

    void stopAhead();

    // The player's thread: plays the file, hands its events over.
    void playAhead();

    // Waits until the batch handed over before is taken; false when the comparison stopped.
    bool handOver(HandedBatch& filling);

    Effect* takeAhead();

    bool nextBatch();

    EffectQueue queue_;
    ChainPlayer player_;
    StatementSource& reader_;
    bool ended_ = false;
    // The comparison's side, on cache lines of its own: the player's thread writes the queue's
    // counts on every event.
    alignas(64) Effect* current_ = nullptr;  // what next() gave last
    bool held_ = false;
    Effect previous_;

    // Playing ahead: the thread and the batch it hands over, under mutex_.
    alignas(64) std::thread worker_;
    std::mutex mutex_;
    std::condition_variable changed_;
    HandedBatch ready_;
    size_t readyCount_ = 0;
    bool workerEnded_ = false;
    bool stopping_ = false;
    std::exception_ptr failure_;
    uint64_t errorAfter_ = 0;  // events complete before the statement of the reader's error
    // The comparison's side: the batch it takes from, and how far it came.
    alignas(64) HandedBatch reading_;
    EventUnpacker unpacker_;
    Effect taken_;                 // the short event taken last, out of reading_
    Effect* lastTaken_ = nullptr;  // a large one in reading_, its buffers given up at the next take
    size_t readAt_ = 0;            // in reading_'s bytes
    size_t readEvents_ = 0;
    size_t readCount_ = 0;
    uint64_t takenCount_ = 0;
    bool endTaken_ = false;
    bool aheadEnded_ = false;  // the thread has been joined
};

}  // namespace kelsvf::check::diff

#endif  // KELSVF_CHECK_PLAY_SIDE_H
