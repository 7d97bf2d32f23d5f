// The host boundary of libKelSvfFilePlugin: result codes, message and print levels, the host
// callback table and the six exported C entry points.
//
// This header is part of the binary contract with hosts. Nothing in it may change size, order
// or meaning; add new things only at the end, and only where no existing host can observe them.
#ifndef KEL_PLUGIN_BOUNDARY_H
#define KEL_PLUGIN_BOUNDARY_H

#include <cstdarg>
#include <cstdint>

#if defined(KEL_BUILDING_PLUGIN)
#define KEL_EXPORT __attribute__((visibility("default")))
#else
#define KEL_EXPORT
#endif

// --- Result codes ---------------------------------------------------------------------------

// Signed 32-bit result of every operation: not negative is success. Only the sign bit is ever
// tested; a derived target may return other codes and they travel back unchanged.
typedef int32_t KelResult;

constexpr KelResult KEL_SUCCESS = 0;
constexpr KelResult KEL_FAILURE = static_cast<KelResult>(0x80000000u);

constexpr bool kelSucceeded(KelResult result) {
    return result >= 0;
}
constexpr bool kelFailed(KelResult result) {
    return result < 0;
}

// --- Message levels (first argument of messageCallback) --------------------------------------

constexpr uint32_t KEL_MSG_ERROR = 0x100;
constexpr uint32_t KEL_MSG_WARNING = 0x200;
constexpr uint32_t KEL_MSG_STATUS = 0x300;
constexpr uint32_t KEL_MSG_INFO = 0x400;
constexpr uint32_t KEL_MSG_TEXT = 0x500;

// --- Print levels (first argument of printCallback and dumpBufferCallback) -------------------

constexpr uint32_t KEL_PRINT_ERROR = 1;   // errors
constexpr uint32_t KEL_PRINT_STATUS = 2;  // status and "not implemented" notes
constexpr uint32_t KEL_PRINT_LIST = 3;    // listings
constexpr uint32_t KEL_PRINT_DETAIL = 4;  // detail: setter echoes, TAP moves, sleeps
constexpr uint32_t KEL_PRINT_DUMP = 5;    // bit-buffer dumps (dumpBufferCallback only)

// --- Host callbacks ---------------------------------------------------------------------------

extern "C" {

// A levelled message. `context` is the reporting target's message context; `text` is borrowed.
typedef void (*KelMessageCallback)(int32_t context, uint32_t level, const char* text);
// A printf-style print; the host formats `format` with `args` (positioned at the first argument).
typedef void (*KelPrintCallback)(uint32_t level, const char* format, va_list args);
// A bit buffer (bit i in bit i%8 of byte i/8) of `bitCount` valid bits, labelled; borrowed.
typedef void (*KelDumpBufferCallback)(uint32_t level, const char* label, const uint8_t* buffer,
                                      uint32_t bitCount);
// Entry into a traced operation, by trace name ("KelPlugin::openTarget").
typedef void (*KelTraceEnterCallback)(const char* name);
// Exit from the innermost traced operation, with its result text ("KEL_SUCCESS", "", ...).
typedef void (*KelTraceExitCallback)(const char* result);

// The table a host hands to KelPlugin_setCallbacks. Any entry may be null: that output is then
// dropped. The library copies the five pointers; the record itself is borrowed for the call.
struct KelPluginCallbacks {
    KelMessageCallback messageCallback;
    KelPrintCallback printCallback;
    KelDumpBufferCallback dumpBufferCallback;
    KelTraceEnterCallback traceEnterCallback;
    KelTraceExitCallback traceExitCallback;
};

}  // extern "C"

// --- Exported entry points ------------------------------------------------------------------

namespace KelPluginInterface {
class KelPlugin;
}

// The interface version that KelPlugin_getKelPluginVersion reports.
#define KEL_PLUGIN_INTERFACE_VERSION 0x00120100u

extern "C" {

// Creates one target (an SVF file target). The host owns it until KelPlugin_destroy.
// Returns null when memory runs out.
KEL_EXPORT KelPluginInterface::KelPlugin* KelPlugin_create(void);
// Destroys a target made by KelPlugin_create of this library. Null: no effect. Does not close
// the target: call closeTarget first.
KEL_EXPORT void KelPlugin_destroy(KelPluginInterface::KelPlugin* target);
// Load and unload notifications; they do nothing.
KEL_EXPORT void KelPlugin_loaded(void);
KEL_EXPORT void KelPlugin_unloaded(void);
// Replaces the module-wide callback table shared by all targets. Null: no effect.
KEL_EXPORT void KelPlugin_setCallbacks(const KelPluginCallbacks* callbacks);
// The plug-in interface version, KEL_PLUGIN_INTERFACE_VERSION.
KEL_EXPORT uint32_t KelPlugin_getKelPluginVersion(void);

// Function-pointer types for hosts that resolve the exports with dlsym.
typedef KelPluginInterface::KelPlugin* (*KelPlugin_createFn)(void);
typedef void (*KelPlugin_destroyFn)(KelPluginInterface::KelPlugin*);
typedef void (*KelPlugin_loadedFn)(void);
typedef void (*KelPlugin_unloadedFn)(void);
typedef void (*KelPlugin_setCallbacksFn)(const KelPluginCallbacks*);
typedef uint32_t (*KelPlugin_getKelPluginVersionFn)(void);

}  // extern "C"

#endif  // KEL_PLUGIN_BOUNDARY_H
