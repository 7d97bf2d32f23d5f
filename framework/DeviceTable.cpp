// TEMPORARY STUBS: replace with the real bodies.
#include "kel/DeviceTable.h"

namespace KelPluginInterface {

void DeviceTable::clear() { deviceCount_ = 0; allIRLengthsSet_ = false; }
void DeviceTable::setDeviceCount(uint32_t) {}
bool DeviceTable::appendDevice(uint32_t) { return false; }
uint32_t DeviceTable::irLength(uint32_t) const { return 0; }
uint32_t DeviceTable::deviceId(uint32_t) const { return 0; }
uint32_t DeviceTable::irHeadingPadBits(uint32_t) const { return 0; }
uint32_t DeviceTable::irTrailingPadBits(uint32_t) const { return 0; }
void DeviceTable::setDeviceId(uint32_t, uint32_t) {}
void DeviceTable::setDeviceIRLength(uint32_t, uint32_t) {}
bool DeviceTable::updatePadBits() { return false; }
uint32_t DeviceTable::getTotalIRLength() const { return 0; }
bool DeviceTable::hasSameDevices(const DeviceTable&) const { return false; }
void DeviceTable::assign(const DeviceTable&) {}
void DeviceTable::reverse() {}

}  // namespace KelPluginInterface
