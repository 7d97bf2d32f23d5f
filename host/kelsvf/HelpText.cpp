#include "HelpText.h"

#include "Operations.h"

namespace kelsvf {
namespace {

constexpr char kCommonOptions[] = R"(Options of both commands:
  --plugin PATH   the plug-in library to load (default: libKelSvfFilePlugin.so beside
                  kelsvf, else in the install prefix's library folder)
  -v LEVEL        show the plug-in's prints up to this level (default 2: errors and status;
                  3 listings, 4 detail, 0 none). Messages are always shown.
  --trace         show the call tree: every traced call, indented by nesting, with its result
  --dump          show the bit buffers the plug-in dumps
  --keep-going    run every operation even after one fails, and keep the output (reported
                  as incomplete)
  -h, --help      help for the command
)";

constexpr char kExitCodes[] = R"(Exit codes:
  0  every operation succeeded and the output file is complete
  1  an operation failed; the output file was removed (with --keep-going: kept, and
     reported as incomplete)
  2  bad command line
  3  the script could not be read or has a bad line ("file:line: what is wrong");
     nothing ran and no output file was touched
  4  the plug-in could not be loaded, or it speaks another interface version
)";

std::string operationList() {
    std::string list;
    for (const OperationInfo& operation : operations()) {
        list += "  ";
        list += operation.name;
        if (!operation.usage.empty()) {
            list += " ";
            list += operation.usage;
        }
        list += "\n      ";
        list += operation.summary;
        list += "\n";
    }
    return list;
}

}  // namespace

std::string generalHelp() {
    return std::string(
               R"(kelsvf: drive the SVF-file JTAG plug-in from the command line, as a host does.

Usage:
  kelsvf run [OPTIONS] SCRIPT|-      run a script of JTAG operations (- reads standard input)
  kelsvf program [OPTIONS] ...       wrap a bitstream into an SVF file for one device
  kelsvf help [run|program]          help for a command (also: kelsvf COMMAND --help)
  kelsvf --version

kelsvf loads libKelSvfFilePlugin.so with dlopen, creates one target, and calls it only
through its public interface. What the plug-in prints, reports and traces goes to standard
error; queries in a script print to standard output.

)") + kCommonOptions +
           "\n" + kExitCodes;
}

std::string runHelp() {
    return std::string(R"(Usage: kelsvf run [OPTIONS] SCRIPT|-

Runs a script, one operation a line, against the plug-in's SVF target. The whole script is
read and checked first (data files included); a bad line stops everything with
"file:line: what is wrong" before the target is touched. An operation that fails stops the
run and removes the output file, unless --keep-going. A target still open at the end of the
script is closed.

  -o, --output PATH   write the SVF file to PATH, replacing fname= of the script's open line

)") + kCommonOptions +
           R"(
Script language:
  One operation a line; words are separated by blanks; "double quotes" group words (\" and
  \\ inside); # starts a comment. Operation names ignore case. Numbers are decimal or
  hexadecimal with 0x. Devices are numbered from 0, the device nearest TDI. Relative paths
  of input files are looked up in the script's folder; the output file (fname=) is written
  where kelsvf runs.

  HEX is a register value as SVF writes it: most significant digit first, "0x" allowed, no
  more digits than BITS holds and no bit set at or above BITS ("ir 1 8 05", "dr 1 32
  12345678"). @FILE takes the bits from a binary file: byte 0 of the file is shifted first,
  bit 0 of each byte first; without BITS, all its bytes (8 bits each) are shifted.

  STATE is an SVF state name: RESET IDLE DRSELECT DRCAPTURE DRSHIFT DREXIT1 DRPAUSE
  DREXIT2 DRUPDATE IRSELECT IRCAPTURE IRSHIFT IREXIT1 IRPAUSE IREXIT2 IRUPDATE.

  Prefix any line with "try" to let it fail without stopping the run (most pass-through
  operations are not supported by the SVF target and fail).

Operations:
)" + operationList() +
           R"(
Example:
  open fname=out.svf type=SVF
  lock                  # STATE RESET; STATE IDLE;
  chain 6 8 10          # three devices, IR lengths 6, 8 and 10
  ir 1 8 05             # HIR/TIR/HDR/TDR for device 1, then SIR 8 TDI (05);
  dr 1 32 12345678      # SDR 32 TDI (12345678);
  runtest 100           # STATE IDLE; RUNTEST 100 TCK;
  unlock
  close

)" + kExitCodes;
}

std::string programHelp() {
    return std::string(
               R"(Usage: kelsvf program --irlen LIST [--chainfile FILE] [--device N] --ir HEX
                      --data FILE -o OUT.svf [--runtest CLOCKS] [OPTIONS]

Writes an SVF file that loads an instruction into one device of a chain and then shifts a
data file (a bitstream) into its data register, every other device in BYPASS. It writes the
same lines a "run" script would and runs them the same way; --print-script shows them.

  --irlen LIST       the IR length of every device, device 0 (nearest TDI) first: 6,8,10
  --chainfile FILE   take the devices' IDCODEs from a chain-description file (one IDCODE a
                     line, device 0 first); --irlen still gives their IR lengths
  --device N         the device to program (default 0)
  --ir HEX           the instruction to load first; the device's IR length in bits
  --data FILE        the data file: byte 0 shifted first, bit 0 of each byte first
  -o, --output PATH  the SVF file to write
  --runtest CLOCKS   clocks in Run-Test/Idle after the data (RUNTEST CLOCKS TCK;)
  --type TEXT        the target type option given to the plug-in (default SVF)
  --print-script     print the script and run nothing

)") + kCommonOptions +
           R"(
Example:
  kelsvf program --irlen 6,8,10 --device 2 --ir 3c5 --data design.bit -o design.svf

)" + kExitCodes;
}

}  // namespace kelsvf
