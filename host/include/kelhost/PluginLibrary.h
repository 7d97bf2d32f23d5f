// Loads libKelSvfFilePlugin exactly as a host does: dlopen, then the six exports by name.
#ifndef KELHOST_PLUGIN_LIBRARY_H
#define KELHOST_PLUGIN_LIBRARY_H

#include <memory>
#include <string>

#include "kel/KelPlugin.h"

namespace kelhost {

class PluginLibrary {
  public:
    // Loads the library at `path` (RTLD_NOW | RTLD_LOCAL) and resolves all six exports. On
    // failure returns null and, when `error` is given, stores why.
    static std::unique_ptr<PluginLibrary> load(const std::string& path,
                                               std::string* error = nullptr);
    ~PluginLibrary();  // dlclose

    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    KelPluginInterface::KelPlugin* create() const { return create_(); }
    void destroy(KelPluginInterface::KelPlugin* target) const { destroy_(target); }
    void loaded() const { loaded_(); }
    void unloaded() const { unloaded_(); }
    void setCallbacks(const KelPluginCallbacks* table) const { setCallbacks_(table); }
    uint32_t version() const { return getVersion_(); }

    const std::string& path() const { return path_; }

  private:
    PluginLibrary() = default;

    void* handle_ = nullptr;
    std::string path_;
    KelPlugin_createFn create_ = nullptr;
    KelPlugin_destroyFn destroy_ = nullptr;
    KelPlugin_loadedFn loaded_ = nullptr;
    KelPlugin_unloadedFn unloaded_ = nullptr;
    KelPlugin_setCallbacksFn setCallbacks_ = nullptr;
    KelPlugin_getKelPluginVersionFn getVersion_ = nullptr;
};

// A target created by a PluginLibrary and destroyed through it (the host never deletes it).
struct TargetDeleter {
    const PluginLibrary* library;
    void operator()(KelPluginInterface::KelPlugin* target) const { library->destroy(target); }
};
using TargetPtr = std::unique_ptr<KelPluginInterface::KelPlugin, TargetDeleter>;

inline TargetPtr makeTarget(const PluginLibrary& library) {
    return TargetPtr(library.create(), TargetDeleter{&library});
}

}  // namespace kelhost

#endif  // KELHOST_PLUGIN_LIBRARY_H
