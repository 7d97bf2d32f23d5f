// The help of the commands that play SVF files on a simulated chain (check, diff): one chain
// description, so both describe their chain options in the same words.
#include <array>

#include "cli/help/HelpFormat.h"
#include "cli/help/HelpText.h"

namespace kelsvf {
namespace {

constexpr OptionHelp kChain{
    "--chain DEVICES",
    "the devices, device 0 (nearest TDI) first: IRLEN[:IDCODE[:OPCODE]] each, the IDCODE in "
    "hex, 0 for none (6:0x0362d093,8,10), OPCODE the hex code of the instruction that selects "
    "the IDCODE register (8:0x1a2b3c4d:0x01); or the part's BSDL file (a path with a '/' or "
    "ending in .bsd, .bsdl or .bsm): board/cpld.bsd,board/fpga.bsd,8"};
constexpr OptionHelp kBsdlFolder{
    "--bsdl-dir DIR",
    "for each device with an IDCODE (--chain, --chainfile) the BSDL file in DIR whose IDCODE "
    "matches it, X bits matching any"};
constexpr OptionHelp kChainFile{
    "--chainfile FILE",
    "the devices' IDCODEs from a chain-description file (one a line, device 0 first, as the "
    "plug-in reads it); a line may give irlen=N and opcode=HEX before its IDCODE (irlen=8 "
    "opcode=0x01 1A2B3C4D, the IDCODE its last eight hex digits), else --irlen gives the IR "
    "lengths"};
constexpr OptionHelp kIrLengths{
    "--irlen LIST", "the IR length of every device, device 0 first: 6,8,10; each 1 to 64"};
constexpr OptionHelp kHelp{"-h, --help", "help for the command"};
constexpr OptionHelp kEndOfOptions{"--", "the end of the options: what follows is taken as it is"};

}  // namespace

std::string checkHelp() {
    constexpr std::array kOptions{
        kChain,
        kChainFile,
        kIrLengths,
        kBsdlFolder,
        OptionHelp{"--frequency HZ",
                   "the TCK frequency of the replay time in the summary (default 1e6, 1 MHz); a "
                   "lower FREQUENCY in the file counts while it is in force"},
        OptionHelp{"--events", "an event a line, in the order of the file, instead of the summary"},
        OptionHelp{"--json", "the report as one JSON document"},
        OptionHelp{"--full-values", "with --json: every digit of values past 256 bits"},
        kHelp,
        kEndOfOptions,
    };
    return R"help(Usage: kelsvf check FILE.svf|- (--chain DEVICES | --chainfile FILE [--irlen LIST] |
                    --irlen LIST) [--bsdl-dir DIR] [--frequency HZ]
                    [--events | --json [--full-values]]

Plays an SVF file, from any generator, or an XSVF file (told apart by its content; its places
are the byte offsets of its commands), on a simulated chain and reports what it does: every
instruction and data register each device latches, every TDO comparison, and what a player
would refuse or read differently. The file is read one statement at a time and its scans a
block at a time; memory stays bounded whatever their lengths.

)help" + optionRows(kOptions, 21) +
           R"help(
How the file is played:
  The TAP starts in Test-Logic-Reset. Moves take the shortest TMS path ("STATE RESET;"
  always clocks five times with TMS high); a STATE path clocks once per state. SIR and SDR
  shift the header, the statement and the trailer in force as one scan and end in the
  ENDIR/ENDDR state; from IRPAUSE or DRPAUSE they continue the shift there, without a
  capture. RUNTEST moves to its run state, clocks there, waits, and moves to its end state.
  TRST ON resets the TAP controllers.

  An SIR must be exactly as long as the IR lengths together. An SDR must fit the registers
  the instructions select: 1 bit for BYPASS (the all-ones instruction); 32 bits for IDCODE,
  after a reset for a device with an IDCODE in the chain or by the OPCODE given; 1 bit
  after a reset for a device with IDCODE 0 (none); at least 1 bit for a device whose IDCODE
  is not given and for any other instruction, whose register takes the bits the others
  leave. When several devices have such registers, all but the one nearest TDO are taken as
  1 bit (a warning). A longer SDR through BYPASS alone measures the chain (a note). A data
  register holds every bit shifted into it since its Capture-DR, across SDRs continued from
  DRPAUSE, and every Update-DR reports it whole, also without a shift. TDO is compared where
  the capture is known: BYPASS, IDCODE, the two lowest bits of each IR (01), and bits the
  scan itself pushed through a register of known length; the rest is not compared.

  A device with a BSDL file (kelsvf help bsdl) is known better. Each IR update names the
  instruction its opcodes give ("ir 05 SAMPLE"); an instruction that is not among them is a
  warning [unknown-instruction]. The register an instruction selects has the file's length,
  so an SDR of another length is an error naming the instruction, the register and both
  lengths. TDO is compared where the file fixes it: BYPASS, the
  IDCODE with its X bits not compared, the INSTRUCTION_CAPTURE bits. The summary names
  every instruction loaded that erases or writes what the part keeps without power: its
  name has ERASE or PROG at its start or after a '_' (ISC_ERASE, ISC_PROGRAM,
  FLASH_ERASE_ALL; not SRAMPROG), or it names a FUSE, FLASH, OTP or EEPROM with WRITE,
  BURN or BLOW ("non-volatile: device 0 (FPGA10_FG64): ISC_ERASE at line 120").

Report:
  A summary a person reads. Per device (its BSDL entity, or its index and IR length): each
  instruction loaded ("ir VALUE NAME") with how often and its first and last line, the
  lengths of the data registers updated under it and how often, and each run of data under
  one instruction longer than a line shows (two scans or more, or more than 256 bits) with
  its scans, bits, lines and the first 16 hex digits of the SHA-256 of its values and their
  lengths. Then the IDCODE checks and their result, the TDO checks as compared and passed,
  not comparable (no bit they expect is known) and failed, the clocks spent in each TAP
  state, the TCK clocks in all, the RUNTEST minimum times, the shortest replay time at
  --frequency (every clock, plus every minimum time), and the findings: each kind once,
  "FILE:LINE[:COLUMN]: error|warning|note: TEXT [KIND]" of the first, followed by their
  count and the first and last lines when there are more.

  With --events one line per event instead, in the order of the file: "FILE:LINE: device N
  ir|dr VALUE [NAME] (BITS bits)" for each register a device latches (at Update-IR every
  device, at Update-DR every device not in BYPASS) on the line of the statement whose bits
  it latches, "FILE:LINE: tdo BITS bits passed|FAILED|not compared" for each TDO
  comparison, and "FILE:LINE[:COLUMN]: error|warning|note: TEXT [KIND]" for each finding;
  past the first 3 findings of a kind one line before the summary counts them all. Values
  are hex, most significant digit first; past 256 bits the first 16 digits, an ellipsis
  and the first 16 hex digits of the SHA-256 of the value and its length. The same summary
  of clocks and waits follows.

  Errors: a scan that does not fit the chain, a TDO mismatch, a STATE path that cannot be
  clocked, TRST after TRST ABSENT, a file without a statement, a statement that is not SVF
  (the check stops there). Warnings: what players read differently or refuse (counts of
  2^31 or more, several statements on a line, a file that ends right after its last ';',
  PIO, a RUNTEST run state carried over where a later statement makes it matter, a STATE
  path through a shift state, MAXIMUM below the minimum time, hex digits beyond the value's
  whole bytes, ...).

  With --json the same as one JSON document: "file", "chain", "events" (objects of type
  "update", "tdo" or "finding", with the same fields, every finding), "summary" and
  "result" ("ok" or "errors"). With BSDL files the chain's devices have "part", their IR
  updates "instruction", and the summary "nonVolatile".

Example:
  kelsvf check design.svf --chain 6:0x0362d093,8,10
  kelsvf check design.svf --irlen 6,8,10 --frequency 10e6 --json
  kelsvf check design.svf --chain board/sensor.bsd,board/cpld.bsd,board/fpga.bsd
  kelsvf check design.svf --chainfile board.chain --irlen 6,8,10 --bsdl-dir board/bsdl

Exit codes:
  0  the file plays without an error (warnings may have been reported)
  1  an error was found: a scan that does not fit, a TDO mismatch, a STATE path that cannot
     be clocked, or a statement that is not SVF
  2  bad command line (a chain option missing or malformed, options that do not fit
     together, a chain-description file whose devices do not match --irlen, a BSDL file
     whose IR length does not fit the device)
  3  the SVF file, the chain-description file or a BSDL file could not be read (or has
     an error), or the report could not be written ("kelsvf: cannot write standard
     output: REASON")
)help";
}

std::string diffHelp() {
    constexpr std::array kOptions{
        kChain,
        kChainFile,
        kIrLengths,
        kBsdlFolder,
        OptionHelp{"--max-differences N", "stop after N differences (default 10)"},
        OptionHelp{"--waits MODE",
                   "exact (the default): the same clocks in each TAP state and the same minimum "
                   "times; at-least: B's RUNTESTs take at least A's time in each run state, "
                   "clocks counted at the FREQUENCY in force or --frequency (for conversions "
                   "such as XSVF, whose waits are microseconds)"},
        OptionHelp{"--frequency HZ",
                   "with --waits at-least: the TCK frequency where a file "
                   "sets none (default 1e6, 1 MHz)"},
        kHelp,
        kEndOfOptions,
    };
    return R"help(Usage: kelsvf diff A.svf B.svf (--chain DEVICES | --chainfile FILE [--irlen LIST] |
                   --irlen LIST) [--bsdl-dir DIR] [--max-differences N]
                   [--waits exact|at-least] [--frequency HZ]

Plays two SVF or XSVF files, from any generators, on the same simulated chain and tells
whether they do the same to it. Two files have the same effect when every device latches the
same instructions and data in the same order, they compare the same TDO bits against the
same values (the pieces of a scan continued through a pause are one check), and between one
such event and the next they spend the same clocks in each TAP state and the same RUNTEST
minimum times (with --waits at-least: B's RUNTESTs take at least A's time in each run state;
the last line says so). How the text says it does not matter: line breaks, letter case,
comments, hex digit counts, headers and trailers written again, RUNTEST runs split in two,
STATE paths spelled out. Both files are read one statement at a time, in turn, and their
scans a block at a time; memory stays bounded whatever their lengths. One of the files may
be - for standard input.

)help" + optionRows(kOptions, 26) +
           R"help(
The files are played as kelsvf check plays them (see kelsvf help check).

Report:
  One line per difference, in the order of the files: "A.svf:LINE B.svf:LINE: WHAT: A's |
  B's", for example "a.svf:14 b.svf:15: device 0 data: beef (16 bits) | beff (16 bits)". A
  difference in clocks or waits names the stretch of each file between two events
  ("a.svf:14-20 b.svf:14-21: clocks in IDLE: 100 | 101"; "end" for the end of a file). A
  TDO check that only one file makes reads "none" on the other side. Every bit is compared.
  Values are hex, most significant digit first; past 256 bits the first 16 digits, an
  ellipsis, the first 16 hex digits of the SHA-256 of the value and its length, and where
  the two differ the first differing bit with, for an update, the line in each file of the
  hex digit that holds it ("first difference at bit 70 (lines 1012 | 1015)"; "captured" for
  a bit that no scan shifted in). Differences are printed as they are found. Clock counts
  and waits are exact whatever their size. The last line says whether the files have the
  same effect and, if so, how many updates, TDO checks, clocks and microseconds of waits
  they share.

Example:
  kelsvf diff old.svf new.svf --chain 6:0x0362d093,8,10
  kelsvf diff vendor.svf ours.svf --irlen 6,8,10 --max-differences 3

Exit codes:
  0  the two files have the same effect on the chain
  1  they differ (the differences are shown)
  2  bad command line (a chain option missing or malformed, options that do not fit
     together, a chain-description file whose devices do not match --irlen)
  3  a file could not be read, or is not SVF (the reader's error is shown, with its
     line and column), or the report could not be written
)help";
}

}  // namespace kelsvf
