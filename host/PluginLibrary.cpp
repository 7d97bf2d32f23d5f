// Loads the plug-in the way a host does: dlopen, then each of the six exports by name.
#include "kelhost/PluginLibrary.h"

#include <dlfcn.h>

namespace kelhost {
namespace {

void setError(std::string* error, const std::string& text) {
    if (error != nullptr) {
        *error = text;
    }
}

// dlerror() describes the latest failure; it is null when dlsym found a symbol whose value is 0.
std::string lastDlError(const char* fallback) {
    const char* text = dlerror();
    return text != nullptr ? std::string(text) : std::string(fallback);
}

template <typename Fn>
bool resolve(void* handle, const char* name, Fn& out, std::string* error) {
    dlerror();  // clear any stale error so that a null result can be told apart
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) {
        setError(error, std::string("missing export ") + name + ": " +
                            lastDlError("symbol resolves to null"));
        return false;
    }
    out = reinterpret_cast<Fn>(symbol);
    return true;
}

}  // namespace

std::unique_ptr<PluginLibrary> PluginLibrary::load(const std::string& path, std::string* error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        setError(error, "dlopen(" + path + ") failed: " + lastDlError("unknown error"));
        return nullptr;
    }
    std::unique_ptr<PluginLibrary> library(new PluginLibrary());
    library->handle_ = handle;  // from here on the destructor closes it, also on failure
    library->path_ = path;
    const bool complete =
        resolve(handle, "KelPlugin_create", library->create_, error) &&
        resolve(handle, "KelPlugin_destroy", library->destroy_, error) &&
        resolve(handle, "KelPlugin_loaded", library->loaded_, error) &&
        resolve(handle, "KelPlugin_unloaded", library->unloaded_, error) &&
        resolve(handle, "KelPlugin_setCallbacks", library->setCallbacks_, error) &&
        resolve(handle, "KelPlugin_getKelPluginVersion", library->getVersion_, error);
    if (!complete) {
        return nullptr;
    }
    return library;
}

PluginLibrary::~PluginLibrary() {
    if (handle_ != nullptr) {
        dlclose(handle_);
    }
}

}  // namespace kelhost
