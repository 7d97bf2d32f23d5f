#include "PluginSession.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace kelbench {
namespace {

void ignoreMessage(int32_t, uint32_t, const char*) {}
void ignorePrint(uint32_t, const char*, va_list) {}
void ignoreDump(uint32_t, const char*, const uint8_t*, uint32_t) {}
void ignoreTraceEnter(const char*) {}
void ignoreTraceExit(const char*) {}

}  // namespace

const kelhost::PluginLibrary& pluginLibrary() {
    static const std::unique_ptr<kelhost::PluginLibrary> library = [] {
        std::string error;
        auto loaded = kelhost::PluginLibrary::load(KEL_PLUGIN_PATH, &error);
        if (!loaded) {
            std::fprintf(stderr, "cannot load %s: %s\n", KEL_PLUGIN_PATH, error.c_str());
            std::exit(2);
        }
        return loaded;
    }();
    return *library;
}

void registerCallbacks(Callbacks callbacks) {
    const KelPluginCallbacks noOps{ignoreMessage, ignorePrint, ignoreDump, ignoreTraceEnter,
                                   ignoreTraceExit};
    const KelPluginCallbacks none{};
    pluginLibrary().setCallbacks(callbacks == Callbacks::NoOp ? &noOps : &none);
}

PluginSession::PluginSession(const std::string& path, uint32_t deviceCount)
    : target_(kelhost::makeTarget(pluginLibrary())) {
    if (!target_) {
        return;
    }
    const std::string fname = "fname=" + path;
    const char* options[] = {fname.c_str(), "type=SVF"};
    bool ok = kelSucceeded(target_->openTarget(2, options, kNoContext)) &&
              kelSucceeded(target_->lockTarget(0)) &&
              kelSucceeded(target_->setDeviceCount(deviceCount));
    for (uint32_t device = 0; ok && device < deviceCount; ++device) {
        ok = kelSucceeded(target_->setIRLength(device, kIRLength));
    }
    ready_ = ok;
}

PluginSession::~PluginSession() {
    close();
}

bool PluginSession::close() {
    if (!target_ || closed_) {
        return true;
    }
    closed_ = true;
    return kelSucceeded(target_->closeTarget());
}

std::unique_ptr<uint8_t[]> patternBytes(size_t size) {
    auto bytes = std::make_unique<uint8_t[]>(size);
    uint32_t state = 0x12345678u;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;  // every byte value occurs, no run repeats
        bytes[i] = static_cast<uint8_t>(state >> 24);
    }
    return bytes;
}

}  // namespace kelbench
