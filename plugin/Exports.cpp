// The six exported entry points: the only dynamic symbols of the library.
#include <new>

#include "boundary/CallbackTable.h"
#include "boundary/Guard.h"
#include "kel/KelPlugin.h"
#include "svf/SVFFile.h"

using KelPluginInterface::KelPlugin;

extern "C" {

KEL_EXPORT KelPlugin* KelPlugin_create(void) {
    // nothrow covers the allocation; the guard covers anything a constructor throws.
    return KelPluginInterface::boundary::guarded(
        "KelPlugin_create", static_cast<KelPlugin*>(nullptr),
        []() -> KelPlugin* { return new (std::nothrow) KelPluginInterface::SVFFile(); });
}

KEL_EXPORT void KelPlugin_destroy(KelPlugin* target) {
    if (target == nullptr) {
        return;
    }
    KelPluginInterface::boundary::guarded("KelPlugin_destroy", 0, [target] {
        delete target;
        return 0;
    });
}

KEL_EXPORT void KelPlugin_loaded(void) {}

KEL_EXPORT void KelPlugin_unloaded(void) {}

KEL_EXPORT void KelPlugin_setCallbacks(const KelPluginCallbacks* callbacks) {
    KelPluginInterface::boundary::setCallbacks(callbacks);
}

KEL_EXPORT uint32_t KelPlugin_getKelPluginVersion(void) {
    return KEL_PLUGIN_INTERFACE_VERSION;
}

}  // extern "C"
