// The built kelsvf run as a user runs it: each test gets a folder of its own, which is also where
// kelsvf runs, and reads back the exit code, standard output and standard error.
#ifndef KELSVF_TEST_FOLDER_H
#define KELSVF_TEST_FOLDER_H

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace kelsvftest {

namespace fs = std::filesystem;

inline const fs::path kKelsvf = KELSVF_PATH;
inline const fs::path kExamples = KELSVF_EXAMPLES_DIR;
inline const fs::path kHostExample = KELSVF_HOST_EXAMPLE_PATH;
inline const fs::path kPlugin = KEL_PLUGIN_PATH;

inline std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class KelsvfTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = fs::temp_directory_path() /
                  ("kelsvf-" + std::string(test->name()) + "-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        keepForProof();
        fs::remove_all(folder_);
    }

    // With KEL_PROOF_DIR set, the SVF files the plug-in wrote here (they begin with the lock's
    // "STATE RESET;" and CR LF; the test wrote none of them itself) are kept there for the
    // conversion proofs.
    void keepForProof() const {
        const char* proofs = std::getenv("KEL_PROOF_DIR");
        std::error_code failed;
        if (proofs == nullptr || *proofs == '\0' || !fs::is_directory(folder_, failed)) {
            return;
        }
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        for (const fs::directory_entry& entry : fs::directory_iterator(folder_, failed)) {
            if (entry.path().extension() == ".svf" &&
                !written_.contains(entry.path().filename().string()) &&
                readFile(entry.path()).starts_with("STATE RESET;\r\n")) {
                std::string leaf = "kelsvf." + std::string(test->test_suite_name()) + "." +
                                   test->name() + "." + entry.path().filename().string();
                std::replace(leaf.begin(), leaf.end(), '/', '_');  // parameterised tests' names
                fs::copy_file(entry.path(), fs::path(proofs) / leaf,
                              fs::copy_options::overwrite_existing, failed);
            }
        }
    }

    fs::path path(const std::string& name) const { return folder_ / name; }

    void write(const std::string& name, const std::string& text) const {
        written_.insert(name);
        std::ofstream(path(name), std::ios::binary) << text;
    }

    // Runs a shell command list in the test's folder, with `input` on standard input; the
    // commands' own redirections win over these.
    Outcome shell(const std::string& command, const std::string& input = "") const {
        write(".stdin", input);
        const std::string line =
            "cd '" + folder_.string() + "' && { " + command + "; } < .stdin > .stdout 2> .stderr";
        const int status = std::system(line.c_str());
        Outcome outcome;
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.out = readFile(path(".stdout"));
        outcome.err = readFile(path(".stderr"));
        return outcome;
    }

    // Runs `program arguments` in the test's folder, with `input` on standard input.
    Outcome run(const fs::path& program, const std::string& arguments,
                const std::string& input = "") const {
        return shell("'" + program.string() + "' " + arguments, input);
    }

    Outcome kelsvf(const std::string& arguments, const std::string& input = "") const {
        return run(kKelsvf, arguments, input);
    }

    // The temporary files of unfinished outputs in the test's folder.
    std::vector<std::string> partialFiles() const {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder_)) {
            const std::string name = entry.path().filename().string();
            if (name.find(".kelsvf-partial-") != std::string::npos) {
                names.push_back(name);
            }
        }
        return names;
    }

    fs::path folder_;
    mutable std::set<std::string> written_;  // by write(): not the plug-in's
};

}  // namespace kelsvftest

#endif  // KELSVF_TEST_FOLDER_H
