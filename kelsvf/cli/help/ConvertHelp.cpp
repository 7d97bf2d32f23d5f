// The help of kelsvf convert: its options, the forms it writes and the statements' XSVF.
#include <array>

#include "cli/help/HelpFormat.h"
#include "cli/help/HelpText.h"

namespace kelsvf {

std::string convertHelp() {
    constexpr std::array kOptions{
        OptionHelp{"-o, --output PATH", "the file to write; - for standard output"},
        OptionHelp{"--to FORMAT",
                   "svf or xsvf; without it, xsvf for a PATH ending in .xsvf, else svf"},
        OptionHelp{"--max-scan BITS",
                   "cut longer scans into pieces of at most BITS bits: through Pause-DR or "
                   "Pause-IR in SVF, as XSDRB/XSDRC/XSDRE in XSVF"},
        OptionHelp{"--xrepeat N", "XSVF: retries of a failed TDO check, 0 to 255 (default 0)"},
        OptionHelp{"--drop-unsupported",
                   "leave out, with a warning, what the output cannot say (FREQUENCY, TRST, "
                   "PIO in XSVF; the TDO of an SIR)"},
        OptionHelp{"--frequency HZ",
                   "the TCK frequency at which clocks become XSVF microseconds where the file "
                   "sets no FREQUENCY (default 1e6, 1 MHz)"},
        OptionHelp{"--chain DEVICES",
                   "prove the output on this chain, as check takes it "
                   "(IRLEN[:IDCODE[:OPCODE]] or a BSDL file each)"},
        OptionHelp{"--chainfile FILE", "with --irlen: the chain's IDCODEs from a chain file"},
        OptionHelp{"--irlen LIST", "prove the output on a chain of these IR lengths: 6,8,10"},
        OptionHelp{"--bsdl-dir DIR", "the parts of the chain's IDCODEs, as check finds them"},
        OptionHelp{"-h, --help", "help for the command"},
        OptionHelp{"--", "the end of the options: what follows is taken as it is"},
    };
    return R"help(Usage: kelsvf convert IN -o OUT [--to svf|xsvf] [--max-scan BITS] [--xrepeat N]
                      [--drop-unsupported] [--frequency HZ]
                      [--chain DEVICES | --chainfile FILE [--irlen LIST] | --irlen LIST]

Converts an SVF or XSVF file (told apart by its content; - reads standard input) into SVF in
the form every common player reads alike, or into XSVF in the published command set, with
the same effect on the chain. The file is read one statement at a time. OUT is written as
run writes its files: under a temporary name, put in place only when the whole conversion
succeeded.

With a chain (the options of check), convert proves its output: the input and the output are
played on that chain, as diff compares them (waits "at least" where XSVF is involved or scans
are cut), and an output that does anything else is not written: exit 1, with the first
difference named. A standard input or output is kept in a temporary copy for the proof.

)help" + optionRows(kOptions, 24) +
           R"help(
SVF written:
  Whole numbers, times in microseconds (1500E-06 SEC), no positive exponent; RUNTEST always
  with its run state and ENDSTATE; counts below 2^31 and waits of at most 2000 s, split
  where needed, and into times a player reading them as single-precision floats also waits
  exactly; one statement a line, every line ended; TDO always with its MASK; headers,
  trailers, ENDIR, ENDDR and TRST written only where they change; ENDIR/ENDDR RESET as IDLE
  and a STATE RESET after the scan.

XSVF written (headers and trailers are folded into each scan):
  SIR                 XSIR (up to 255 bits), XSIR2 (up to 65535); no TDO check
  SDR                 XSDRSIZE and XTDOMASK where they change, then XSDR (nothing compared,
                      under an XTDOMASK of zeros) or XSDRTDO; XSDRB/XSDRC/XSDRE (XSDRTDOB/C/E)
                      for the pieces of a cut scan
  RUNTEST after a scan, in IDLE
                      that scan's XRUNTEST: n clocks and n microseconds, enough for both
  other RUNTEST       XWAIT in its run and end state: time only, clocks at the frequency
  ENDIR, ENDDR        XENDIR, XENDDR before the next scan; RESET as an XSTATE after it
  STATE               one XSTATE a state
  XREPEAT, XCOMPLETE  first and last
  FREQUENCY, TRST, PIO, PIOMAP
                      not in XSVF: an error, a warning with --drop-unsupported

XSVF read: every command of the published set (and the dialect's XWAITSTATE and XTRST),
with the state a player carries: XSDRSIZE, XTDOMASK, the expected TDO, XRUNTEST,
XENDIR/XENDDR stay in force; XRUNTEST n reads as RUNTEST IDLE n TCK n us. XREPEAT retries
cannot be said in SVF: a warning, and the file is read as played when every check passes.

Example:
  kelsvf convert design.svf -o design.xsvf --max-scan 8192 --drop-unsupported
  kelsvf convert field.xsvf -o field.svf
  kelsvf convert vendor.svf -o portable.svf
  kelsvf convert board.svf -o board.xsvf --chain 8:0x1a2b3c4d:0x01,6 --max-scan 1024

Exit codes:
  0  converted
  1  the input cannot be converted faithfully (every reason is shown, with its line, or its
     byte in an XSVF file), or with a chain the output's effect differs; nothing was written
  2  bad command line, or -o naming the input
  3  the input could not be read or is not SVF or XSVF, the output could not be written, or
     a chain-description or BSDL file could not be read
  128+N  interrupted by signal N; OUT was not replaced
)help";
}

}  // namespace kelsvf
