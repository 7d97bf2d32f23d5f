// The plug-in as a host drives it: loaded with dlopen, one SVF target open on a file, the lock
// taken and a chain described. Shared by the benchmarks and the peak-memory probe.
#ifndef KEL_BENCH_PLUGIN_SESSION_H
#define KEL_BENCH_PLUGIN_SESSION_H

#include <cstdint>
#include <memory>
#include <string>

#include "kel/KelPlugin.h"
#include "kelhost/PluginLibrary.h"

namespace kelbench {

using KelPluginInterface::CallContext;
using KelPluginInterface::KelPlugin;

constexpr CallContext kNoContext{};
constexpr uint32_t kIRLength = 8;

enum class Callbacks { None, NoOp };

// The library, loaded once per process; exits the process when it cannot be loaded.
const kelhost::PluginLibrary& pluginLibrary();

// Registers all five callbacks as functions that do nothing, or none at all.
void registerCallbacks(Callbacks callbacks);

// One target, open and locked on `path`, with a chain of `deviceCount` devices whose IR lengths
// are all set. The destructor closes it (flushing the file) and destroys it.
class PluginSession {
  public:
    PluginSession(const std::string& path, uint32_t deviceCount);
    ~PluginSession();

    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    KelPlugin& target() { return *target_; }
    // True when open, lock and chain description all succeeded.
    bool ready() const { return ready_; }

    // Closes the target, which flushes and closes the file; true on success.
    bool close();

  private:
    kelhost::TargetPtr target_;
    bool ready_ = false;
    bool closed_ = false;
};

// Bytes of arbitrary content, the same for every run.
std::unique_ptr<uint8_t[]> patternBytes(size_t size);

}  // namespace kelbench

#endif  // KEL_BENCH_PLUGIN_SESSION_H
