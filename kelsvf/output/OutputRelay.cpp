#include "output/OutputRelay.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <system_error>

#include "output/InterruptCleanup.h"

namespace kelsvf {
namespace {

// Copies the pipe to `destination` until every write end is closed. After a failed write the
// rest is still read, so that the plug-in never blocks on a full pipe.
void copyOut(int readEnd, int destination, std::shared_ptr<std::atomic<int>> error) {
    char buffer[65536];
    while (true) {
        const ssize_t got = ::read(readEnd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            ::close(readEnd);
            return;
        }
        for (ssize_t done = 0; done < got && error->load() == 0;) {
            const ssize_t put =
                ::write(destination, buffer + done, static_cast<size_t>(got - done));
            if (put < 0 && errno != EINTR) {
                error->store(errno);
                if (errno == EPIPE) {
                    // The reader of a pipe or FIFO is gone: end the run as SIGPIPE ends a
                    // writer, through the script thread's handler (unless it is ignored).
                    ::kill(::getpid(), SIGPIPE);
                }
            } else if (put > 0) {
                done += put;
            }
        }
    }
}

}  // namespace

std::unique_ptr<OutputRelay> OutputRelay::start(int destination, std::string& problem) {
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        problem = std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<OutputRelay> relay(new OutputRelay(ends[1]));
    // The thread inherits the blocked signals: the handler runs in the script's thread only.
    const interrupt::SignalsBlocked blocked;
    try {
        relay->thread_ = std::thread(copyOut, ends[0], destination, relay->error_);
    } catch (const std::system_error& error) {
        ::close(ends[0]);
        problem = error.what();
        return nullptr;  // the destructor closes the write end
    }
    return relay;
}

OutputRelay::OutputRelay(int writeEnd)
    : writeEnd_(writeEnd), path_("/proc/self/fd/" + std::to_string(writeEnd)) {}

OutputRelay::~OutputRelay() {
    if (writeEnd_ >= 0) {
        ::close(writeEnd_);
    }
    if (thread_.joinable()) {
        thread_.detach();
    }
}

int OutputRelay::finish() {
    if (writeEnd_ >= 0) {
        ::close(writeEnd_);  // with the plug-in's end closed too, the thread reads end of file
        writeEnd_ = -1;
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    return error_->load();
}

}  // namespace kelsvf
