// The exclusive port lock, seen from a host: what it traces and what it writes to the file.
#include "HostTest.h"

namespace kelhost::test {
namespace {

const char* const kToIdle =
    "KelPlugin::navigateTAP FROM KELJTAG_TEST_LOGIC_RESET TO(KELJTAG_RUN_TEST_IDLE,0) "
    "returning 0\n";

class PortLock : public HostTest {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(HostTest::SetUp());
        path_ = tempPath("lock.svf");
        ASSERT_EQ(KEL_SUCCESS, open(path_));
        recorder_.clear();
    }

    std::string path_;
};

TEST_F(PortLock, LockResetsTheTapAndMovesItToIdle) {
    EXPECT_EQ(KEL_SUCCESS, target().lockTarget(0));
    EXPECT_EVENTS(recorder_,                                                         //
                  "> KelPlugin::lockTarget",                                         //
                  "  > KelPlugin::initializeTAP", "  < KEL_SUCCESS",                 //
                  "  > KelPlugin::navigateTAP", std::string("print 4: ") + kToIdle,  //
                  "  < KEL_SUCCESS",                                                 //
                  "< KEL_SUCCESS");
    EXPECT_EQ(KEL_SUCCESS, target().closeTarget());
    EXPECT_SVF_FILE(path_, "STATE RESET;\r\nSTATE IDLE;\r\nSTATE IDLE;\r\n");
}

TEST_F(PortLock, SecondLockIsRefusedAndTheLockStaysOwned) {
    ASSERT_EQ(KEL_SUCCESS, target().lockTarget(0));
    recorder_.clear();
    EXPECT_EQ(KEL_FAILURE, target().lockTarget(0));
    EXPECT_EVENTS(recorder_,                                                     //
                  "> KelPlugin::lockTarget",                                     //
                  "print 1: <KelPlugin> Port already locked by same handle!\n",  //
                  "< KEL_FAILURE, ERROR CODE: 0");
    EXPECT_EQ(KEL_SUCCESS, target().navigateTAP(KelPluginInterface::KELJTAG_RUN_TEST_IDLE, 0));
}

// The unlock flushes before it writes its own "STATE IDLE;": that one reaches the file at close.
TEST_F(PortLock, UnlockFlushesThenMovesToIdle) {
    ASSERT_EQ(KEL_SUCCESS, target().lockTarget(0));
    recorder_.clear();
    EXPECT_EQ(KEL_SUCCESS, target().unlockTarget());
    EXPECT_EVENTS(recorder_,                                                         //
                  "> KelPlugin::unlockTarget",                                       //
                  "  > KelPlugin::navigateTAP", std::string("print 4: ") + kToIdle,  //
                  "  < KEL_SUCCESS",                                                 //
                  "< KEL_SUCCESS");
    EXPECT_SVF_FILE(path_, "STATE RESET;\r\nSTATE IDLE;\r\n");
    EXPECT_EQ(KEL_SUCCESS, target().closeTarget());
    EXPECT_SVF_FILE(path_, "STATE RESET;\r\nSTATE IDLE;\r\nSTATE IDLE;\r\n");
}

TEST_F(PortLock, UnlockWithoutTheLockIsRefused) {
    EXPECT_EQ(KEL_FAILURE, target().unlockTarget());
    EXPECT_EVENTS(recorder_,                                                     //
                  "> KelPlugin::unlockTarget",                                   //
                  "print 1: <KelPlugin> Port lock not owned by this process\n",  //
                  "< KEL_FAILURE, ERROR CODE: 0");
    EXPECT_EQ(KEL_SUCCESS, target().closeTarget());
    EXPECT_SVF_FILE(path_, "");
}

TEST_F(PortLock, CleanLocksIsNotImplemented) {
    EXPECT_EQ(KEL_FAILURE, target().cleanLocks());
    EXPECT_EVENTS(recorder_,                                                                    //
                  "> KelPlugin::cleanLocks",                                                    //
                  "print 2: KelPlugin::cleanLocksImpl() is not implemented for this Target\n",  //
                  "< KEL_FAILURE, ERROR CODE: 0");
}

TEST_F(PortLock, SetLockOwnedOpensTheGateWithoutAReset) {
    EXPECT_EQ(KEL_SUCCESS, target().setLockOwned(true));
    EXPECT_EVENTS(recorder_);
    EXPECT_EQ(KEL_SUCCESS, target().navigateTAP(KelPluginInterface::KELJTAG_RUN_TEST_IDLE, 0));
    EXPECT_EQ(KEL_SUCCESS, target().setLockOwned(false));
    EXPECT_EQ(KEL_FAILURE, target().navigateTAP(KelPluginInterface::KELJTAG_RUN_TEST_IDLE, 0));
    EXPECT_EQ(KEL_SUCCESS, target().closeTarget());
    EXPECT_SVF_FILE(path_, "STATE IDLE;\r\n");
}

// Nothing can be written while no file is open: the lock is taken, but the statements it
// would write are refused and reported instead of going nowhere.
TEST(PortLockWithoutFile, LockOfATargetThatIsNotOpenFails) {
    std::string error;
    auto library = PluginLibrary::load(KEL_PLUGIN_PATH, &error);
    ASSERT_NE(library, nullptr) << error;
    Recorder recorder;
    const KelPluginCallbacks callbacks = Recorder::callbacks();
    library->setCallbacks(&callbacks);
    TargetPtr target = makeTarget(*library);
    recorder.clear();

    EXPECT_EQ(KEL_FAILURE, target->lockTarget(0));
    const std::vector<std::string> messages = recorder.messageLines();
    ASSERT_FALSE(messages.empty());
    for (const std::string& message : messages) {
        EXPECT_EQ(0u, message.rfind("0 256: <SVFFile> ", 0)) << message;
    }
}

}  // namespace
}  // namespace kelhost::test
