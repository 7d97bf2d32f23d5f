#include "run/HostOutput.h"

#include <array>
#include <cstring>

#include "common/TextUtil.h"
#include "kelhost/FormatPrint.h"

namespace kelsvf {
namespace {

HostOutput* activeOutput = nullptr;

// The formats by which the plug-in echoes a message as a print, right after messageCallback.
// The message is already shown, so the echo is not shown a second time.
constexpr std::array<std::string_view, 6> kMessageEchoFormats{
    "<KelPlugin> Error:%s", "<KelPlugin> Warning:%s", "<KelPlugin> Status:%s",
    "<KelPlugin> Info:%s",  "<KelPlugin> %s",         "<KelPlugin> Debug:%s"};

std::string messageLevelName(uint32_t level) {
    switch (level) {
        case KEL_MSG_ERROR:
            return "ERROR";
        case KEL_MSG_WARNING:
            return "WARNING";
        case KEL_MSG_STATUS:
            return "STATUS";
        case KEL_MSG_INFO:
            return "INFO";
        case KEL_MSG_TEXT:
            return "TEXT";
        default: {
            char name[24];
            std::snprintf(name, sizeof name, "0x%X", level);
            return name;
        }
    }
}

bool isMessageEcho(const char* format) {
    for (const std::string_view echo : kMessageEchoFormats) {
        if (echo == format) {
            return true;
        }
    }
    return false;
}

void onMessage(int32_t context, uint32_t level, const char* text) {
    if (activeOutput != nullptr) {
        activeOutput->message(context, level, text);
    }
}

void onPrint(uint32_t level, const char* format, va_list args)
    __attribute__((format(printf, 2, 0)));

void onPrint(uint32_t level, const char* format, va_list args) {
    if (activeOutput != nullptr) {
        activeOutput->print(level, format, args);
    }
}

void onDump(uint32_t level, const char* label, const uint8_t* buffer, uint32_t bitCount) {
    if (activeOutput != nullptr) {
        activeOutput->dump(level, label, buffer, bitCount);
    }
}

void onEnter(const char* name) {
    if (activeOutput != nullptr) {
        activeOutput->enter(name);
    }
}

void onExit(const char* result) {
    if (activeOutput != nullptr) {
        activeOutput->exit(result);
    }
}

std::string orEmpty(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

}  // namespace

HostOutput::HostOutput(OutputSettings settings, std::FILE* stream, ErrorLines* errors)
    : settings_(settings), stream_(stream), errors_(errors), previous_(activeOutput) {
    activeOutput = this;
}

HostOutput::~HostOutput() {
    activeOutput = previous_;
}

KelPluginCallbacks HostOutput::callbacks() {
    return KelPluginCallbacks{onMessage, onPrint, onDump, onEnter, onExit};
}

void HostOutput::note(std::string_view text) {
    messageJustShown_ = false;
    writeLines(text);
}

void HostOutput::message(int32_t context, uint32_t level, const char* text) {
    std::string body = orEmpty(text);
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) {
        body.pop_back();
    }
    messageJustShown_ = true;  // held back or not, its echo is not shown
    if (level == KEL_MSG_ERROR && errors_ != nullptr && !errors_->admit()) {
        return;
    }
    writeLines("message " + messageLevelName(level) + " (context " + std::to_string(context) +
               "): " + body);
}

void HostOutput::print(uint32_t level, const char* format, va_list args) {
    const bool echo = messageJustShown_ && format != nullptr && isMessageEcho(format);
    messageJustShown_ = false;
    if (echo || format == nullptr || level > settings_.verbosity) {
        return;
    }
    if (level <= KEL_PRINT_ERROR && errors_ != nullptr && !errors_->admit()) {
        return;
    }
    writeLines(kelhost::formatPrint(format, args));
}

void HostOutput::dump(uint32_t, const char* label, const uint8_t* buffer, uint32_t bitCount) {
    messageJustShown_ = false;
    if (!settings_.dump) {
        return;
    }
    const std::string bits = buffer != nullptr ? hexMsbFirst(buffer, (size_t{bitCount} + 7) / 8)
                                               : std::string("(no buffer)");
    writeLines("dump " + orEmpty(label) + " " + std::to_string(bitCount) + " bits: " + bits);
}

void HostOutput::enter(const char* name) {
    messageJustShown_ = false;
    if (settings_.trace) {
        writeLines("> " + orEmpty(name));
    }
    openTraces_.push_back(orEmpty(name));
}

void HostOutput::exit(const char* result) {
    messageJustShown_ = false;
    std::string name;
    if (!openTraces_.empty()) {
        name = std::move(openTraces_.back());
        openTraces_.pop_back();
    }
    if (settings_.trace) {
        const std::string text = orEmpty(result);
        writeLines("< " + name + (text.empty() ? "" : ": " + text));
    }
}

void HostOutput::writeLines(std::string_view text) {
    const std::string indent = settings_.trace ? std::string(2 * openTraces_.size(), ' ') : "";
    while (!text.empty()) {
        const size_t end = text.find('\n');
        // The plug-in echoes file names and option texts: no escape sequence gets through.
        const std::string line = shownText(text.substr(0, end), true);
        std::fprintf(stream_, "%s%s\n", indent.c_str(), line.c_str());
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    std::fflush(stream_);
}

}  // namespace kelsvf
