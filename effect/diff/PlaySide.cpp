#include "PlaySide.h"

#include <pthread.h>

#include <csignal>
#include <system_error>

namespace kelsvf::check::diff {

Effect* Side::next() {
    if (held_) {
        held_ = false;
        return current_;
    }
    if (worker_.joinable() || aheadEnded_) {
        current_ = takeAhead();
        return current_;
    }
    while (queue_.empty() && !ended_) {
        ended_ = !player_.playNext(reader_);
        if (ended_) {
            queue_.closeCheck();
        }
    }
    // The event stays in the queue's slot, which only the next play may fill again.
    current_ = queue_.empty() ? nullptr : &queue_.popFront();
    return current_;
}

const std::optional<Finding>& Side::readerError() const {
    static const std::optional<Finding> kNone;
    if (!aheadEnded_ && !worker_.joinable()) {
        return queue_.readerError;
    }
    return queue_.readerError && (endTaken_ || errorAfter_ < takenCount_) ? queue_.readerError
                                                                          : kNone;
}

void Side::startAhead() {
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

void Side::stopAhead() {
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

void Side::playAhead() {
    HandedBatch filling;
    EventPacker packer;
    size_t bytes = 0;
    uint64_t handed = 0;
    bool more = true;
    try {
        while (more) {
            // The events complete before this statement: a reader error in it is seen by
            // a comparison that asks for more than these.
            const uint64_t readyBefore = handed + filling.count + queue_.ready();
            const bool hadError = queue_.readerError.has_value();
            more = player_.playNext(reader_);
            if (!hadError && queue_.readerError) {
                errorAfter_ = readyBefore;
            }
            if (!more) {
                queue_.closeCheck();
            }
            while (!queue_.empty()) {
                const Effect& front = queue_.front();
                bytes += bytesFor(std::min(front.bitCount, kBlockBits)) * (front.tdo ? 2 : 1);
                if (Effect* large = packer.handIn(filling, front)) {
                    queue_.pop(*large);
                } else {
                    queue_.popFront();
                }
            }
            if (!more || filling.count >= kBatchEvents || bytes >= kBatchBytes) {
                const size_t count = filling.count;
                packer.finish(filling);
                if (!handOver(filling)) {
                    return;
                }
                handed += count;
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

bool Side::handOver(HandedBatch& filling) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return stopping_ || readyCount_ == 0; });
    if (stopping_) {
        return false;
    }
    std::swap(ready_, filling);
    readyCount_ = ready_.count;
    filling.clear();
    lock.unlock();
    changed_.notify_all();
    return true;
}

Effect* Side::takeAhead() {
    // The event taken before is done with: the batch, handed back, keeps small buffers only.
    if (lastTaken_ != nullptr) {
        releaseLarge(*lastTaken_, kSlotBytes);
        lastTaken_ = nullptr;
    }
    if (readEvents_ == readCount_ && !nextBatch()) {
        return nullptr;
    }
    ++readEvents_;
    ++takenCount_;
    Effect* effect = unpacker_.takeOut(reading_, readAt_, taken_);
    if (effect != &taken_) {
        lastTaken_ = effect;
    }
    return effect;
}

bool Side::nextBatch() {
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
    std::swap(reading_, ready_);
    readCount_ = readyCount_;
    readyCount_ = 0;
    readAt_ = 0;
    readEvents_ = 0;
    lock.unlock();
    changed_.notify_all();
    return true;
}

}  // namespace kelsvf::check::diff
