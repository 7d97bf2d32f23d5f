// The values a script line carries: numbers, IDCODEs, TAP states and scan data. Each parser
// throws LineError with a message that names what is wrong.
#ifndef KELSVF_SCRIPT_VALUES_H
#define KELSVF_SCRIPT_VALUES_H

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kel/TapStateMachine.h"

namespace kelsvf {

class DataFileCache;

// Bits for one scan, in the plug-in's bit-buffer order: bit 0 (bit 0 of byte 0) enters TDI first.
struct ScanData {
    std::vector<uint8_t> bytes;  // (bitCount + 7) / 8 bytes; bits above bitCount are zero
    uint32_t bitCount = 0;
    // Instead of `bytes`: a data file's bytes as the cache holds them, shared by every line
    // that names the file rather than copied for each.
    std::shared_ptr<const std::vector<uint8_t>> shared;

    const uint8_t* buffer() const { return shared ? shared->data() : bytes.data(); }
};

// Decimal, or hexadecimal with 0x. `what` names the argument in the message ("DEVICE").
uint64_t parseNumber(std::string_view word, std::string_view what, uint64_t max);
uint32_t parseNumber32(std::string_view word, std::string_view what);

// Hexadecimal with or without 0x, at most eight digits.
uint32_t parseIdcode(std::string_view word);

// An SVF state name or a plug-in state name.
KelPluginInterface::TapState parseTapState(std::string_view word);

// Hex digits as SVF writes TDI data: most significant digit first, "0x" allowed. Refuses more
// digits than bitCount holds and set bits at or above bitCount.
ScanData parseHexValue(std::string_view word, uint32_t bitCount);

// How a data file's bytes are shifted: bit 0 of each byte first (the plug-in's bit-buffer
// order), or bit 7 first, the order in which many FPGA configuration files are stored.
enum class BitOrder { LsbFirst, MsbFirst };

// The word after '@': "FILE" or "FILE:lsb" (bit 0 first), "FILE:msb" (bit 7 first).
struct DataFileName {
    std::string path;
    BitOrder order = BitOrder::LsbFirst;
};
DataFileName parseDataFileName(std::string_view word);

// A binary data file: byte k of the file is byte k of the bit buffer, so the first byte enters
// TDI first; with MsbFirst the bits of every byte are reversed first. Without bitCount the
// file's whole size counts; with it the file must hold exactly (bitCount + 7) / 8 bytes and
// nothing above bitCount in its last byte (after any reversal).
// The file is read no further than the line needs, and only once when `cache` is given (its
// bytes are then shared, unless :msb reverses them).
ScanData readDataFile(const std::filesystem::path& path, std::optional<uint32_t> bitCount,
                      BitOrder order = BitOrder::LsbFirst, DataFileCache* cache = nullptr);

}  // namespace kelsvf

#endif  // KELSVF_SCRIPT_VALUES_H
