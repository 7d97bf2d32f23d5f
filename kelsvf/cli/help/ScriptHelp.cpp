// The help of the commands that run scripts against the plug-in (run, program), and the general
// help, which shows their options.
#include <string_view>

#include "cli/help/HelpFormat.h"
#include "cli/help/HelpText.h"
#include "script/Operations.h"

namespace kelsvf {
namespace {

constexpr char kCommonOptions[] = R"(Options of run and program:
  --plugin PATH   the plug-in library to load (default: libKelSvfFilePlugin.so beside
                  kelsvf, else in the install prefix's library folder)
  -v LEVEL        show the plug-in's prints up to this level (default 2: errors and status;
                  3 listings, 4 detail, 0 none). Messages are always shown.
  --trace         show the call tree: every traced call, indented by nesting, with its result
  --dump          show the bit buffers the plug-in dumps
  --keep-going    run every operation even after one fails, and put the output in place
                  anyway (reported as incomplete); a lost write still stops the run
  --no-sync       do not sync the output file to disk before its rename (and its folder
                  after): a run that writes much is faster, but after a power loss the file
                  may be there under its name empty or with old blocks; for scratch output
  -h, --help      help for the command
  --              the end of the options: what follows is taken as it is
  A short option takes its value apart or attached (-v 4, -v4; -o FILE, -oFILE), a long
  option apart or after '=' (--plugin PATH, --plugin=PATH).
)";

constexpr char kOutputFiles[] = R"(Output files:
  An output that is a regular file (new, or existing, also through a symlink) is written
  under a temporary name in its folder, .NAME.kelsvf-partial-XXXXXX, synced to disk, and
  renamed over NAME only when the run succeeds; the folder is synced after the rename
  (--no-sync skips both). kelsvf itself writes every output, so a write, sync or close that
  fails (a full disk, a file-size limit: "File too large") fails the run whatever try or
  --keep-going say: "kelsvf: NAME left as it was: writing it failed: REASON" (or "not
  written"), exit 1, and the run stops there. A run that fails, or is ended by a signal
  whose default action ends a process (SIGINT (Ctrl-C), SIGTERM, SIGHUP, SIGPIPE, SIGQUIT,
  SIGUSR1, SIGUSR2, SIGALRM, SIGXCPU, SIGVTALRM, SIGPROF, SIGPOLL, SIGPWR, the real-time
  signals), removes the temporary file and leaves NAME as it was. A symlink keeps pointing
  where it pointed: the file it leads to is replaced. An output that is not a regular file
  (a device, a FIFO, /dev/stdout) is written directly and never removed. An output that is
  also an input of the run (the script, a data file, a chain-description file, the --plugin
  library, or with -o - the file standard output is open on), by any name or link, is
  refused before anything runs. A fault signal (SIGSEGV, SIGABRT, ...) removes the
  temporary file too, then takes its default action (a core dump). A killed run (SIGKILL)
  may leave a .NAME.kelsvf-partial-XXXXXX file behind; it is never taken for NAME.
  When the output cannot be written, kelsvf says why: "kelsvf: cannot write PATH: REASON".
  At most 20 error lines are shown, then "... and N more". Echoed text shows control bytes
  escaped (\x1b), and a word longer than 80 characters is cut, with its length.
)";

enum class ExitCodesOf { Both, Run, Program };

std::string exitCodes(ExitCodesOf command) {
    std::string text = R"(Exit codes:
  0  every operation succeeded and the output file is in place, complete
  1  an operation failed, or an output could not be written, synced or closed; no output
     file was replaced (with --keep-going after failed operations: put in place, and
     reported as incomplete; never after a lost write)
)";
    if (command == ExitCodesOf::Program) {
        text +=
            R"(  2  bad command line, or options that do not fit together (a device not on the chain, an
     IR length of 0 or over 64, more than 255 devices, an instruction too long for the
     device, a data file that cannot be read or does not fit, a path or value with a
     control byte, -o naming --data, --chainfile or --plugin); nothing ran and no output
     file was touched
)";
    } else {
        text +=
            R"(  2  bad command line, -o naming an input of the run, or program options that do not
     fit together; nothing ran and no output file was touched
  3  the script could not be read, is not text, is larger than 1 GiB, has a bad line
     ("file:line: what is wrong") or names an input as its output (fname=); nothing ran
     and no output file was touched
)";
    }
    return text + R"(  4  the plug-in could not be loaded, or it speaks another interface version
  5  memory ran out ("kelsvf: out of memory while ..."; any command); no output file was
     replaced
  128+N  ended by signal N (130: SIGINT, 143: SIGTERM, 129: SIGHUP, 141: SIGPIPE, 131:
     SIGQUIT, 138: SIGUSR1, 142: SIGALRM, ...); no output file was replaced
)";
}

std::string operationList() {
    std::string list;
    for (const OperationInfo& operation : operations()) {
        list += "  ";
        list += operation.name;
        if (!operation.usage.empty()) {
            list += " ";
            list += operation.usage;
        }
        list += wrapped(operation.summary, "      ");
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
  kelsvf check FILE.svf CHAIN ...    play an SVF file on a simulated chain and report what
                                     it does to each device
  kelsvf diff A.svf B.svf CHAIN ...  tell whether two SVF files do the same to a chain, and
                                     where they differ
  kelsvf bsdl FILE.bsd [--json]      print what a BSDL file tells about a part: its
                                     instructions, opcodes, registers and IDCODE
  kelsvf convert IN -o OUT ...       convert SVF or XSVF into SVF every player reads alike,
                                     or into XSVF
  kelsvf help [run|program|check|diff|bsdl|convert]
                                     help for a command (also: kelsvf COMMAND --help)
  kelsvf --version                   kelsvf's version, the plug-in interface version it
                                     speaks and the plug-in it would load

kelsvf loads libKelSvfFilePlugin.so with dlopen, creates one target, and calls it only
through its public interface. What the plug-in prints, reports and traces goes to standard
error; queries in a script print to standard output. check, diff, bsdl and convert need no
plug-in: they read SVF files from any generator (convert XSVF too), and the BSDL files of
the parts.

)") + kCommonOptions +
           "\n" + kOutputFiles + "\n" + exitCodes(ExitCodesOf::Both);
}

std::string runHelp() {
    return std::string(R"(Usage: kelsvf run [OPTIONS] SCRIPT|-

Runs a script, one operation a line, against the plug-in's SVF target. The whole script is
read and checked first (data files included); a bad line stops everything with
"file:line: what is wrong" before the target is touched. An operation that fails stops the
run, and the output file is not put in place, unless --keep-going. A target still open at
the end of the script is closed.

  -o, --output PATH   write the SVF file to PATH, replacing fname= of the script's open
                      line; -o - writes it to standard output (queries then print to
                      standard error)

)") + kCommonOptions +
           R"(
Script language:
  One operation a line; a line ends at LF, CR LF or a lone CR. Words are separated by
  blanks; "double quotes" group words (\" and \\ inside); # starts a comment. An operation
  refuses words it does not take (open takes KEY=VALUE words only). Operation names ignore
  case. Numbers are decimal or hexadecimal with 0x. Devices are numbered from 0, the device
  nearest TDI. Relative paths of input files are looked up in the script's folder; the
  output file (fname=) is written where kelsvf runs. A UTF-8 byte order mark at the start is
  ignored; a file that is not text (a NUL byte, for example) is refused, and so is a script
  of more than 1 GiB. The script is checked in one pass and run in a second, so memory does
  not grow with its length (standard input and other streams are copied to a temporary file
  first).

  HEX is a register value as SVF writes it: most significant digit first, "0x" allowed, no
  more digits than BITS holds and no bit set at or above BITS ("ir 1 8 05", "dr 1 32
  12345678"). @FILE takes the bits from a binary file: byte 0 of the file is shifted first,
  bit 0 of each byte first; @FILE:msb shifts bit 7 of each byte first (the order many FPGA
  configuration files are stored in; @FILE:lsb spells out the default). Without BITS, all
  its bytes (8 bits each) are shifted. A regular file must hold exactly the bytes BITS take
  (it is refused by its size, unread); a FIFO or a device is read only as far as BITS take,
  and without BITS up to 64 MiB. A file named on several lines is read once. A
  chain-description file is at most 1 MiB.

  Where chain (or devices and irlen) gave the chain, an ir line must shift exactly the
  device's IR length, and no IR length is 0; a chain has at most 255 devices.

  STATE and END are SVF state names: RESET IDLE DRSELECT DRCAPTURE DRSHIFT DREXIT1 DRPAUSE
  DREXIT2 DRUPDATE IRSELECT IRCAPTURE IRSHIFT IREXIT1 IRPAUSE IREXIT2 IRUPDATE. END is where
  an ir or dr scan leaves the TAP: IDLE (the default), IRPAUSE and DRPAUSE are honoured,
  any other state (RESET too) ends in IDLE.

  Waits are written into the SVF file; nothing sleeps. state and runtest write their clocks
  and WAIT_US as one RUNTEST with WAIT_US as its minimum time, in IDLE, DRPAUSE or IRPAUSE
  (in RESET only the wait is written; clocks in any other state are refused). wait writes a
  RUNTEST of that minimum time in the state the TAP is in.

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

)" + kOutputFiles +
           "\n" + exitCodes(ExitCodesOf::Run);
}

std::string programHelp() {
    return std::string(
               R"(Usage: kelsvf program --irlen LIST [--chainfile FILE] [--device N] --ir HEX
                      --data FILE [--msb-first] -o OUT.svf|- [--runtest CLOCKS] [OPTIONS]

Writes an SVF file that loads an instruction into one device of a chain and then shifts a
data file (a bitstream) into its data register, every other device in BYPASS. It writes the
same lines a "run" script would and runs them the same way; --print-script shows them.
Messages name the option at fault.

  --irlen LIST       the IR length of every device, device 0 (nearest TDI) first: 6,8,10;
                     each 1 to 64 bits, at most 255 devices
  --chainfile FILE   take the devices' IDCODEs from a chain-description file (one IDCODE a
                     line, device 0 first); --irlen still gives their IR lengths
  --device N         the device to program (default 0)
  --ir HEX           the instruction to load first; the device's IR length in bits
  --data FILE        the data file: byte 0 shifted first, bit 0 of each byte first
  --msb-first        shift bit 7 of each data byte first (many FPGA configuration files
                     are stored so)
  -o, --output PATH  the SVF file to write; - writes it to standard output
  --runtest CLOCKS   clocks in Run-Test/Idle after the data (RUNTEST CLOCKS TCK;)
  --type TEXT        the target type option given to the plug-in (default SVF)
  --print-script     print the script, with absolute paths so that it runs from any
                     folder, and run nothing

)") + kCommonOptions +
           R"(
Example:
  kelsvf program --irlen 6,8,10 --device 2 --ir 3c5 --data design.bit -o design.svf

)" + kOutputFiles +
           "\n" + exitCodes(ExitCodesOf::Program);
}

}  // namespace kelsvf
