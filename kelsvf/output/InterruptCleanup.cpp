#include "output/InterruptCleanup.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <vector>

namespace kelsvf::interrupt {
namespace {

// Every signal whose default action ends the process, but those that report a fault; the
// real-time signals are added at run time.
constexpr std::array<int, 14> kSignals{SIGINT,  SIGTERM,   SIGHUP,  SIGPIPE, SIGQUIT,
                                       SIGUSR1, SIGUSR2,   SIGALRM, SIGXCPU, SIGVTALRM,
                                       SIGPROF, SIGSTKFLT, SIGPOLL, SIGPWR};
// A fault (of kelsvf, or sent with kill) also removes the temporary files, and then takes its
// default action, so that a core dump is kept. Where a sanitizer handles them, it keeps them.
constexpr std::array<int, 7> kFaultSignals{SIGSEGV, SIGBUS,  SIGFPE, SIGILL,
                                           SIGABRT, SIGTRAP, SIGSYS};

template <typename Visit>
void forEachSignal(Visit visit) {
    for (const int signalNumber : kSignals) {
        visit(signalNumber);
    }
    for (int signalNumber = SIGRTMIN; signalNumber <= SIGRTMAX; ++signalNumber) {
        visit(signalNumber);
    }
}

// Never freed: the handler may read it until the process ends. It changes only while the
// signals are blocked, so the handler never sees it half changed.
std::vector<std::string>* const trackedFiles = new std::vector<std::string>();

void writeNote(const char* text, size_t length) {
    if (::write(STDERR_FILENO, text, length) < 0) {
        return;  // nothing more can be done from a signal handler
    }
}

// Only async-signal-safe calls: unlink, write, _exit.
void onSignal(int signalNumber) {
    bool removed = false;
    for (const std::string& path : *trackedFiles) {
        removed = ::unlink(path.c_str()) == 0 || removed;
    }
    static constexpr char kRemoved[] = "kelsvf: interrupted; the unfinished output was removed\n";
    static constexpr char kPlain[] = "kelsvf: interrupted\n";
    if (signalNumber != SIGPIPE) {
        if (removed) {
            writeNote(kRemoved, sizeof kRemoved - 1);
        } else {
            writeNote(kPlain, sizeof kPlain - 1);
        }
    }
    ::_exit(128 + signalNumber);
}

// Runs once (SA_RESETHAND): the signal then takes its default action, on return from a fault
// as the instruction runs again, or at once for one that was sent.
void onFault(int signalNumber) {
    bool removed = false;
    for (const std::string& path : *trackedFiles) {
        removed = ::unlink(path.c_str()) == 0 || removed;
    }
    static constexpr char kRemoved[] =
        "kelsvf: stopped by a fault; the unfinished output was "
        "removed\n";
    if (removed) {
        writeNote(kRemoved, sizeof kRemoved - 1);
    }
    ::raise(signalNumber);
}

sigset_t handledSignals() {
    sigset_t set;
    sigemptyset(&set);
    forEachSignal([&set](int signalNumber) { sigaddset(&set, signalNumber); });
    for (const int signalNumber : kFaultSignals) {
        sigaddset(&set, signalNumber);
    }
    return set;
}

}  // namespace

SignalsBlocked::SignalsBlocked() {
    const sigset_t set = handledSignals();
    pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

SignalsBlocked::~SignalsBlocked() {
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

void installHandlers() {
    const sigset_t all = handledSignals();
    forEachSignal([&all](int signalNumber) {
        struct sigaction previous {};
        if (sigaction(signalNumber, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
            return;
        }
        struct sigaction action {};
        action.sa_handler = onSignal;
        action.sa_mask = all;  // one handler at a time
        sigaction(signalNumber, &action, nullptr);
    });
    for (const int signalNumber : kFaultSignals) {
        struct sigaction previous {};
        if (sigaction(signalNumber, nullptr, &previous) != 0 || previous.sa_handler != SIG_DFL ||
            (previous.sa_flags & SA_SIGINFO) != 0) {
            continue;
        }
        struct sigaction action {};
        action.sa_handler = onFault;
        action.sa_flags = static_cast<int>(SA_RESETHAND | SA_NODEFER);
        sigaction(signalNumber, &action, nullptr);
    }
    // Past a file-size limit a write then fails with EFBIG, and the run ends as on a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
}

void track(const std::string& path) {
    const SignalsBlocked blocked;
    trackedFiles->push_back(path);
}

void untrack(const std::string& path) {
    const SignalsBlocked blocked;
    const auto found = std::find(trackedFiles->begin(), trackedFiles->end(), path);
    if (found != trackedFiles->end()) {
        trackedFiles->erase(found);
    }
}

}  // namespace kelsvf::interrupt
