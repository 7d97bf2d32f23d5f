// What an interrupted run leaves behind. Every signal whose default action ends the process
// (SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, ..., the real-time
// ones) removes the temporary files of the outputs not yet put in place, then ends kelsvf with
// 128 + the signal number; the files under their final names are never touched. SIGXFSZ is
// ignored, so that a file-size limit fails the write instead. A fault signal (SIGSEGV,
// SIGABRT, ...) removes them too and then takes its default action, a core dump kept. (SIGKILL
// cannot be caught: it may leave a temporary file, whose name says it is partial.)
#ifndef KELSVF_INTERRUPT_CLEANUP_H
#define KELSVF_INTERRUPT_CLEANUP_H

#include <csignal>
#include <string>

namespace kelsvf::interrupt {

// Installs the handlers. A signal the process started with ignored (nohup, a background job)
// stays ignored.
void installHandlers();

// The temporary files removed when a signal arrives.
void track(const std::string& path);
void untrack(const std::string& path);

// The signals above, blocked for as long as the object lives in the calling thread: a thread
// that is not the script's (the standard-output relay) starts with them blocked, so the
// handler always runs in the thread that changes the list.
class SignalsBlocked {
  public:
    SignalsBlocked();
    ~SignalsBlocked();
    SignalsBlocked(const SignalsBlocked&) = delete;
    SignalsBlocked& operator=(const SignalsBlocked&) = delete;

  private:
    sigset_t previous_;
};

}  // namespace kelsvf::interrupt

#endif  // KELSVF_INTERRUPT_CLEANUP_H
