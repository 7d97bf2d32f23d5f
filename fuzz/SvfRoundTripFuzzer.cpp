// SVF round trip: a random chain and a random run of device writes (with any end state), TAP
// moves, runs and waits go through the SVF target into a file; the file is read back with the
// SVF reader of the check tools, and every statement must carry exactly the bits that were written,
// under header and trailer statements that put exactly the other devices of the chain into bypass,
// and every run, wait and end-state statement must be the one the format's rules call for
// (TapStatementModel).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "CheckingCallbacks.h"
#include "ScratchFile.h"
#include "StatementWords.h"
#include "TapStatementModel.h"
#include "kelsvfreader/SvfReader.h"
#include "svf/SVFFile.h"

namespace {

using kelfuzz::beginOperation;
using kelfuzz::checkResult;
using KelPluginInterface::CallContext;
using KelPluginInterface::isValidTapState;
using KelPluginInterface::KEL_MAX_DEVICES;
using KelPluginInterface::SVFFile;
using KelPluginInterface::TapState;

std::string& outputPath() {
    static std::string path;
    return path;
}

// One statement the file must hold, other than the header and trailer statements.
struct Expected {
    std::string keyword;
    std::vector<std::string> words;        // STATE, RUNTEST, ENDIR and ENDDR
    uint32_t bitCount = 0;                 // SIR and SDR
    std::vector<uint8_t> bits;             // SIR and SDR, bits above bitCount cleared
    std::map<std::string, uint32_t> pads;  // SIR and SDR: the pad lengths that must be in force
};

struct Chain {
    std::vector<uint32_t> irLengths;

    std::map<std::string, uint32_t> padsFor(uint32_t device) const {
        uint32_t towardTdi = 0;
        uint32_t towardTdo = 0;
        for (uint32_t i = 0; i < irLengths.size(); ++i) {
            (i < device ? towardTdi : towardTdo) += i == device ? 0 : irLengths[i];
        }
        const auto count = static_cast<uint32_t>(irLengths.size());
        return {
            {"HIR", towardTdo}, {"TIR", towardTdi}, {"HDR", count - 1 - device}, {"TDR", device}};
    }
};

uint32_t pickBitCount(FuzzedDataProvider& in) {
    const auto kind = in.ConsumeIntegral<uint8_t>();
    if (kind < 8) {
        return in.ConsumeIntegralInRange<uint32_t>(1, 40000);  // past the writer's text block
    }
    if (kind < 80) {
        return in.ConsumeIntegralInRange<uint32_t>(1, 2048);
    }
    return in.ConsumeIntegralInRange<uint32_t>(1, 64);
}

void expectStatements(std::vector<Expected>& expected,
                      const std::vector<kelfuzz::ModelStatement>& statements) {
    for (const kelfuzz::ModelStatement& statement : statements) {
        expected.push_back(Expected{statement.keyword, statement.words, 0, {}, {}});
    }
}

// Mostly the sixteen states, now and then any value a careless host might pass.
int32_t pickState(FuzzedDataProvider& in) {
    return in.ConsumeIntegralInRange<int>(0, 15) != 0 ? in.ConsumeIntegralInRange<int32_t>(0, 15)
                                                      : in.ConsumeIntegral<int32_t>();
}

// Mostly small counts and waits, now and then any 32-bit value (split into several runs).
uint32_t pickAmount(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
            return 0;
        case 1:
            return in.ConsumeIntegral<uint32_t>();
        default:
            return in.ConsumeIntegralInRange<uint32_t>(1, 2000000);
    }
}

void checkLineEnds(const std::string& text) {
    KEL_FUZZ_CHECK(text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0,
                   "the file does not end with CR LF");
    for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1)) {
        KEL_FUZZ_CHECK(i > 0 && text[i - 1] == '\r', "a line ends without CR");
    }
}

// A header or trailer in force for a scan: the pad length of the device's place, TDI only, all
// ones for an instruction (the other devices' BYPASS) and all zeros for data.
void checkPad(const kelsvfreader::SvfReader& reader, kelsvfreader::ScanKind kind, uint32_t length,
              size_t index) {
    const std::string name = kelsvfreader::scanKindName(kind);
    const kelsvfreader::ScanValues& pad = reader.inForce(kind);
    KEL_FUZZ_CHECK(pad.bitCount == length, name + " " + std::to_string(pad.bitCount) +
                                               " in force for scan " + std::to_string(index) +
                                               ", expected " + std::to_string(length));
    KEL_FUZZ_CHECK(pad.tdiGiven == (length != 0), name + " with a missing or needless TDI");
    KEL_FUZZ_CHECK(!pad.tdoGiven && !pad.maskGiven && !pad.smaskGiven,
                   name + " with vectors other than TDI");
    const bool ones = name[1] == 'I';  // the other devices' BYPASS instruction is all ones
    const std::vector<uint8_t> tdi = pad.tdi.toBytes();
    KEL_FUZZ_CHECK(tdi.size() == (length + 7) / 8, name + " cannot be read");
    for (uint32_t bit = 0; bit < length; ++bit) {
        KEL_FUZZ_CHECK(((tdi[bit / 8] >> (bit % 8)) & 1u) == (ones ? 1u : 0u),
                       name + " with a wrong bypass bit");
    }
}

std::string joined(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& word : words) {
        out += (out.empty() ? "" : " ") + word;
    }
    return out;
}

bool isPad(kelsvfreader::Keyword keyword) {
    using kelsvfreader::Keyword;
    return keyword == Keyword::HIR || keyword == Keyword::TIR || keyword == Keyword::HDR ||
           keyword == Keyword::TDR;
}

const std::map<std::string, kelsvfreader::ScanKind>& padKinds() {
    using kelsvfreader::ScanKind;
    static const std::map<std::string, ScanKind> kinds{{"HIR", ScanKind::HIR},
                                                       {"TIR", ScanKind::TIR},
                                                       {"HDR", ScanKind::HDR},
                                                       {"TDR", ScanKind::TDR}};
    return kinds;
}

void compare(const std::string& text, const std::vector<Expected>& expected) {
    using kelsvfreader::Keyword;
    kelsvfreader::SvfReader reader = kelsvfreader::SvfReader::fromString(text);
    const kelfuzz::TextLines lines(text);
    kelsvfreader::Statement statement;
    size_t next = 0;
    bool endStateBeforeScan = false;  // an ENDIR or ENDDR waiting for its scan
    while (reader.next(statement)) {
        // Whole-byte hex values are the target's form; every other note is a form some player
        // reads differently.
        for (const kelsvfreader::Note& note : reader.notes()) {
            KEL_FUZZ_CHECK(note.kind == kelsvfreader::NoteKind::ExtraHexDigits,
                           "the reader notes at line " + std::to_string(note.position.line) + ": " +
                               note.text);
        }
        const std::string keyword = kelsvfreader::keywordName(statement.keyword);
        if (isPad(statement.keyword)) {
            KEL_FUZZ_CHECK(!endStateBeforeScan, keyword + " between an end state and its scan");
            continue;
        }
        endStateBeforeScan =
            statement.keyword == Keyword::EndIR || statement.keyword == Keyword::EndDR;
        KEL_FUZZ_CHECK(next < expected.size(), "an extra statement " + keyword);
        const Expected& want = expected[next];
        const std::string where = "statement " + std::to_string(next) + " (" + want.keyword + ")";
        KEL_FUZZ_CHECK(keyword == want.keyword, where + " is " + keyword);
        if (statement.keyword == Keyword::SIR || statement.keyword == Keyword::SDR) {
            const kelsvfreader::ScanValues& scan = *statement.scan;
            KEL_FUZZ_CHECK(scan.bitCount == want.bitCount, where + " has a different length");
            KEL_FUZZ_CHECK(scan.tdiGiven && !scan.tdoGiven && !scan.maskGiven && !scan.smaskGiven,
                           where + " vectors");
            KEL_FUZZ_CHECK(scan.tdi.toBytes() == want.bits, where + " carries different bits");
            for (const auto& [name, length] : want.pads) {
                checkPad(reader, padKinds().at(name), length, next);
            }
        } else {
            const std::vector<std::string> written = kelfuzz::writtenWords(text, lines, statement);
            KEL_FUZZ_CHECK(written == want.words, where + " reads '" + joined(written) +
                                                      "', expected '" + joined(want.words) + "'");
            const std::vector<std::string> resolved = kelfuzz::resolvedWords(statement);
            KEL_FUZZ_CHECK(resolved == want.words, where + " is read as '" + joined(resolved) +
                                                       "', expected '" + joined(want.words) + "'");
        }
        ++next;
    }
    KEL_FUZZ_CHECK(!reader.failed(), "the reader refused the file at line " +
                                         std::to_string(reader.error().position.line) + ": " +
                                         reader.error().message);
    KEL_FUZZ_CHECK(next == expected.size(), "statements missing from the file");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    kelfuzz::installCheckingCallbacks();
    outputPath() = kelfuzz::scratchFile("round-trip.svf");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    Chain chain;
    // Mostly short chains; now and then one as long as the table allows.
    chain.irLengths.resize(in.ConsumeIntegralInRange<int>(0, 15) == 0
                               ? in.ConsumeIntegralInRange<uint32_t>(1, KEL_MAX_DEVICES)
                               : in.ConsumeIntegralInRange<uint32_t>(1, 12));
    for (uint32_t& length : chain.irLengths) {
        length = in.ConsumeIntegralInRange<uint32_t>(1, 40);
    }

    SVFFile target;
    const std::string fname = "fname=" + outputPath();
    const char* options[] = {fname.c_str(), "type=SVF"};
    beginOperation();
    checkResult(target.openTarget(2, options, CallContext{}), "openTarget");
    KEL_FUZZ_CHECK(target.isOpened(), "the output file did not open");
    beginOperation();
    KEL_FUZZ_CHECK(
        target.setDeviceCount(static_cast<uint32_t>(chain.irLengths.size())) == KEL_SUCCESS,
        "setDeviceCount");
    for (uint32_t device = 0; device < chain.irLengths.size(); ++device) {
        beginOperation();
        KEL_FUZZ_CHECK(target.setIRLength(device, chain.irLengths[device]) == KEL_SUCCESS,
                       "setIRLength");
    }
    beginOperation();
    KEL_FUZZ_CHECK(target.lockTarget(0) == KEL_SUCCESS, "lockTarget");

    std::vector<Expected> expected;
    kelfuzz::TapStatementModel model;
    std::vector<kelfuzz::ModelStatement> statements;
    model.lock(statements);
    const auto deviceCount = static_cast<uint32_t>(chain.irLengths.size());
    for (int step = 0; step < 32 && in.remaining_bytes() > 0; ++step) {
        beginOperation();
        const int action = in.ConsumeIntegralInRange<int>(0, 7);
        if (action <= 3) {
            const bool ir = action <= 1;
            const uint32_t device = in.ConsumeIntegralInRange<uint32_t>(0, deviceCount - 1);
            const uint32_t bitCount = pickBitCount(in);
            const int32_t endState = pickState(in);
            std::vector<uint8_t> tdi = in.ConsumeBytes<uint8_t>((size_t{bitCount} + 7) / 8);
            tdi.resize((size_t{bitCount} + 7) / 8, 0xA5);
            const auto end = static_cast<TapState>(endState);
            const KelResult result =
                ir ? target.writeDeviceIR(device, tdi.data(), nullptr, bitCount, end, CallContext{})
                   : target.writeDeviceDR(device, tdi.data(), nullptr, bitCount, end,
                                          CallContext{});
            KEL_FUZZ_CHECK(result == KEL_SUCCESS, "a device write failed");
            if (bitCount % 8 != 0) {
                tdi.back() = static_cast<uint8_t>(tdi.back() & ((1u << (bitCount % 8)) - 1));
            }
            model.beforeScan(ir, endState, statements);
            expectStatements(expected, statements);
            statements.clear();
            expected.push_back(
                Expected{ir ? "SIR" : "SDR", {}, bitCount, tdi, chain.padsFor(device)});
        } else if (action <= 5) {
            const int32_t state = pickState(in);
            const uint32_t count = pickAmount(in);
            const uint32_t wait = action == 5 ? pickAmount(in) : 0;
            const auto tapState = static_cast<TapState>(state);
            const KelResult result = action == 5 ? target.navigateTAP(tapState, count, wait)
                                                 : target.navigateTAP(tapState, count);
            const bool accepted =
                isValidTapState(state) && model.navigate(tapState, count, wait, statements);
            KEL_FUZZ_CHECK(result == (accepted ? KEL_SUCCESS : KEL_FAILURE),
                           "navigateTAP(" + std::to_string(state) + ", " + std::to_string(count) +
                               ", " + std::to_string(wait) + ") returned " +
                               std::to_string(result));
        } else if (action == 6) {
            const uint32_t wait = pickAmount(in);
            KEL_FUZZ_CHECK(target.waitTime(wait) == KEL_SUCCESS, "waitTime failed");
            model.waitTime(wait, statements);
        } else {
            // A changed chain: the next write must bring headers and trailers that fit it.
            const uint32_t device = in.ConsumeIntegralInRange<uint32_t>(0, deviceCount - 1);
            chain.irLengths[device] = in.ConsumeIntegralInRange<uint32_t>(1, 40);
            KEL_FUZZ_CHECK(target.setIRLength(device, chain.irLengths[device]) == KEL_SUCCESS,
                           "setIRLength");
        }
        kelfuzz::checkTraceClosed("a step");
    }

    beginOperation();
    checkResult(target.unlockTarget(), "unlockTarget");
    model.unlock(statements);
    expectStatements(expected, statements);
    beginOperation();
    KEL_FUZZ_CHECK(target.closeTarget() == KEL_SUCCESS, "closeTarget");

    const std::string text = kelfuzz::readWholeFile(outputPath());
    checkLineEnds(text);
    compare(text, expected);
    return 0;
}
