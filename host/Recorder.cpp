// The recording host callbacks: every event lands in the active Recorder, in arrival order.
#include "kelhost/Recorder.h"

#include "kelhost/FormatPrint.h"

#include <cstdarg>
#include <cstdio>

namespace kelhost {
namespace {

Recorder* activeRecorder = nullptr;

Event makeEvent(Event::Kind kind) {
    Event event{};
    event.kind = kind;
    return event;
}

std::string orEmpty(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

void onMessage(int32_t context, uint32_t level, const char* text) {
    if (activeRecorder == nullptr) {
        return;
    }
    Event event = makeEvent(Event::Kind::Message);
    event.context = context;
    event.level = level;
    event.text = orEmpty(text);
    activeRecorder->record(std::move(event));
}

void onPrint(uint32_t level, const char* format, va_list args) {
    if (activeRecorder == nullptr) {
        return;
    }
    Event event = makeEvent(Event::Kind::Print);
    event.level = level;
    event.format = orEmpty(format);
    event.text = formatPrint(format, args);
    activeRecorder->record(std::move(event));
}

void onDump(uint32_t level, const char* label, const uint8_t* buffer, uint32_t bitCount) {
    if (activeRecorder == nullptr) {
        return;
    }
    Event event = makeEvent(Event::Kind::Dump);
    event.level = level;
    event.text = orEmpty(label);
    event.bitCount = bitCount;
    if (buffer != nullptr) {
        const size_t byteCount = (static_cast<size_t>(bitCount) + 7) / 8;
        event.bytes.assign(buffer, buffer + byteCount);
    }
    activeRecorder->record(std::move(event));
}

void onTraceEnter(const char* name) {
    if (activeRecorder == nullptr) {
        return;
    }
    Event event = makeEvent(Event::Kind::TraceEnter);
    event.text = orEmpty(name);
    activeRecorder->record(std::move(event));
}

void onTraceExit(const char* result) {
    if (activeRecorder == nullptr) {
        return;
    }
    Event event = makeEvent(Event::Kind::TraceExit);
    event.text = orEmpty(result);
    activeRecorder->record(std::move(event));
}

std::string hexLastByteFirst(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (auto byte = bytes.rbegin(); byte != bytes.rend(); ++byte) {
        hex += digits[*byte >> 4];
        hex += digits[*byte & 0x0F];
    }
    return hex;
}

std::string describe(const Event& event) {
    switch (event.kind) {
        case Event::Kind::TraceEnter:
            return std::string(static_cast<size_t>(event.depth) * 2, ' ') + "> " + event.text;
        case Event::Kind::TraceExit:
            return std::string(static_cast<size_t>(event.depth) * 2, ' ') + "< " + event.text;
        case Event::Kind::Print:
            return "print " + std::to_string(event.level) + ": " + event.text;
        case Event::Kind::Message:
            return "message " + std::to_string(event.context) + " " + std::to_string(event.level) +
                   ": " + event.text;
        case Event::Kind::Dump:
            return "dump " + std::to_string(event.level) + " " + event.text + " " +
                   std::to_string(event.bitCount) + " " + hexLastByteFirst(event.bytes);
    }
    return {};
}

}  // namespace

Recorder::Recorder() : previous_(activeRecorder) {
    activeRecorder = this;
}

Recorder::~Recorder() {
    if (activeRecorder == this) {
        activeRecorder = previous_;
    }
}

KelPluginCallbacks Recorder::callbacks() {
    return KelPluginCallbacks{onMessage, onPrint, onDump, onTraceEnter, onTraceExit};
}

void Recorder::clear() {
    events_.clear();
}

// An enter is recorded at the depth outside it and opens one level; an exit closes the level
// and is recorded at the depth of its enter. A stray exit never drives the depth below 0.
void Recorder::record(Event event) {
    if (event.kind == Event::Kind::TraceExit && depth_ > 0) {
        --depth_;
    }
    event.depth = depth_;
    if (event.kind == Event::Kind::TraceEnter) {
        ++depth_;
    }
    events_.push_back(std::move(event));
}

std::vector<std::string> Recorder::lines() const {
    std::vector<std::string> out;
    out.reserve(events_.size());
    for (const Event& event : events_) {
        out.push_back(describe(event));
    }
    return out;
}

std::vector<std::string> Recorder::traceLines() const {
    std::vector<std::string> out;
    for (const Event& event : events_) {
        if (event.kind == Event::Kind::TraceEnter || event.kind == Event::Kind::TraceExit) {
            out.push_back(describe(event));
        }
    }
    return out;
}

std::vector<std::string> Recorder::printLines() const {
    std::vector<std::string> out;
    for (const Event& event : events_) {
        if (event.kind == Event::Kind::Print) {
            out.push_back(std::to_string(event.level) + ": " + event.text);
        }
    }
    return out;
}

std::vector<std::string> Recorder::messageLines() const {
    std::vector<std::string> out;
    for (const Event& event : events_) {
        if (event.kind == Event::Kind::Message) {
            out.push_back(std::to_string(event.context) + " " + std::to_string(event.level) + ": " +
                          event.text);
        }
    }
    return out;
}

}  // namespace kelhost
