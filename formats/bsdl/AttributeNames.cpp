#include <algorithm>
#include <string>

#include "CollectedText.h"

namespace kelbsdl {
namespace {

template <size_t N>
bool among(const char* const (&names)[N], const std::string& name) {
    return std::any_of(std::begin(names), std::end(names),
                       [&](const char* known) { return name == known; });
}

}  // namespace

bool isNeededAttribute(const std::string& name) {
    static const char* const kNeeded[] = {
        "INSTRUCTION_LENGTH", "INSTRUCTION_OPCODE", "INSTRUCTION_CAPTURE", "INSTRUCTION_PRIVATE",
        "IDCODE_REGISTER",    "USERCODE_REGISTER",  "REGISTER_ACCESS",     "BOUNDARY_LENGTH",
    };
    return among(kNeeded, name);
}

bool isKnownSkippedAttribute(const std::string& name) {
    // Pins, cells, conformance and the register descriptions of later editions of the
    // standard: none of them changes what a scan does to the part's registers.
    static const char* const kSkipped[] = {
        "COMPONENT_CONFORMANCE",
        "PIN_MAP",
        "TAP_SCAN_IN",
        "TAP_SCAN_OUT",
        "TAP_SCAN_MODE",
        "TAP_SCAN_RESET",
        "TAP_SCAN_CLOCK",
        "BOUNDARY_CELLS",
        "BOUNDARY_REGISTER",
        "COMPLIANCE_PATTERNS",
        "PORT_GROUPING",
        "RUNBIST_EXECUTION",
        "INTEST_EXECUTION",
        "BSDL_EXTENSION",
        "DESIGN_WARNING",
        "SYSCLOCK_REQUIREMENTS",
        "REGISTER_MNEMONICS",
        "REGISTER_FIELDS",
        "REGISTER_ASSEMBLY",
        "REGISTER_CONSTRAINTS",
        "REGISTER_ASSOCIATION",
        "POWER_PORT_ASSOCIATION",
        "SEGMENT_MNEMONICS",
        "BOUNDARY_SEGMENT",
        "DOMAIN",
        "DOMAIN_EXTERNAL",
        "REGISTER_RESET",
        "TEST_LOGIC_RESET",
        "SYSCLK_REQUIREMENTS",
        "AIO_COMPONENT_CONFORMANCE",
        "AIO_PIN_BEHAVIOR",
        "AIO_EXTEST_PULSE_EXECUTION",
        "AIO_EXTEST_TRAIN_EXECUTION",
    };
    return among(kSkipped, name);
}

}  // namespace kelbsdl
