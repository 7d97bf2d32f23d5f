// kelsvf's exit codes, as documented in its --help.
#ifndef KELSVF_EXIT_CODES_H
#define KELSVF_EXIT_CODES_H

namespace kelsvf {

enum ExitCode : int {
    kExitOk = 0,               // every operation succeeded; the output is complete
    kExitOperationFailed = 1,  // an operation returned a failure; the output was removed (or,
                               // with --keep-going, kept and reported incomplete)
    kExitUsage = 2,            // bad command line
    kExitScriptError = 3,      // the script could not be read or has bad lines; nothing ran
    kExitPluginError = 4,      // the plug-in could not be loaded or has another interface version
};

}  // namespace kelsvf

#endif  // KELSVF_EXIT_CODES_H
