// The chain an SVF file is played on: its devices in order, each with its IR length and,
// when known, its IDCODE. Parsed from the command-line forms the checking commands take.
#ifndef KELSVF_CHECK_CHAIN_DESCRIPTION_H
#define KELSVF_CHECK_CHAIN_DESCRIPTION_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kelbsdl/BsdlDescription.h"

namespace kelsvf::check {

// IR lengths a simulated device can have.
constexpr uint32_t kMaxIrLength = 64;
// As many devices as the plug-in's chain model holds.
constexpr size_t kMaxDevices = 255;

// An instruction whose data register is known: the player gives that register its length, and
// its capture where known, instead of taking it to be of unknown length.
struct KnownInstruction {
    uint64_t opcode = 0;
    std::string name;     // "IDCODE", ...
    uint64_t length = 0;  // of the register it selects, at least 1 bit
    // Capture-DR loads the device's IDCODE; otherwise what it captures is the device's own.
    bool capturesIdcode = false;
    // It selects the 1-bit BYPASS register (a part's HIGHZ or CLAMP), which captures 0.
    bool bypass = false;

    bool operator==(const KnownInstruction&) const = default;
};

struct DeviceDescription {
    uint32_t irLength = 0;
    // With one, a reset selects the 32-bit IDCODE register. 0: the device has none, and a reset
    // selects BYPASS, as the standard has it. None given: not known, so the register a reset
    // selects is of unknown length.
    std::optional<uint32_t> idcode;
    // Instructions whose registers are known (never the all-ones BYPASS): the IDCODE
    // instruction's code given with --chain, later a device description's table.
    std::vector<KnownInstruction> instructions{};
    // The part's BSDL file, when given: the instructions' names, what the part captures.
    std::shared_ptr<const kelbsdl::Description> part = nullptr;
    // The IDCODE bits that are known: an IDCODE taken from a BSDL file leaves its X bits open.
    uint32_t idcodeCare = 0xFFFFFFFFu;

    // The entry for `opcode`, or null.
    const KnownInstruction* instruction(uint64_t opcode) const;

    bool operator==(const DeviceDescription&) const = default;
};

struct ChainDescription {
    std::vector<DeviceDescription> devices;  // device 0 nearest TDI, as the plug-in numbers them

    uint64_t irPathLength() const;
    // "3 devices (IR 6:0362d093, 8, 10)".
    std::string describe() const;

    bool operator==(const ChainDescription&) const = default;
};

// Every parser returns nothing and sets `error` (a sentence without the option's name) when
// the text is not what it should be.

// "6:0x0362d093:0x01,8,10": IRLEN[:IDCODE[:OPCODE]] per device, device 0 first; IDCODE in
// hex, with or without 0x (0 for a device without one; else bit 0 is 1, as the standard has
// it); OPCODE in hex, the instruction that selects the IDCODE register (below 2^IRLEN, not all
// ones).
std::optional<ChainDescription> parseChainOption(std::string_view text, std::string& error);

// "6,8,10": the IR lengths, device 0 first; each 1 to 64.
std::optional<std::vector<uint32_t>> parseIrLengths(std::string_view text, std::string& error);

// The IDCODEs of a chain-description file, as the plug-in reads one: one device a line (LF,
// CR LF or CR; empty lines skipped; a line longer than 254 characters counts as several),
// hexadecimal with an optional 0x, only the last eight characters counting, reading up to the
// first character that is no hex digit. An IDCODE of 0 is a device without one (which a live
// scan of the chain writes for a device in BYPASS).
std::optional<std::vector<uint32_t>> parseChainFile(std::string_view text, std::string& error);

// One device of a chain-description file. A line may carry fields before its IDCODE, words
// separated by blanks: "irlen=8 opcode=0x01 1A2B3C4D". The plug-in reads only a line's last
// eight characters, so on such a line the IDCODE must be exactly its last eight hex digits
// (0x allowed before them, nothing after them), and the line at most 254 characters.
struct ChainFileDevice {
    uint32_t idcode = 0;  // as the plug-in reads the line
    std::optional<uint32_t> irLength;
    std::optional<std::string> opcode;  // hex; checked against the IR length by chainFromFile
    uint64_t line = 0;                  // from 1
};

// The devices of a chain-description file, read as parseChainFile reads their IDCODEs; a line
// without '=' is read exactly as the plug-in reads it, whatever else it holds.
std::optional<std::vector<ChainFileDevice>> parseChainFileDevices(std::string_view text,
                                                                  std::string& error);

// The chain of a chain-description file's devices; each IR length from its line or from
// --irlen (one per device; where both give one they must agree).
std::optional<ChainDescription> chainFromFile(const std::vector<ChainFileDevice>& devices,
                                              const std::optional<std::vector<uint32_t>>& irLengths,
                                              std::string& error);

// The chain of a chain-description file's IDCODEs and the IR lengths from --irlen: one each
// per device.
std::optional<ChainDescription> chainFromIdcodes(const std::vector<uint32_t>& idcodes,
                                                 const std::vector<uint32_t>& irLengths,
                                                 std::string& error);

// The chain of IR lengths alone: IDCODEs not known.
ChainDescription chainFromIrLengths(const std::vector<uint32_t>& irLengths);

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_CHAIN_DESCRIPTION_H
