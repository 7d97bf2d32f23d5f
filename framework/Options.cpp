// TEMPORARY STUBS: replace with the real bodies.
#include "kel/KelPlugin.h"

namespace KelPluginInterface {

KelResult KelPlugin::setOptionImpl(const char*, const char*) { return KEL_FAILURE; }
KelResult KelPlugin::getOptionImpl(const char*, uintptr_t, uintptr_t) { return KEL_FAILURE; }
KelResult KelPlugin::isFileOutputImpl(int32_t*) { return KEL_FAILURE; }
KelResult KelPlugin::setOption(const char*, const char*) { return KEL_FAILURE; }
KelResult KelPlugin::getOption(const char*, uintptr_t, uintptr_t) { return KEL_FAILURE; }
KelResult KelPlugin::isFileOutput(int32_t*) { return KEL_FAILURE; }
const char* KelPlugin::findKey(uint32_t, const char* const*, const char*) { return nullptr; }

}  // namespace KelPluginInterface
