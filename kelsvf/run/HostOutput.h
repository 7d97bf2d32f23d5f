// kelsvf's five host callbacks: how a command-line host shows what the plug-in says. Everything
// goes to one stream (standard error): prints filtered by level, messages always, the call tree
// with --trace and buffer dumps with --dump.
#ifndef KELSVF_HOST_OUTPUT_H
#define KELSVF_HOST_OUTPUT_H

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/ErrorLines.h"
#include "kel/KelPluginBoundary.h"

namespace kelsvf {

struct OutputSettings {
    uint32_t verbosity = 2;  // the highest print level shown; 0 shows no prints
    bool trace = false;      // the call tree, indented by nesting, with each result text
    bool dump = false;       // bit-buffer dumps
};

// The callbacks carry no user pointer, so one HostOutput at a time is active: the one most
// recently constructed. The callbacks drop everything while none is.
class HostOutput {
  public:
    // With `errors`, the plug-in's error messages and error prints count towards the run's
    // cap on error lines.
    HostOutput(OutputSettings settings, std::FILE* stream, ErrorLines* errors = nullptr);
    ~HostOutput();

    HostOutput(const HostOutput&) = delete;
    HostOutput& operator=(const HostOutput&) = delete;

    static KelPluginCallbacks callbacks();

    // One line of kelsvf's own (with --trace, the script line about to run), at the current
    // nesting depth.
    void note(std::string_view text);

    const OutputSettings& settings() const { return settings_; }

    // Called through callbacks().
    void message(int32_t context, uint32_t level, const char* text);
    void print(uint32_t level, const char* format, va_list args)
        __attribute__((format(printf, 3, 0)));
    void dump(uint32_t level, const char* label, const uint8_t* buffer, uint32_t bitCount);
    void enter(const char* name);
    void exit(const char* result);

  private:
    // Writes each line of `text` indented to the current depth (when tracing).
    void writeLines(std::string_view text);

    OutputSettings settings_;
    std::FILE* stream_;
    ErrorLines* errors_;
    HostOutput* previous_;
    std::vector<std::string> openTraces_;  // names of the traced calls now running
    bool messageJustShown_ = false;
};

}  // namespace kelsvf

#endif  // KELSVF_HOST_OUTPUT_H
