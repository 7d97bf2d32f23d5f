// The exports and the callback table, seen from a host.
#include "HostTest.h"

namespace kelhost::test {
namespace {

constexpr uint32_t kInterfaceVersion = 0x00120100;
const char* const kNotOpened = "<KelPlugin> closeTarget() called but target was not opened!\n";

TEST(BoundaryExports, VersionIsAConstantOfTheLibrary) {
    std::string error;
    auto library = PluginLibrary::load(KEL_PLUGIN_PATH, &error);
    ASSERT_NE(library, nullptr) << error;
    EXPECT_EQ(kInterfaceVersion, library->version());
    {
        TargetPtr first = makeTarget(*library);
        TargetPtr second = makeTarget(*library);
        EXPECT_EQ(kInterfaceVersion, library->version());
    }
    EXPECT_EQ(kInterfaceVersion, library->version());
}

TEST(BoundaryExports, LoadFailsCleanlyForAMissingLibrary) {
    std::string error;
    EXPECT_EQ(nullptr, PluginLibrary::load("/nonexistent/libKelSvfFilePlugin.so", &error));
    EXPECT_NE(std::string::npos, error.find("/nonexistent/libKelSvfFilePlugin.so")) << error;
}

using BoundaryHost = HostTest;

TEST_F(BoundaryHost, LoadNotificationsAndNullDestroyDoNothing) {
    library_->loaded();
    library_->unloaded();
    library_->destroy(nullptr);
    EXPECT_EVENTS(recorder_);
}

TEST_F(BoundaryHost, ConstructorAndDestructorTraceWithEmptyResults) {
    KelPlugin* other = library_->create();
    ASSERT_NE(other, nullptr);
    library_->destroy(other);
    EXPECT_EVENTS(recorder_, "> KelPlugin::KelPlugin", "< ", "> KelPlugin::~KelPlugin", "< ");
}

TEST_F(BoundaryHost, NullTableKeepsTheRegisteredCallbacks) {
    library_->setCallbacks(nullptr);
    EXPECT_FALSE(target().isOpened());
    EXPECT_EVENTS(recorder_, "> KelPlugin::isOpened", "< false");
}

TEST_F(BoundaryHost, AllNullTableSilencesTheLibraryButOperationsStillWork) {
    const KelPluginCallbacks silent{};
    library_->setCallbacks(&silent);
    EXPECT_FALSE(target().isOpened());
    EXPECT_EQ(KEL_FAILURE, target().closeTarget());
    EXPECT_EQ(KEL_SUCCESS, target().setDeviceCount(2));
    EXPECT_EQ(2u, target().getDeviceCount());
    library_->destroy(library_->create());
    EXPECT_EVENTS(recorder_);
}

TEST_F(BoundaryHost, PrintOnlyTableYieldsPrintsAlone) {
    KelPluginCallbacks printOnly{};
    printOnly.printCallback = Recorder::callbacks().printCallback;
    library_->setCallbacks(&printOnly);
    EXPECT_EQ(KEL_FAILURE, target().closeTarget());
    EXPECT_EVENTS(recorder_, std::string("print 1: <KelPlugin> Error:") + kNotOpened);
}

TEST_F(BoundaryHost, ExitTracesArriveWithoutAnEnterCallback) {
    KelPluginCallbacks exitOnly = Recorder::callbacks();
    exitOnly.traceEnterCallback = nullptr;
    library_->setCallbacks(&exitOnly);
    EXPECT_FALSE(target().isOpened());
    EXPECT_EVENTS(recorder_, "< false");
}

TEST_F(BoundaryHost, TargetsShareTheTableButSpeakWithTheirOwnContext) {
    TargetPtr second = makeTarget(*library_);
    target().setMessageContext(7);
    second->setMessageContext(-9);
    recorder_.clear();

    target().closeTarget();
    second->closeTarget();
    EXPECT_MESSAGES(recorder_, std::string("7 256: ") + kNotOpened,
                    std::string("-9 256: ") + kNotOpened);
}

// The host formats every print; a message travels as the argument of a fixed format, so a
// percent sign inside a message can never be read as a conversion.
TEST_F(BoundaryHost, MessagesArePrintedAsArgumentsOfAFixedFormat) {
    target().closeTarget();
    std::vector<std::string> formats;
    for (const Event& event : recorder_.events()) {
        if (event.kind == Event::Kind::Print) {
            formats.push_back(event.format);
        }
    }
    EXPECT_EQ(std::vector<std::string>{"<KelPlugin> Error:%s"}, formats);
}

TEST_F(BoundaryHost, UserDataAndMessageContextAreUntraced) {
    target().setUserData(0x1234567890ABCDEFull);
    target().setMessageContext(3);
    EXPECT_EQ(KEL_SUCCESS, target().setLockOwned(false));
    EXPECT_EVENTS(recorder_);
}

}  // namespace
}  // namespace kelhost::test
