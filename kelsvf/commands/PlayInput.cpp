#include "commands/PlayInput.h"

#include <unistd.h>

#include <cstdio>

namespace kelsvf {

PlayInput openPlayInput(const std::string& file) {
    if (file == "-") {
        return {"<stdin>", kelsvfreader::fileDescriptorSource(STDIN_FILENO)};
    }
    std::string error;
    PlayInput input{file, kelsvfreader::openFileSource(file, error)};
    if (input.source == nullptr) {
        std::fprintf(stderr, "kelsvf: %s\n", error.c_str());  // the reason names the file
    }
    return input;
}

}  // namespace kelsvf
