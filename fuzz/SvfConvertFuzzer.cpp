// kelsvf convert on any SVF text the reader accepts: the portable SVF it writes, and the XSVF
// it writes where it refuses nothing, have the same effect on a chain as the text itself, as
// kelsvf diff compares them (waits as at least: both forms may spend their waits differently).
//
// Input: the SVF text. Texts with numbers beyond six digits outside parentheses, or with a
// positive exponent, are left out, so that scans and clock counts stay small.
#include <cstdint>
#include <string>
#include <string_view>

#include "CheckingCallbacks.h"
#include "EffectDiff.h"
#include "kelsvfreader/SvfReader.h"
#include "kelsvfwriter/PortableSvfWriter.h"
#include "kelxsvf/XsvfReader.h"
#include "kelxsvf/XsvfWriter.h"

namespace {

bool onlySmallNumbers(std::string_view text) {
    int depth = 0;
    int digits = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        depth += c == '(' ? 1 : (c == ')' && depth > 0 ? -1 : 0);
        if (c == '!' || (c == '/' && i + 1 < text.size() && text[i + 1] == '/')) {
            return false;  // a comment may hide a parenthesis: keep the guard simple
        }
        if (depth > 0) {
            continue;
        }
        digits = c >= '0' && c <= '9' ? digits + 1 : 0;
        const bool exponent = (c == 'e' || c == 'E') && i + 1 < text.size() &&
                              (text[i + 1] == '+' || (text[i + 1] >= '0' && text[i + 1] <= '9'));
        if (digits > 6 || exponent) {
            return false;
        }
    }
    return true;
}

template <typename Writer>
bool write(std::string_view svf, std::string& out, bool& refusedAny) {
    Writer writer({}, [&out](std::string_view bytes) {
        out += bytes;
        return true;
    });
    auto reader = kelsvfreader::SvfReader::fromString(svf);
    kelsvfreader::Statement statement;
    while (reader.next(statement)) {
        writer.write(statement);
    }
    writer.finish();
    refusedAny = writer.findingCount() != 0;
    return !reader.failed();
}

template <typename Reader>
void expectSameEffect(std::string_view svf, Reader b, const char* what) {
    const kelsvf::check::ChainDescription chain = kelsvf::check::chainFromIrLengths({4, 8});
    kelsvf::check::EffectDiffOptions options;
    options.waitsAtLeast = true;
    options.maxDifferences = 1;
    auto a = kelsvfreader::SvfReader::fromString(svf);
    kelsvf::check::ReaderSource<kelsvfreader::SvfReader> sourceA(a);
    kelsvf::check::ReaderSource<Reader> sourceB(b);
    const kelsvf::check::DiffResult result =
        kelsvf::check::EffectDiff(chain, options).compare(sourceA, sourceB);
    KEL_FUZZ_CHECK(!result.unreadableB, std::string(what) + " does not read back: " +
                                            (result.unreadableB ? result.unreadableB->text : ""));
    KEL_FUZZ_CHECK(result.differences.empty(),
                   std::string(what) + " differs: " +
                       (result.differences.empty() ? "" : result.differences.front().what + ": " +
                                                              result.differences.front().aSide +
                                                              " | " +
                                                              result.differences.front().bSide));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view svf(reinterpret_cast<const char*>(data), size);
    if (!onlySmallNumbers(svf)) {
        return 0;
    }
    std::string portable;
    bool refused = false;
    if (!write<kelsvfwriter::PortableSvfWriter>(svf, portable, refused)) {
        return 0;  // the reader refuses the text: nothing to convert
    }
    expectSameEffect(svf, kelsvfreader::SvfReader::fromString(portable), "the portable SVF");

    std::string xsvf;
    write<kelxsvf::XsvfWriter>(svf, xsvf, refused);
    if (!refused) {
        expectSameEffect(svf, kelxsvf::XsvfReader::fromBytes(xsvf), "the XSVF");
    }
    return 0;
}
