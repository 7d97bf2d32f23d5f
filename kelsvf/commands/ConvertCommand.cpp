// kelsvf convert: SVF or XSVF in, SVF in the form every common player reads alike or XSVF in
// the published command set out, all or nothing as run writes its files.
#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/ChainOptions.h"
#include "commands/Commands.h"
#include "commands/ConvertProof.h"
#include "commands/PlayInput.h"
#include "common/ExitCodes.h"
#include "kelsvfreader/SvfReader.h"
#include "kelsvfwriter/PortableSvfWriter.h"
#include "kelxsvf/FormatDetect.h"
#include "kelxsvf/XsvfReader.h"
#include "kelxsvf/XsvfWriter.h"
#include "output/OutputFiles.h"
#include "output/OverwriteCheck.h"

namespace kelsvf {
namespace {

using kelxsvf::FileFormat;

enum ConvertExit : int {
    kConverted = 0,
    kNotFaithful = 1,  // the output could not do what the input does
    kUnreadableOrUnwritable = 3,
};

ConvertFormat outputFormat(const ConvertOptions& options) {
    if (options.to) {
        return *options.to;
    }
    std::string extension;
    if (const size_t dot = options.output.rfind('.'); dot != std::string::npos) {
        extension = options.output.substr(dot);
    }
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension == ".xsvf" ? ConvertFormat::Xsvf : ConvertFormat::Svf;
}

// "in.svf:12" for a line of SVF, "in.xsvf: byte 40" for a command of XSVF.
std::string placeText(const std::string& name, FileFormat format,
                      const kelsvfreader::Position& at) {
    if (format == FileFormat::Xsvf) {
        return name + ": byte " + std::to_string(at.line);
    }
    return name + ":" + std::to_string(at.line);
}

// Where the writer's bytes go: the prepared output, with the reason of the first failure kept.
class FileSink {
  public:
    explicit FileSink(std::FILE* file) : file_(file) {}
    bool write(std::string_view bytes) {
        if (error_ == 0 && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
            error_ = errno != 0 ? errno : EIO;
        }
        return error_ == 0;
    }
    // Closes the file; 0, or the reason the data did not all reach it.
    int close() {
        const bool flushed = std::fflush(file_) == 0;
        if (error_ == 0 && !flushed) {
            error_ = errno != 0 ? errno : EIO;
        }
        if (std::fclose(file_) != 0 && error_ == 0) {
            error_ = errno != 0 ? errno : EIO;
        }
        return error_;
    }

  private:
    std::FILE* file_;
    int error_ = 0;
};

struct Pumped {
    bool readFailed = false;
    kelsvfreader::Error readError;
};

// Every statement of the reader through the writer; the XSVF reader's notes as warnings.
template <typename Reader, typename Notes>
Pumped pump(Reader& reader, kelsvfwriter::StatementWriter& writer, Notes&& notes) {
    kelsvfreader::Statement statement;
    while (reader.next(statement)) {
        notes(reader);
        if (!writer.write(statement)) {
            break;
        }
    }
    notes(reader);
    Pumped pumped;
    if (reader.failed()) {
        pumped.readFailed = true;
        pumped.readError = reader.error();
    }
    return pumped;
}

}  // namespace

int convertCommand(const CommandLine& line) {
    const ConvertOptions& options = line.convert;
    const ConvertFormat to = outputFormat(options);
    const bool toStdout = options.output == "-";

    const std::vector<FileUse> inputs{{options.input, "the input", 0, false, false}};
    const std::vector<FileUse> outputs{{options.output, "the output", 0, true, toStdout}};
    if (options.input != "-" && !findOverwrites(outputs, inputs).empty()) {
        std::fprintf(stderr, "kelsvf: -o %s would overwrite the input %s; nothing was written\n",
                     options.output.c_str(), options.input.c_str());
        return kExitUsage;
    }

    std::optional<check::ChainDescription> chain;
    if (options.prove) {
        int chainExit = 0;
        chain = resolveChainForCommand(options.chain, chainExit);
        if (!chain) {
            return chainExit;
        }
    }
    // With a chain, the input is kept as it is read and the output written to a scratch copy
    // first: both are played again, and only a proved output reaches its place.
    std::unique_ptr<ScratchFile> inputCopy;
    std::unique_ptr<ScratchFile> outputCopy;
    if (chain) {
        inputCopy = std::make_unique<ScratchFile>();
        outputCopy = std::make_unique<ScratchFile>();
        if (!inputCopy->open() || !outputCopy->open()) {
            std::fprintf(stderr, "kelsvf: cannot create a temporary file to prove the output: %s\n",
                         std::strerror(errno));
            return kUnreadableOrUnwritable;
        }
    }

    PlayInput input = openPlayInput(options.input);
    if (input.source == nullptr) {
        return kUnreadableOrUnwritable;
    }
    if (inputCopy) {
        input.source = keepingCopy(std::move(input.source), *inputCopy);
    }
    const FileFormat from = kelxsvf::detectFormat(input.source);

    OutputFiles files;
    std::string problem;
    const std::optional<OutputFiles::Prepared> prepared =
        files.prepare(OutputRequest{options.output, toStdout}, problem);
    std::FILE* file = prepared ? std::fopen(prepared->pluginPath.c_str(), "wb") : nullptr;
    if (file == nullptr) {
        std::fprintf(stderr, "kelsvf: cannot write %s: %s\n",
                     toStdout ? "standard output" : options.output.c_str(),
                     prepared ? std::strerror(errno) : problem.c_str());
        files.finish(RunEnd::Failed, 0, stderr);
        return kUnreadableOrUnwritable;
    }
    files.opened(prepared->index);
    FileSink sink(file);
    const kelsvfwriter::OutputSink output = [&sink, &outputCopy](std::string_view bytes) {
        return outputCopy ? outputCopy->write(bytes) : sink.write(bytes);
    };

    kelsvfwriter::WriterOptions writerOptions;
    writerOptions.maxScan = options.maxScan;
    writerOptions.xrepeat = options.xrepeat;
    writerOptions.dropUnsupported = options.dropUnsupported;
    writerOptions.frequency = options.frequencyHz;
    std::unique_ptr<kelsvfwriter::StatementWriter> writer;
    if (to == ConvertFormat::Xsvf) {
        writer = std::make_unique<kelxsvf::XsvfWriter>(writerOptions, output);
    } else {
        writer = std::make_unique<kelsvfwriter::PortableSvfWriter>(writerOptions, output);
    }

    Pumped pumped;
    if (from == FileFormat::Xsvf) {
        kelxsvf::XsvfReader reader(std::move(input.source));
        pumped = pump(reader, *writer, [&input](const kelxsvf::XsvfReader& r) {
            for (const kelxsvf::XsvfNote& note : r.notes()) {
                std::fprintf(stderr, "%s: warning: %s\n", input.name.c_str(), note.text.c_str());
            }
        });
    } else {
        kelsvfreader::SvfReader reader(std::move(input.source));
        pumped = pump(reader, *writer, [](const kelsvfreader::SvfReader&) {});
    }
    if (!pumped.readFailed) {
        writer->finish();
    }
    for (const kelsvfwriter::Finding& finding : writer->findings()) {
        std::fprintf(stderr, "%s: %s: %s\n", placeText(input.name, from, finding.position).c_str(),
                     finding.error ? "error" : "warning", finding.text.c_str());
    }
    if (writer->findingCount() > writer->findings().size()) {
        std::fprintf(stderr, "kelsvf: %" PRIu64 " more findings not shown\n",
                     writer->findingCount() - writer->findings().size());
    }

    int proofExit = kConverted;
    if (chain && !pumped.readFailed && writer->errorCount() == 0) {
        const ConvertProof proof{
            *chain, options.chain.frequencyHz,
            from == FileFormat::Xsvf || to == ConvertFormat::Xsvf || options.maxScan != 0};
        proofExit = proveConversion(proof, inputCopy->readBack(), input.name,
                                    outputCopy->readBack(), options.output);
        if (proofExit == kConverted) {
            outputCopy->copyTo([&sink](std::string_view bytes) { return sink.write(bytes); });
        }
    }
    const int writeError = sink.close();

    int exitCode = kConverted;
    if (pumped.readFailed) {
        // The XSVF reader's message names its byte; the SVF reader's place is a line and column.
        const kelsvfreader::Position& at = pumped.readError.position;
        const std::string place =
            from == FileFormat::Xsvf
                ? input.name
                : input.name + ":" + std::to_string(at.line) + ":" + std::to_string(at.column);
        std::fprintf(stderr, "kelsvf: %s: %s (not read as %s; nothing was converted)\n",
                     place.c_str(), pumped.readError.message.c_str(),
                     from == FileFormat::Xsvf ? "XSVF" : "SVF");
        exitCode = kUnreadableOrUnwritable;
    } else if (writeError != 0) {
        std::fprintf(stderr, "kelsvf: cannot write %s: %s\n",
                     toStdout ? "standard output" : options.output.c_str(),
                     std::strerror(writeError));
        exitCode = kUnreadableOrUnwritable;
    } else if (writer->errorCount() != 0) {
        std::fprintf(stderr,
                     "kelsvf: %s cannot be converted to %s faithfully: %" PRIu64 " error%s%s\n",
                     input.name.c_str(), to == ConvertFormat::Xsvf ? "XSVF" : "SVF",
                     writer->errorCount(), writer->errorCount() == 1 ? "" : "s",
                     options.dropUnsupported ? ""
                                             : " (--drop-unsupported leaves out what the "
                                               "output cannot say)");
        exitCode = kNotFaithful;
    }
    if (exitCode == kConverted) {
        exitCode = proofExit;
    }
    const bool placed =
        files.finish(exitCode == kConverted ? RunEnd::Complete : RunEnd::Failed, 0, stderr);
    return exitCode == kConverted && !placed ? kUnreadableOrUnwritable : exitCode;
}

}  // namespace kelsvf
