// A FILE* that collects everything written to it in memory, for comparing SVF text exactly.
#ifndef KEL_TESTS_SVF_MEMORY_STREAM_H
#define KEL_TESTS_SVF_MEMORY_STREAM_H

#include <cstdio>
#include <cstdlib>
#include <string>

class MemoryStream {
  public:
    MemoryStream() : file_(open_memstream(&data_, &size_)) {}
    ~MemoryStream() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
        std::free(data_);
    }
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    FILE* file() const { return file_; }
    std::string text() {
        std::fflush(file_);
        return std::string(data_, size_);
    }

  private:
    char* data_ = nullptr;
    size_t size_ = 0;
    FILE* file_;
};

#endif  // KEL_TESTS_SVF_MEMORY_STREAM_H
