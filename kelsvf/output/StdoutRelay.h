// "-o -": the plug-in opens its output by name, so it is handed the write end of a pipe
// (/proc/self/fd/N) and a thread copies what arrives to standard output. Writing through the
// pipe rather than reopening /dev/stdout keeps what a reopen would lose: the position in a file
// that standard output already appends to, and sockets, which cannot be opened by name.
#ifndef KELSVF_STDOUT_RELAY_H
#define KELSVF_STDOUT_RELAY_H

#include <memory>
#include <string>
#include <thread>

namespace kelsvf {

class StdoutRelay {
  public:
    // Creates the pipe and starts the copying thread; null with `problem` set when it cannot.
    static std::unique_ptr<StdoutRelay> start(std::string& problem);

    // A thread still copying at destruction (the plug-in never closed its end) is left to the
    // end of the process rather than waited for.
    ~StdoutRelay();
    StdoutRelay(const StdoutRelay&) = delete;
    StdoutRelay& operator=(const StdoutRelay&) = delete;

    // The name the plug-in opens: the pipe's write end.
    const std::string& path() const { return path_; }

    // Call once the plug-in has closed the file: waits until everything written reached
    // standard output. Returns 0, or the errno of a failed write to standard output.
    int finish();

  private:
    explicit StdoutRelay(int writeEnd);

    int writeEnd_;
    std::string path_;
    std::thread thread_;
    // Set by the thread, read after it is joined; shared, so that a detached thread outlives
    // the object safely.
    std::shared_ptr<int> writeError_ = std::make_shared<int>(0);
};

}  // namespace kelsvf

#endif  // KELSVF_STDOUT_RELAY_H
