#include "PluginSession.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    auto bytes = std::make_unique_for_overwrite<uint8_t[]>(size);
    uint64_t state = 0x9E3779B97F4A7C15u;
    for (size_t i = 0; i < size; i += sizeof state) {
        // xorshift64: every byte value occurs, no run repeats
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::memcpy(&bytes[i], &state, std::min(sizeof state, size - i));
    }
    return bytes;
}

}  // namespace kelbench
