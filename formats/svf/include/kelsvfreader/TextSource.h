// Where the SVF reader's text comes from: block after block, so that reading a file needs memory
// for one block, not for the file.
#ifndef KELSVFREADER_TEXT_SOURCE_H
#define KELSVFREADER_TEXT_SOURCE_H

#include <cstddef>
#include <cstdio>
#include <istream>
#include <memory>
#include <string>
#include <string_view>

namespace kelsvfreader {

constexpr size_t kDefaultBlockSize = 64 * 1024;

class TextSource {
  public:
    virtual ~TextSource() = default;

    // Makes the next block of text readable in [begin, end) until the next call. Returns false
    // at the end of the text, or on a read failure with `error` set to why. A block may be
    // empty only at the end.
    virtual bool nextBlock(const char*& begin, const char*& end, std::string& error) = 0;
};

// Reads an open file descriptor (a file, a pipe, standard input) with read(2). The descriptor
// is not closed.
std::unique_ptr<TextSource> fileDescriptorSource(int fd, size_t blockSize = kDefaultBlockSize);

// Opens `path` for reading and owns the descriptor; null with `error` set when it cannot.
std::unique_ptr<TextSource> openFileSource(const std::string& path, std::string& error,
                                           size_t blockSize = kDefaultBlockSize);

// Reads a C stream with fread; the stream is not closed.
std::unique_ptr<TextSource> fileSource(FILE* file, size_t blockSize = kDefaultBlockSize);

// Reads a C++ stream.
std::unique_ptr<TextSource> streamSource(std::istream& in, size_t blockSize = kDefaultBlockSize);

// Gives a text held in memory without copying it; the text must outlive the source. A nonzero
// `blockSize` cuts it into blocks of that size (tests use 1 to cross every block boundary).
std::unique_ptr<TextSource> stringSource(std::string_view text, size_t blockSize = 0);

}  // namespace kelsvfreader

#endif  // KELSVFREADER_TEXT_SOURCE_H
