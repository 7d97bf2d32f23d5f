// kelsvf bsdl: reads a BSDL file and prints what it tells about the part.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands/BsdlReport.h"
#include "commands/Commands.h"
#include "common/ExitCodes.h"
#include "kelbsdl/BsdlReader.h"
#include "output/StandardOutput.h"

namespace kelsvf {
namespace {

bool readStandardInput(kelbsdl::Reading& reading, std::string& why) {
    kelbsdl::BsdlReader reader;
    std::vector<char> block(64 * 1024);
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, block.data(), block.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            why = std::strerror(errno);
            return false;
        }
        if (got == 0) {
            reading = reader.finish();
            return true;
        }
        reader.feed(std::string_view(block.data(), static_cast<size_t>(got)));
    }
}

}  // namespace

int bsdlCommand(const CommandLine& line) {
    const BsdlOptions& options = line.bsdl;
    const std::string name = options.file == "-" ? "<stdin>" : options.file;
    kelbsdl::Reading reading;
    std::string why;
    const bool read = options.file == "-" ? readStandardInput(reading, why)
                                          : kelbsdl::readBsdlFile(options.file, reading, why);
    if (!read) {
        std::fprintf(stderr, "kelsvf: cannot read %s: %s\n", name.c_str(), why.c_str());
        return kExitUnreadableInput;
    }
    // The notes and the error go to standard error, so that standard output holds the part
    // alone; the JSON object carries them too.
    std::fputs(bsdlDiagnostics(name, reading).c_str(), stderr);
    std::string report;
    if (options.json) {
        report = bsdlJson(name, reading);
    } else if (!reading.failed) {
        report = bsdlText(reading.description);
    }
    if (const int error = writeStandardOutput(report); error != 0) {
        std::fprintf(stderr, "kelsvf: cannot write standard output: %s\n", std::strerror(error));
        return kExitUnreadableInput;
    }
    return reading.failed ? kExitFileHasErrors : kExitOk;
}

}  // namespace kelsvf
