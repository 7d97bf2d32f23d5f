#include "BitbangServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace replay {
namespace {

using Clock = std::chrono::steady_clock;

int millisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits until `fd` is readable or the deadline passes.
bool readable(int fd, Clock::time_point deadline) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, millisecondsLeft(deadline)) > 0;
}

bool sendAll(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

BitbangServer::BitbangServer(kelsim::SimulatedChain& chain) : chain_(chain) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // never reachable from outside
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (listener_ < 0 ||
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 1) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        problem_ = std::string("cannot listen on 127.0.0.1: ") + std::strerror(errno);
        return;
    }
    port_ = ntohs(address.sin_port);
}

BitbangServer::~BitbangServer() {
    finish();
    if (listener_ >= 0) {
        ::close(listener_);
    }
}

void BitbangServer::start(std::chrono::milliseconds limit) {
    if (port_ == 0) {
        return;
    }
    const Clock::time_point deadline = Clock::now() + limit;
    thread_ = std::thread([this, deadline] { serve(deadline); });
}

bool BitbangServer::finish() {
    if (thread_.joinable()) {
        thread_.join();
    }
    return clientQuit_;
}

void BitbangServer::serve(Clock::time_point deadline) {
    if (!readable(listener_, deadline)) {
        problem_ = "no client connected in time";
        return;
    }
    const int client = ::accept(listener_, nullptr, nullptr);
    if (client < 0) {
        problem_ = std::string("accept failed: ") + std::strerror(errno);
        return;
    }
    clientQuit_ = serveClient(client, deadline);
    end_ = Clock::now();
    ::close(client);
}

bool BitbangServer::serveClient(int client, Clock::time_point deadline) {
    char chunk[4096];
    std::string reply;
    while (true) {
        if (!readable(client, deadline)) {
            problem_ = "the client did not finish in time";
            return false;
        }
        const ssize_t got = ::recv(client, chunk, sizeof chunk, 0);
        if (got <= 0) {
            return true;  // the client closed the connection: its session is over
        }
        reply.clear();
        for (ssize_t i = 0; i < got; ++i) {
            if (chunk[i] == 'Q') {
                sendAll(client, reply);
                return true;
            }
            command(chunk[i], reply);
        }
        if (!reply.empty() && !sendAll(client, reply)) {
            problem_ = "cannot answer the client";
            return false;
        }
    }
}

void BitbangServer::command(char c, std::string& reply) {
    if (c >= '0' && c <= '7') {
        const int bits = c - '0';
        const bool tck = (bits & 4) != 0;
        const bool tms = (bits & 2) != 0;
        const bool tdi = (bits & 1) != 0;
        if (tck && !tck_) {  // the devices act on the rising edge of TCK
            recordClock();
            chain_.clock(tms, tdi);
            recordUpdate();
        }
        tck_ = tck;
    } else if (c == 'R') {
        reply += chain_.tdo() ? '1' : '0';  // TDO now, before the next rising edge
    } else if (c >= 'r' && c <= 'u') {
        const bool trst = ((c - 'r') & 2) != 0;
        if (trst && !trst_) {
            // TRST resets every TAP; the pulse also marks where the file's own scans begin.
            chain_.testLogicReset();
            chain_.clearClockCounts();
            updates_.clear();
            visits_.clear();
            waits_.clear();
            waitOpen_ = false;
            mark_ = Clock::now();
            ++trstPulses_;
        }
        trst_ = trst;
    } else if (c == 'Z' || c == 'z') {
        // Waits of a millisecond and of a microsecond. Only recorded: the simulated chain needs
        // no time, and the recording is what the tests check.
        recordWait(c == 'Z' ? 1000 : 1);
    } else if (c == 'B' || c == 'b') {
        // LED on or off: nothing to simulate.
    } else if (problem_.empty()) {
        problem_ = std::string("unknown command character '") + c + "'";
    }
}

void BitbangServer::recordClock() {
    waitOpen_ = false;
    const KelPluginInterface::TapState state = chain_.state();
    if (!visits_.empty() && visits_.back().state == state) {
        ++visits_.back().clocks;
    } else {
        visits_.push_back({state, 1});
    }
}

void BitbangServer::recordWait(uint64_t microseconds) {
    if (waitOpen_) {
        waits_.back().microseconds += microseconds;
    } else {
        waits_.push_back({chain_.state(), microseconds});
    }
    waitOpen_ = true;
}

void BitbangServer::recordUpdate() {
    const KelPluginInterface::TapState state = chain_.state();
    const bool ir = state == KelPluginInterface::KELJTAG_UPDATE_IR;
    if (!ir && state != KelPluginInterface::KELJTAG_UPDATE_DR) {
        return;
    }
    RegisterUpdate update;
    update.ir = ir;
    for (size_t i = 0; i < chain_.deviceCount(); ++i) {
        kelsim::SimulatedDevice& device = chain_.device(i);
        update.instructions.push_back(device.instruction());
        if (!ir) {
            update.data.push_back(device.selectedDataRegister().updated());
        }
    }
    updates_.push_back(std::move(update));
}

}  // namespace replay
