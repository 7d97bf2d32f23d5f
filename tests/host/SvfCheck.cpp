#include "SvfCheck.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ChainDescription.h"
#include "ChainPlayer.h"
#include "PlayEvents.h"
#include "kelsvfreader/SvfReader.h"

namespace kelhost::test {
namespace {

// Keeps every finding, in the order of the file.
class FindingList : public kelsvf::check::PlaySink {
  public:
    void finding(const kelsvf::check::Finding& finding) override { findings.push_back(finding); }

    std::vector<kelsvf::check::Finding> findings;
};

std::string chainText(const std::vector<uint32_t>& irLengths) {
    std::string text;
    for (const uint32_t length : irLengths) {
        text += (text.empty() ? "" : ",") + std::to_string(length);
    }
    return text;
}

::testing::AssertionResult readsClean(const std::string& bytes) {
    kelsvfreader::SvfReader reader = kelsvfreader::SvfReader::fromString(bytes);
    kelsvfreader::Statement statement;
    while (reader.next(statement)) {
    }
    if (reader.failed()) {
        const kelsvfreader::Error& error = reader.error();
        return ::testing::AssertionFailure()
               << "the reader refuses the file at " << error.position.line << ":"
               << error.position.column << ": " << error.message;
    }
    return ::testing::AssertionSuccess();
}

// With KEL_PROOF_DIR set, every file checked on a chain is kept there with its chain, for the
// conversion proofs (tests/formats/xsvf/prove_conversions.sh).
void keepForProof(const std::string& bytes, const std::vector<uint32_t>& irLengths) {
    const char* folder = std::getenv("KEL_PROOF_DIR");
    if (folder == nullptr || *folder == '\0') {
        return;
    }
    static int kept = 0;
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string leaf = "host." +
                       (test != nullptr ? std::string(test->test_suite_name()) + "." + test->name()
                                        : std::string("outside")) +
                       "." + std::to_string(++kept);
    std::replace(leaf.begin(), leaf.end(), '/', '_');  // parameterised tests' names
    const std::string name = std::string(folder) + "/" + leaf;
    std::ofstream(name + ".svf", std::ios::binary) << bytes;
    std::ofstream(name + ".args") << "--irlen " << chainText(irLengths) << "\n";
}

}  // namespace

::testing::AssertionResult svfChecksClean(const std::string& bytes,
                                          const std::optional<std::vector<uint32_t>>& irLengths) {
    // A session that never locked writes nothing: no statement to check (which check
    // reports as an error for a file given to it).
    if (!irLengths || irLengths->empty() || bytes.empty()) {
        return readsClean(bytes);
    }
    FindingList sink;
    kelsvfreader::SvfReader reader = kelsvfreader::SvfReader::fromString(bytes);
    kelsvf::check::ChainPlayer player(kelsvf::check::chainFromIrLengths(*irLengths), sink);
    const kelsvf::check::PlaySummary summary = player.playAll(reader);

    std::ostringstream listed;
    for (const kelsvf::check::Finding& finding : sink.findings) {
        listed << "\n  " << finding.line << ":" << finding.column << " "
               << (finding.severity == kelsvf::check::Severity::Error ? "error" : "warning") << " "
               << finding.kind << ": " << finding.text;
    }
    const std::string where = "on chain IR " + chainText(*irLengths);
    if (summary.errors != 0 || !summary.readToEnd) {
        return ::testing::AssertionFailure()
               << "the file does not check clean " << where << ":" << listed.str();
    }
    keepForProof(bytes, *irLengths);
    if (summary.warnings != 0) {
        return ::testing::AssertionSuccess() << "warnings " << where << ":" << listed.str();
    }
    return ::testing::AssertionSuccess();
}

}  // namespace kelhost::test
