// TEMPORARY STUBS: replace with the real bodies.
#include "kel/KelPlugin.h"

namespace KelPluginInterface {

void KelPlugin::copyBits(uint8_t*, uint32_t, const uint8_t*, uint32_t, uint32_t) {  }
KelResult KelPlugin::maskBuffer(uint8_t*, const uint8_t*, const uint8_t*, uint32_t) { return KEL_FAILURE; }

}  // namespace KelPluginInterface
