// The help of kelsvf bsdl: what it reads of a BSDL file and how it prints the part.
#include <array>

#include "cli/help/HelpFormat.h"
#include "cli/help/HelpText.h"

namespace kelsvf {

std::string bsdlHelp() {
    constexpr std::array kOptions{
        OptionHelp{"--json", "the part as one JSON object"},
        OptionHelp{"-h, --help", "help for the command"},
        OptionHelp{"--", "the end of the options: what follows is taken as it is"},
    };
    return R"help(Usage: kelsvf bsdl FILE.bsd|- [--json]

Reads a BSDL file (IEEE 1149.1 Boundary-Scan Description Language, with the IEEE 1532
in-system configuration instructions and registers where the file has them) and prints what
it tells about the part: the entity, the instruction length and capture, the IDCODE with its
mask, every instruction with its opcodes and the data register it selects with that
register's length, and the boundary length. The file is read in blocks and only what is
printed is kept; - reads standard input.

)help" + optionRows(kOptions, 14) +
           R"help(
What is read:
  INSTRUCTION_LENGTH, INSTRUCTION_OPCODE (several opcodes per instruction, X bits),
  INSTRUCTION_CAPTURE, INSTRUCTION_PRIVATE, IDCODE_REGISTER, USERCODE_REGISTER,
  REGISTER_ACCESS (BYPASS, BOUNDARY, DEVICE_ID, USERCODE and registers named with [length],
  CAPTURES) and BOUNDARY_LENGTH. Strings may be joined with & over any number of lines,
  with comments (--) between them; names and keywords are read in any letter case and
  printed in upper case; constants that the file gives are looked up. Where REGISTER_ACCESS
  does not say otherwise, BYPASS, CLAMP and HIGHZ select the 1-bit BYPASS register; EXTEST,
  SAMPLE, PRELOAD and INTEST the boundary register; IDCODE and USERCODE the 32-bit
  DEVICE_ID and USERCODE registers.

  What the part's registers do not depend on (ports, pin maps, boundary cells, ISC flows
  and procedures) is skipped. An attribute that is not read, a statement that is not read,
  a constant that a used package gives and the file does not, or a list with a comma
  missing or one too many is a note, "FILE:LINE:COLUMN: note: TEXT" on standard error,
  never a failure. An error stops the reading: "FILE:LINE:COLUMN: error: TEXT".

Report:
  "entity NAME", "instruction length N, capture BITS", "idcode BITS (0xVALUE, mask
  0xMASK)" (X bits are outside the mask), "usercode BITS", "boundary length N", then a line
  per instruction (its name, its opcodes, and "REGISTER, N bits"; "private" for
  INSTRUCTION_PRIVATE) and per register (its name and "N bits"), in the file's order. Bits
  are written as BSDL writes them: the leftmost is the most significant, the rightmost the
  one nearest TDO.

  With --json one object: "file", "entity", "instruction_length", "instruction_capture"
  (0, 1 and X, or null), "idcode" (32 characters of 0, 1 and X, most significant bit
  first, or null), "idcodes" (every one the file gives), "usercode", "boundary_length",
  "instructions" (from each name to {"opcodes": [BITS, ...], "register": NAME or null,
  "length": N or null, "private": true or false, "captures": BITS or null}), "registers"
  (from each name to its length or null), "notes" (line, column, text) and
  "notes_left_out". For a file with an error: "file", "error" (line, column, message) and
  "notes".

Example:
  kelsvf bsdl board/fpga.bsd
  kelsvf bsdl board/cpld.bsd --json

Exit codes:
  0  the file was read (notes may have been shown)
  1  the file has an error: it is not BSDL, or its values contradict each other (an opcode
     whose length is not INSTRUCTION_LENGTH, an IDCODE that is not 32 bits, a register
     given two lengths)
  2  bad command line
  3  the file could not be read, or standard output could not be written
)help";
}

}  // namespace kelsvf
