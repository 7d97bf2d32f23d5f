#include "run/PluginLocation.h"

#include <filesystem>
#include <system_error>

namespace kelsvf {
namespace {

// The build defines both: the library's file name, and the library folder relative to the
// folder kelsvf is installed in.
#ifndef KELSVF_PLUGIN_FILE_NAME
#error "KELSVF_PLUGIN_FILE_NAME must name the plug-in library file"
#endif
#ifndef KELSVF_LIBDIR_FROM_BINDIR
#error "KELSVF_LIBDIR_FROM_BINDIR must give the library folder relative to the binary folder"
#endif

std::filesystem::path executableFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path(".") : self.parent_path();
}

}  // namespace

std::vector<std::string> defaultPluginCandidates() {
    const std::filesystem::path folder = executableFolder();
    return {
        (folder / KELSVF_PLUGIN_FILE_NAME).string(),
        (folder / KELSVF_LIBDIR_FROM_BINDIR / KELSVF_PLUGIN_FILE_NAME).lexically_normal().string(),
    };
}

std::string defaultPluginPath() {
    const std::vector<std::string> candidates = defaultPluginCandidates();
    for (const std::string& candidate : candidates) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) {
            return candidate;
        }
    }
    return candidates.back();
}

}  // namespace kelsvf
