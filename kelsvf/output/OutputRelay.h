// Every output goes through kelsvf: the plug-in opens its output by name, so it is handed the
// write end of a pipe (/proc/self/fd/N) and a thread copies what arrives to the file kelsvf
// itself opened. kelsvf so sees every write that fails (a full disk, a file-size limit, a gone
// reader), whatever the script's try lines let pass, and holds the descriptor it syncs. For
// standard output the pipe also keeps what a reopen of /dev/stdout would lose: the position in
// a file that standard output appends to, and sockets, which cannot be opened by name.
#ifndef KELSVF_OUTPUT_RELAY_H
#define KELSVF_OUTPUT_RELAY_H

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace kelsvf {

class OutputRelay {
  public:
    // Creates the pipe and starts the copying thread to `destination`, which stays the
    // caller's. A reader that went away (EPIPE) ends the run as SIGPIPE ends a writer. Null
    // with `problem` set when it cannot start.
    static std::unique_ptr<OutputRelay> start(int destination, std::string& problem);

    // A thread still copying at destruction (the plug-in never closed its end) is left to the
    // end of the process rather than waited for.
    ~OutputRelay();
    OutputRelay(const OutputRelay&) = delete;
    OutputRelay& operator=(const OutputRelay&) = delete;

    // The name under which the plug-in opens the pipe.
    const std::string& path() const { return path_; }

    // The errno value of the first write that failed so far, 0 while none did.
    int lostError() const { return error_->load(); }

    // Call after the plug-in closed its end: waits until everything is copied and returns the
    // errno value of the first write that failed, 0 when none did.
    int finish();

  private:
    explicit OutputRelay(int writeEnd);

    int writeEnd_;
    std::string path_;
    // Shared with the thread, which may outlive the relay.
    std::shared_ptr<std::atomic<int>> error_ = std::make_shared<std::atomic<int>>(0);
    std::thread thread_;
};

}  // namespace kelsvf

#endif  // KELSVF_OUTPUT_RELAY_H
