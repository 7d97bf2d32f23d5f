// Records everything a plug-in sends through the five host callbacks, in order.
#ifndef KELHOST_RECORDER_H
#define KELHOST_RECORDER_H

#include <cstdint>
#include <string>
#include <vector>

#include "kel/KelPluginBoundary.h"

namespace kelhost {

struct Event {
    enum class Kind { TraceEnter, TraceExit, Print, Message, Dump };
    Kind kind;
    int depth = 0;               // trace nesting at the time of the event (0 = outside any trace)
    uint32_t level = 0;          // print level, message level or dump level
    int32_t context = 0;         // message context (messages only)
    std::string text;            // trace name, result text, formatted print, message text or label
    std::string format;          // the unformatted print format (prints only)
    std::vector<uint8_t> bytes;  // dumped buffer, (bitCount + 7) / 8 bytes (dumps only)
    uint32_t bitCount = 0;       // dumps only
};

// C callbacks carry no user pointer, so one Recorder at a time is "active": the table returned
// by callbacks() appends to it. Prints are formatted with vsnprintf, as a host would. A newer
// Recorder takes over; when it is destroyed the one it replaced becomes active again.
class Recorder {
  public:
    Recorder();   // becomes the active recorder
    ~Recorder();  // stops being active (the callbacks drop everything unless an older one exists)

    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // A table with all five callbacks set; hand it to KelPlugin_setCallbacks.
    static KelPluginCallbacks callbacks();

    const std::vector<Event>& events() const { return events_; }
    void clear();

    // Readable one-line forms, for exact comparisons in tests:
    //   "> KelPlugin::openTarget"   trace enter, indented by two spaces per depth
    //   "< KEL_SUCCESS"              trace exit, indented like its enter
    //   "print 4: text"              a formatted print (text as formatted, newlines kept)
    //   "message 7 256: text"        context, level, text
    //   "dump 5 BUFFER AFTER PADDING: 24 ffff03"   label, bit count, hex bytes, last byte first
    std::vector<std::string> lines() const;
    std::vector<std::string> traceLines() const;    // the trace lines only
    std::vector<std::string> printLines() const;    // "level: text" of every print
    std::vector<std::string> messageLines() const;  // "context level: text" of every message

    // Test hooks used by the callbacks.
    void record(Event event);
    int depth() const { return depth_; }

  private:
    Recorder* previous_;
    std::vector<Event> events_;
    int depth_ = 0;
};

}  // namespace kelhost

#endif  // KELHOST_RECORDER_H
