// A minimal host: loads the plug-in, opens an SVF file, describes a chain of three devices
// (IR lengths 6, 8 and 10), writes one instruction and one data register of device 1, closes.
//
//   host_example [PLUGIN [OUTPUT]]    defaults: ./libKelSvfFilePlugin.so, host_example.svf
#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include <kel/KelPlugin.h>

using namespace KelPluginInterface;

namespace {

// The plug-in prints through the host: show errors and status notes (levels 1 and 2).
void printCallback(uint32_t level, const char* format, va_list args)
    __attribute__((format(printf, 2, 0)));

void printCallback(uint32_t level, const char* format, va_list args) {
    if (level <= KEL_PRINT_STATUS) {
        std::vfprintf(stderr, format, args);
    }
}

template <typename Function>
Function exported(void* library, const char* name) {
    return reinterpret_cast<Function>(dlsym(library, name));
}

}  // namespace

int main(int argc, char** argv) {
    const char* pluginPath = argc > 1 ? argv[1] : "./libKelSvfFilePlugin.so";
    const std::string output = argc > 2 ? argv[2] : "host_example.svf";

    void* library = dlopen(pluginPath, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", pluginPath, dlerror());
        return 1;
    }
    const auto create = exported<KelPlugin_createFn>(library, "KelPlugin_create");
    const auto destroy = exported<KelPlugin_destroyFn>(library, "KelPlugin_destroy");
    const auto setCallbacks = exported<KelPlugin_setCallbacksFn>(library, "KelPlugin_setCallbacks");
    if (create == nullptr || destroy == nullptr || setCallbacks == nullptr) {
        std::fprintf(stderr, "%s is not a KEL plug-in\n", pluginPath);
        dlclose(library);
        return 1;
    }
    const KelPluginCallbacks callbacks{nullptr, printCallback, nullptr, nullptr, nullptr};
    setCallbacks(&callbacks);

    KelPlugin* target = create();
    const std::string fname = "fname=" + output;
    const char* options[] = {fname.c_str(), "type=SVF"};
    const uint8_t instruction[] = {0x05};             // 8 bits
    const uint8_t data[] = {0x78, 0x56, 0x34, 0x12};  // 32 bits, byte 0 first: SVF 12345678

    // Every call returns a KelResult; a negative one is a failure.
    bool ok = target != nullptr && kelSucceeded(target->openTarget(2, options, CallContext{}));
    ok = ok && kelSucceeded(target->lockTarget(0));  // STATE RESET; STATE IDLE;
    ok = ok && kelSucceeded(target->setDeviceCount(3));
    ok = ok && kelSucceeded(target->setIRLength(0, 6));
    ok = ok && kelSucceeded(target->setIRLength(1, 8));
    ok = ok && kelSucceeded(target->setIRLength(2, 10));
    ok = ok && kelSucceeded(target->writeDeviceIR(1, instruction, nullptr, 8, KELJTAG_RUN_TEST_IDLE,
                                                  CallContext{}));
    ok = ok && kelSucceeded(target->writeDeviceDR(1, data, nullptr, 32, KELJTAG_RUN_TEST_IDLE,
                                                  CallContext{}));
    if (target != nullptr && target->isOpened()) {
        target->closeTarget();  // gives the lock back (STATE IDLE;) and closes the file
    }
    destroy(target);
    dlclose(library);
    if (!ok) {
        std::fprintf(stderr, "the plug-in refused a call\n");
        return 1;
    }
    std::printf("wrote %s\n", output.c_str());
    return 0;
}
