// Format detection: the first block is kept and handed out again.
#include "kelxsvf/FormatDetect.h"

#include <string>

#include "kelxsvf/XsvfCommands.h"

namespace kelxsvf {
namespace {

class PeekedSource : public kelsvfreader::TextSource {
  public:
    explicit PeekedSource(std::unique_ptr<kelsvfreader::TextSource> inner)
        : inner_(std::move(inner)) {
        const char* begin = nullptr;
        const char* end = nullptr;
        firstRead_ = inner_->nextBlock(begin, end, firstError_);
        if (firstRead_) {
            first_.assign(begin, end);
        }
    }

    std::string_view first() const { return first_; }

    bool nextBlock(const char*& begin, const char*& end, std::string& error) override {
        if (!handedFirst_) {
            handedFirst_ = true;
            if (!firstRead_) {
                error = firstError_;
                return false;
            }
            begin = first_.data();
            end = first_.data() + first_.size();
            return true;
        }
        return inner_->nextBlock(begin, end, error);
    }

  private:
    std::unique_ptr<kelsvfreader::TextSource> inner_;
    std::string first_;
    std::string firstError_;
    bool firstRead_ = false;
    bool handedFirst_ = false;
};

}  // namespace

FileFormat detectFormat(std::unique_ptr<kelsvfreader::TextSource>& source) {
    if (source == nullptr) {
        return FileFormat::Svf;
    }
    auto peeked = std::make_unique<PeekedSource>(std::move(source));
    const FileFormat format = looksLikeXsvf(peeked->first()) ? FileFormat::Xsvf : FileFormat::Svf;
    source = std::move(peeked);
    return format;
}

}  // namespace kelxsvf
