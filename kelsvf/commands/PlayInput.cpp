#include "commands/PlayInput.h"

#include <unistd.h>

#include <cstdio>

#include "kelxsvf/FormatDetect.h"

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

PlayReader::PlayReader(std::unique_ptr<kelsvfreader::TextSource> source) {
    if (kelxsvf::detectFormat(source) == kelxsvf::FileFormat::Xsvf) {
        xsvf_ = std::make_unique<kelxsvf::XsvfReader>(std::move(source));
        source_ = std::make_unique<check::ReaderSource<kelxsvf::XsvfReader>>(*xsvf_);
    } else {
        svf_ = std::make_unique<kelsvfreader::SvfReader>(std::move(source));
        source_ = std::make_unique<check::ReaderSource<kelsvfreader::SvfReader>>(*svf_);
    }
}

}  // namespace kelsvf
