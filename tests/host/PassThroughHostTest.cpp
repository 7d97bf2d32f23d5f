// Operations this target leaves to the framework's defaults: pass-through operations, options
// through the command channel, and every scan that needs a real shift.
#include <functional>

#include "HostTest.h"

namespace kelhost::test {
namespace {

using namespace KelPluginInterface;

const char* const kFailure = "< KEL_FAILURE, ERROR CODE: 0";

std::string notImplemented(const std::string& impl) {
    return "print 2: KelPlugin::" + impl + "() is not implemented for this Target\n";
}

struct RefusedOperation {
    const char* name;
    const char* impl;
    std::function<KelResult(KelPlugin&)> call;
};

const std::vector<RefusedOperation>& refusedOperations() {
    static const std::vector<RefusedOperation> operations = {
        {"flush", "flushImpl", [](KelPlugin& t) { return t.flush(); }},
        {"setPin", "setPinImpl", [](KelPlugin& t) { return t.setPin(1, 0); }},
        {"getPin", "getPinImpl",
         [](KelPlugin& t) {
             uint32_t value = 77;
             const KelResult result = t.getPin(3, &value);
             EXPECT_EQ(77u, value);
             return result;
         }},
        {"pulsePin", "pulsePinImpl", [](KelPlugin& t) { return t.pulsePin(2, 10); }},
        {"setWaitTimeAndRetries", "setWaitTimeAndRetriesImpl",
         [](KelPlugin& t) { return t.setWaitTimeAndRetries(100, 3); }},
        {"sendCommand", "sendCommandImpl",
         [](KelPlugin& t) { return t.sendCommand("get", "x", 2, 0, 0, kNoContext); }},
        {"writeComment", "writeCommentImpl", [](KelPlugin& t) { return t.writeComment(0); }},
        {"writeHeader", "writeHeaderImpl", [](KelPlugin& t) { return t.writeHeader(0); }},
        {"scanEndState", "scanEndStateImpl", [](KelPlugin& t) { return t.scanEndState(1, 1); }},
        {"startOperation", "startOperationImpl", [](KelPlugin& t) { return t.startOperation(4); }},
    };
    return operations;
}

using PassThrough = HostTest;

TEST_F(PassThrough, UnimplementedDefaultsRefuseWithTheirNoteOpenOrNot) {
    const std::string path = tempPath("a.svf");
    for (const bool openAndLocked : {false, true}) {
        if (openAndLocked) {
            ASSERT_NO_FATAL_FAILURE(startSession(path, {}));
        }
        for (const RefusedOperation& operation : refusedOperations()) {
            SCOPED_TRACE(std::string(operation.name) + (openAndLocked ? " open" : " closed"));
            recorder_.clear();
            EXPECT_EQ(KEL_FAILURE, operation.call(target()));
            EXPECT_EVENTS(recorder_, std::string("> KelPlugin::") + operation.name,
                          notImplemented(operation.impl), kFailure);
        }
    }
    ASSERT_EQ(KEL_SUCCESS, target().closeTarget());
    EXPECT_SVF_FILE(path, "STATE RESET;\r\nSTATE IDLE;\r\nSTATE IDLE;\r\n");
}

// A wait goes into the file (TapHostTest has its statements); a wait of nothing needs no file,
// one of 1500 us is refused while there is none. Neither flushes.
TEST_F(PassThrough, WaitTimeFlushesAndReportsTheMicroseconds) {
    EXPECT_EQ(KEL_SUCCESS, target().waitTime(0));
    EXPECT_EVENTS(recorder_,  //
                  "> KelPlugin::waitTime",
                  "print 4: <SVFFile> waitTimeImpl:A wait of 0 us writes nothing...\n",
                  "< KEL_SUCCESS");
    recorder_.clear();
    EXPECT_EQ(KEL_FAILURE, target().waitTime(1500));
    EXPECT_EVENTS(recorder_,  //
                  "> KelPlugin::waitTime", "message 0 256: <SVFFile> No output file is open\n",
                  "print 1: <KelPlugin> Error:<SVFFile> No output file is open\n", kFailure);
}

TEST_F(PassThrough, OptionsTravelThroughTheCommandChannelAndFail) {
    EXPECT_EQ(KEL_FAILURE, target().setOption("k", "v"));
    char reply[16] = {};
    EXPECT_EQ(KEL_FAILURE,
              target().getOption("k", reinterpret_cast<uintptr_t>(reply), sizeof reply));
    EXPECT_EVENTS(recorder_,                                                        //
                  "> KelPlugin::setOption",                                         //
                  "  > KelPlugin::sendCommand", notImplemented("sendCommandImpl"),  //
                  "  " + std::string(kFailure),                                     //
                  kFailure,                                                         //
                  "> KelPlugin::getOption",                                         //
                  "  > KelPlugin::sendCommand", notImplemented("sendCommandImpl"),  //
                  "  " + std::string(kFailure),                                     //
                  kFailure);
}

TEST_F(PassThrough, NullOptionTextsAreRefused) {
    EXPECT_EQ(KEL_FAILURE, target().setOption(nullptr, "v"));
    EXPECT_EQ(KEL_FAILURE, target().setOption("k", nullptr));
    EXPECT_EQ(KEL_FAILURE, target().getOption(nullptr, 0, 0));
}

TEST_F(PassThrough, TheTargetDoesNotCallItselfFileOutput) {
    int32_t flag = 9;
    EXPECT_EQ(KEL_SUCCESS, target().isFileOutput(&flag));
    EXPECT_EQ(0, flag);
    EXPECT_EVENTS(recorder_, "> KelPlugin::isFileOutput", "< KEL_SUCCESS");
}

// Chain-level scans need a real shift; the file target has none, so all of them fail and
// write nothing. The default read and write still go through the public shift.
class ChainScans : public HostTest {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(HostTest::SetUp());
        path_ = tempPath("chain.svf");
        ASSERT_NO_FATAL_FAILURE(startSession(path_, {8}));
    }

    void expectNothingWritten() {
        ASSERT_EQ(KEL_SUCCESS, target().closeTarget());
        EXPECT_SVF_FILE(path_, "STATE RESET;\r\nSTATE IDLE;\r\nSTATE IDLE;\r\n");
    }

    std::string path_;
};

TEST_F(ChainScans, DefaultReadFillsTheBufferAndNestsTheShift) {
    uint8_t tdo[3] = {0x12, 0x34, 0x56};
    EXPECT_EQ(KEL_FAILURE,
              target().readChainDR(true, tdo, nullptr, 13, KELJTAG_RUN_TEST_IDLE, kNoContext));
    EXPECT_EQ(0xFF, tdo[0]);
    EXPECT_EQ(0xFF, tdo[1]);
    EXPECT_EQ(0x56, tdo[2]);
    EXPECT_EVENTS(recorder_,                                                    //
                  "> KelPlugin::readChainDR",                                   //
                  "  > KelPlugin::shiftChainDR", "  " + std::string(kFailure),  //
                  kFailure);

    EXPECT_EQ(KEL_FAILURE,
              target().readChainIR(false, tdo, nullptr, 9, KELJTAG_RUN_TEST_IDLE, kNoContext));
    EXPECT_EQ(0x00, tdo[0]);
    EXPECT_EQ(0x00, tdo[1]);
    EXPECT_EQ(0x56, tdo[2]);

    uint8_t untouched = 0x5A;
    EXPECT_EQ(KEL_FAILURE, target().readChainIR(false, &untouched, nullptr, 0,
                                                KELJTAG_RUN_TEST_IDLE, kNoContext));
    EXPECT_EQ(0x5A, untouched);
    expectNothingWritten();
}

TEST_F(ChainScans, DefaultWriteNestsTheShift) {
    const uint8_t tdi[1] = {0xA5};
    EXPECT_EQ(KEL_FAILURE,
              target().writeChainIR(tdi, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext));
    EXPECT_EQ(KEL_FAILURE,
              target().writeChainDR(tdi, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext));
    EXPECT_EVENTS(recorder_,                                                              //
                  "> KelPlugin::writeChainIR",                                            //
                  "  > KelPlugin::shiftChainIR", "  " + std::string(kFailure), kFailure,  //
                  "> KelPlugin::writeChainDR",                                            //
                  "  > KelPlugin::shiftChainDR", "  " + std::string(kFailure), kFailure);
    expectNothingWritten();
}

TEST_F(ChainScans, ShiftsAndDeviceReadsFailWithoutAMessage) {
    uint8_t buffer[4] = {1, 2, 3, 4};
    const std::vector<std::pair<const char*, std::function<KelResult()>>> scans = {
        {"shiftChainIR",
         [&] {
             return target().shiftChainIR(buffer, buffer, nullptr, nullptr, 8,
                                          KELJTAG_RUN_TEST_IDLE, kNoContext);
         }},
        {"shiftChainDR",
         [&] {
             return target().shiftChainDR(buffer, buffer, nullptr, nullptr, 8,
                                          KELJTAG_RUN_TEST_IDLE, kNoContext);
         }},
        {"readDeviceIR",
         [&] {
             return target().readDeviceIR(0, true, buffer, nullptr, 8, KELJTAG_RUN_TEST_IDLE,
                                          kNoContext);
         }},
        {"shiftDeviceIR",
         [&] {
             return target().shiftDeviceIR(0, buffer, buffer, nullptr, nullptr, 8,
                                           KELJTAG_RUN_TEST_IDLE, kNoContext);
         }},
        {"readDeviceDR",
         [&] {
             return target().readDeviceDR(0, false, buffer, nullptr, 8, KELJTAG_RUN_TEST_IDLE,
                                          kNoContext);
         }},
        {"shiftDeviceDR",
         [&] {
             return target().shiftDeviceDR(0, buffer, buffer, nullptr, nullptr, 8,
                                           KELJTAG_RUN_TEST_IDLE, kNoContext);
         }},
    };
    for (const auto& [name, scan] : scans) {
        SCOPED_TRACE(name);
        recorder_.clear();
        EXPECT_EQ(KEL_FAILURE, scan());
        EXPECT_EVENTS(recorder_, std::string("> KelPlugin::") + name, kFailure);
    }
    expectNothingWritten();
}

TEST_F(ChainScans, ADefaultReadIntoNullIsRefused) {
    EXPECT_EQ(KEL_FAILURE,
              target().readChainDR(true, nullptr, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext));
    EXPECT_EQ(KEL_FAILURE,
              target().readChainIR(false, nullptr, nullptr, 8, KELJTAG_RUN_TEST_IDLE, kNoContext));
    expectNothingWritten();
}

}  // namespace
}  // namespace kelhost::test
