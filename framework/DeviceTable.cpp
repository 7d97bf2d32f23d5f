// The chain model: device records in chain order and the IR pad bits derived from them.
#include "kel/DeviceTable.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace KelPluginInterface {

void DeviceTable::clear() {
    deviceCount_ = 0;
    allIRLengthsSet_ = false;
    std::fill(std::begin(devices_), std::end(devices_), DeviceRecord{});
}

void DeviceTable::setDeviceCount(uint32_t count) {
    deviceCount_ = std::min(count, KEL_MAX_DEVICES);
}

bool DeviceTable::appendDevice(uint32_t deviceId) {
    if (deviceCount_ >= KEL_MAX_DEVICES) {
        return false;
    }
    // The slot may hold a record left over from a longer chain: start it afresh.
    devices_[deviceCount_] = DeviceRecord{0, deviceId, 0, 0};
    ++deviceCount_;
    // The new device has no IR length yet.
    allIRLengthsSet_ = false;
    return true;
}

uint32_t DeviceTable::irLength(uint32_t index) const {
    return index < deviceCount_ ? devices_[index].irLength : 0;
}

uint32_t DeviceTable::deviceId(uint32_t index) const {
    return index < deviceCount_ ? devices_[index].deviceId : 0;
}

uint32_t DeviceTable::irHeadingPadBits(uint32_t index) const {
    return index < deviceCount_ ? devices_[index].irHeadingPadBits : 0;
}

uint32_t DeviceTable::irTrailingPadBits(uint32_t index) const {
    return index < deviceCount_ ? devices_[index].irTrailingPadBits : 0;
}

void DeviceTable::setDeviceId(uint32_t index, uint32_t deviceId) {
    if (index < deviceCount_) {
        devices_[index].deviceId = deviceId;
    }
}

void DeviceTable::setDeviceIRLength(uint32_t index, uint32_t length) {
    if (index < deviceCount_) {
        devices_[index].irLength = length;
        updatePadBits();
    }
}

bool DeviceTable::updatePadBits() {
    allIRLengthsSet_ = false;
    // Sums run in 64 bits: a chain whose whole IR does not fit 32 bits cannot be padded, so it
    // counts as not set rather than wrapping into pad lengths that lie about the buffer size.
    uint64_t forwardSum = 0;
    uint64_t backwardSum = 0;
    for (uint32_t forward = 0; forward < deviceCount_; ++forward) {
        const uint32_t backward = deviceCount_ - 1 - forward;
        if (devices_[forward].irLength == 0) {
            return false;
        }
        devices_[forward].irHeadingPadBits = static_cast<uint32_t>(forwardSum);
        devices_[backward].irTrailingPadBits = static_cast<uint32_t>(backwardSum);
        forwardSum += devices_[forward].irLength;
        backwardSum += devices_[backward].irLength;
        if (forwardSum > UINT32_MAX) {
            return false;
        }
    }
    allIRLengthsSet_ = deviceCount_ > 0;
    return allIRLengthsSet_;
}

uint32_t DeviceTable::getTotalIRLength() const {
    if (!allIRLengthsSet_) {
        return 0;
    }
    uint32_t total = 0;
    for (uint32_t index = 0; index < deviceCount_; ++index) {
        total += devices_[index].irLength;
    }
    return total;
}

bool DeviceTable::hasSameDevices(const DeviceTable& other) const {
    if (deviceCount_ != other.deviceCount_) {
        return false;
    }
    for (uint32_t index = 0; index < deviceCount_; ++index) {
        if (devices_[index].deviceId != other.devices_[index].deviceId) {
            return false;
        }
    }
    return true;
}

void DeviceTable::assign(const DeviceTable& other) {
    if (this == &other) {
        return;
    }
    deviceCount_ = other.deviceCount_;
    allIRLengthsSet_ = other.allIRLengthsSet_;
    std::copy_n(other.devices_, deviceCount_, devices_);
}

void DeviceTable::reverse() {
    std::reverse(devices_, devices_ + deviceCount_);
}

}  // namespace KelPluginInterface
