// TEMPORARY STUBS: replace with the real bodies.
#include "kel/KelPlugin.h"

namespace KelPluginInterface {

KelResult KelPlugin::scanJTAGChain() { return KEL_FAILURE; }
KelResult KelPlugin::fileScanJTAGChain(const char*) { return KEL_FAILURE; }
KelResult KelPlugin::targetScanJTAGChain() { return KEL_FAILURE; }
KelResult KelPlugin::finishChainScan(DeviceTable&) { return KEL_FAILURE; }

}  // namespace KelPluginInterface
