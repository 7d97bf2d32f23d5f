// The framework's model of the JTAG chain: up to 255 devices, device 0 nearest TDI.
#ifndef KEL_DEVICE_TABLE_H
#define KEL_DEVICE_TABLE_H

#include <cstdint>

namespace KelPluginInterface {

constexpr uint32_t KEL_MAX_DEVICES = 255;

struct DeviceRecord {
    uint32_t irLength;           // instruction register length in bits; 0 = not set
    uint32_t deviceId;           // IDCODE; 0 for a device without one
    uint32_t irHeadingPadBits;   // IR bits of the devices between TDI and this one
    uint32_t irTrailingPadBits;  // IR bits of the devices between this one and TDO
};

// A plain value type: no allocation, no tracing, no messages. Index arguments at or beyond
// deviceCount read as 0 and are ignored by the setters.
class DeviceTable {
  public:
    DeviceTable() { clear(); }

    void clear();

    uint32_t deviceCount() const { return deviceCount_; }
    // Sets the count alone, without clearing; values above 255 are clamped to 255.
    void setDeviceCount(uint32_t count);
    // Appends a device (IR length 0); returns false when the table is full.
    bool appendDevice(uint32_t deviceId);

    uint32_t irLength(uint32_t index) const;
    uint32_t deviceId(uint32_t index) const;
    uint32_t irHeadingPadBits(uint32_t index) const;
    uint32_t irTrailingPadBits(uint32_t index) const;
    // One bypass bit for each device toward TDI, and toward TDO (unsigned arithmetic).
    uint32_t drHeadingPadBits(uint32_t index) const { return index; }
    uint32_t drTrailingPadBits(uint32_t index) const { return deviceCount_ - 1u - index; }

    void setDeviceId(uint32_t index, uint32_t deviceId);
    void setDeviceIRLength(uint32_t index, uint32_t length);
    // Recomputes every IR pad field; returns the new allIRLengthsSet.
    bool updatePadBits();

    bool allIRLengthsSet() const { return allIRLengthsSet_; }
    // The whole chain's IR length; 0 while not all IR lengths are set.
    uint32_t getTotalIRLength() const;

    bool hasSameDevices(const DeviceTable& other) const;
    void assign(const DeviceTable& other);
    void reverse();

  private:
    uint32_t deviceCount_ = 0;
    bool allIRLengthsSet_ = false;
    DeviceRecord devices_[KEL_MAX_DEVICES];
};

}  // namespace KelPluginInterface

#endif  // KEL_DEVICE_TABLE_H
