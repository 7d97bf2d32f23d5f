// kelsvf's exit codes, as documented in its --help.
#ifndef KELSVF_EXIT_CODES_H
#define KELSVF_EXIT_CODES_H

namespace kelsvf {

enum ExitCode : int {
    kExitOk = 0,               // every operation succeeded; the output is complete
    kExitOperationFailed = 1,  // an operation returned a failure; no output was put in place
                               // (with --keep-going: put in place and reported incomplete)
    kExitUsage = 2,            // bad command line, -o naming an input, program options that
                               // do not fit together
    kExitScriptError = 3,      // the script could not be read, is not text, has bad lines or
                               // writes over an input; nothing ran
    // An interrupted run ends with 128 + the signal number (see InterruptCleanup.h).
    kExitPluginError = 4,  // the plug-in could not be loaded or has another interface version
    kExitOutOfMemory = 5,  // memory ran out (any command); no output was put in place
    // check: 0 no error, 2 a bad command line, and:
    kExitFileHasErrors = 1,    // the SVF file has an error (a scan that does not fit, ...)
    kExitUnreadableInput = 3,  // the SVF file or the chain-description file cannot be read
    // diff: 0 the same effect, 2 a bad command line, 3 an unreadable input, and:
    kExitDifferentEffect = 1,  // the two files do different things to the chain
};

}  // namespace kelsvf

#endif  // KELSVF_EXIT_CODES_H
