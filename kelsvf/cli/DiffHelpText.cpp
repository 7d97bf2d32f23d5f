// kelsvf diff --help, in the layout of the other commands' help (the manual page and the bash
// completion read it).
#include "cli/HelpText.h"

namespace kelsvf {

std::string diffHelp() {
    return R"help(Usage: kelsvf diff A.svf B.svf (--chain DEVICES | --chainfile FILE --irlen LIST |
                   --irlen LIST) [--max-differences N]

Plays two SVF files, from any generators, on the same simulated chain and tells whether they
do the same to it. Two files have the same effect when every device latches the same
instructions and data in the same order, they compare the same TDO bits against the same
values, and between one such event and the next they spend the same clocks in each TAP
state and the same RUNTEST minimum times. How the text says it does not matter: line
breaks, letter case, comments, hex digit counts, headers and trailers written again,
RUNTEST runs split in two, STATE paths spelled out. Both files are read one statement at a
time, in turn; memory stays bounded by their largest scan. One of the files may be - for
standard input.

  --chain DEVICES         the devices, device 0 (nearest TDI) first:
                          IRLEN[:IDCODE[:OPCODE]] each, the IDCODE in hex
                          (6:0x0362d093,8,10)
  --chainfile FILE        the devices' IDCODEs from a chain-description file (one a line,
                          device 0 first, as the plug-in reads it); --irlen gives their IR
                          lengths
  --irlen LIST            the IR length of every device, device 0 first: 6,8,10; each 1 to
                          64
  --max-differences N     stop after N differences (default 10)
  -h, --help              help for the command
  --                      the end of the options: what follows is taken as it is

The files are played as kelsvf check plays them (see kelsvf help check).

Report:
  One line per difference, in the order of the files: "A.svf:LINE B.svf:LINE: WHAT: A's |
  B's", for example "a.svf:14 b.svf:15: device 0 data: beef (16 bits) | beff (16 bits)". A
  difference in clocks or waits names the stretch of each file between two events
  ("a.svf:14-20 b.svf:14-21: clocks in IDLE: 100 | 101"; "end" for the end of a file). A
  TDO check that only one file makes reads "none" on the other side. Every bit is compared.
  Values are hex, most significant digit first; past 256 bits the first 16 digits, an
  ellipsis, the first 16 hex digits of the SHA-256 of the value and its length, and where
  the two differ the first differing bit. Differences are printed as they are found. Clock
  counts and waits are exact whatever their size. The last line says whether the files have the same effect and, if
  so, how many updates, TDO checks, clocks and microseconds of waits they share.

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
