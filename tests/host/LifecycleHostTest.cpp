// Opening, closing and describing the target, and the options of an open, seen from a host.
#include <cstring>
#include <filesystem>
#include <fstream>

#include "HostTest.h"

namespace kelhost::test {
namespace {

const char* const kLockToIdle =
    "print 4: KelPlugin::navigateTAP FROM KELJTAG_TEST_LOGIC_RESET TO(KELJTAG_RUN_TEST_IDLE,0) "
    "returning 0\n";

std::string fopenPrint(const std::string& path, bool opened) {
    return "print 4: fopen(" + path + ", \"wb\") returned " + (opened ? "<handle>" : "0") + "\n";
}

std::string errorMessage(const std::string& text) {
    return "message 0 256: " + text;
}

std::string errorPrint(const std::string& text) {
    return "print 1: <KelPlugin> Error:" + text;
}

KelTargetInfo targetInfoOf(KelPlugin& target) {
    KelTargetInfo info;
    std::memset(&info, 0xA5, sizeof info);
    EXPECT_EQ(KEL_SUCCESS, target.getTargetInfo(&info));
    return info;
}

using Lifecycle = HostTest;

TEST_F(Lifecycle, NewTargetIsClosedAndNotConnected) {
    EXPECT_FALSE(target().isOpened());
    int32_t connected = 5;
    EXPECT_EQ(KEL_SUCCESS, target().isConnected(&connected));
    EXPECT_EQ(0, connected);
    EXPECT_EVENTS(recorder_,                               //
                  "> KelPlugin::isOpened", "< false",      //
                  "> KelPlugin::isConnected",              //
                  "  > KelPlugin::isOpened", "  < false",  //
                  "< KEL_SUCCESS");
}

TEST_F(Lifecycle, OpenCreatesAnEmptyFileAndCloseClosesIt) {
    const std::string path = tempPath("a.svf");
    EXPECT_EQ(KEL_SUCCESS, open(path, "SVF"));
    EXPECT_EVENTS(recorder_,                                                        //
                  "> KelPlugin::openTarget",                                        //
                  "  > KelPlugin::isOpened", "  < false",                           //
                  "  > KelPlugin::findKey", "  < SVF",                              //
                  "  > KelPlugin::initializeTarget",                                //
                  "    > KelPlugin::findKey", "    < " + path,                      //
                  "    > KelPlugin::findKey", "    < SVF",                          //
                  "  < KEL_SUCCESS",                                                //
                  "  > KelPlugin::findKey", "  < " + path, fopenPrint(path, true),  //
                  "< KEL_SUCCESS");
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_SVF_FILE(path, "");

    int32_t connected = 0;
    EXPECT_EQ(KEL_SUCCESS, target().isConnected(&connected));
    EXPECT_EQ(1, connected);

    recorder_.clear();
    EXPECT_EQ(KEL_SUCCESS, target().closeTarget());
    EXPECT_EVENTS(recorder_,                              //
                  "> KelPlugin::closeTarget",             //
                  "  > KelPlugin::isOpened", "  < true",  //
                  "< KEL_SUCCESS");
    EXPECT_FALSE(target().isOpened());
}

TEST_F(Lifecycle, OpenOnAnOpenLockedTargetClosesTheFirstFileBeforeTheSecond) {
    const std::string first = tempPath("first.svf");
    const std::string second = tempPath("second.svf");
    ASSERT_EQ(KEL_SUCCESS, open(first));
    ASSERT_EQ(KEL_SUCCESS, target().lockTarget(0));
    recorder_.clear();

    EXPECT_EQ(KEL_SUCCESS, open(second));
    EXPECT_EVENTS(recorder_,                                                             //
                  "> KelPlugin::openTarget",                                             //
                  "  > KelPlugin::isOpened", "  < true",                                 //
                  "print 2: Closing previously opened connection\n",                     //
                  "  > KelPlugin::closeTarget",                                          //
                  "    > KelPlugin::isOpened", "    < true",                             //
                  "    > KelPlugin::unlockTarget",                                       //
                  "      > KelPlugin::navigateTAP", kLockToIdle, "      < KEL_SUCCESS",  //
                  "    < KEL_SUCCESS",                                                   //
                  "  < KEL_SUCCESS",                                                     //
                  "  > KelPlugin::findKey", "  < SVF",                                   //
                  "  > KelPlugin::initializeTarget",                                     //
                  "    > KelPlugin::findKey", "    < " + second,                         //
                  "    > KelPlugin::findKey", "    < SVF",                               //
                  "  < KEL_SUCCESS",                                                     //
                  "  > KelPlugin::findKey", "  < " + second, fopenPrint(second, true),   //
                  "< KEL_SUCCESS");
    EXPECT_SVF_FILE(first, "STATE RESET;\r\nSTATE IDLE;\r\nSTATE IDLE;\r\n");
    EXPECT_SVF_FILE(second, "");
    EXPECT_TRUE(target().isOpened());
}

TEST_F(Lifecycle, CloseOfALockedTargetUnlocksFirst) {
    ASSERT_EQ(KEL_SUCCESS, open(tempPath("a.svf")));
    ASSERT_EQ(KEL_SUCCESS, target().lockTarget(0));
    recorder_.clear();

    EXPECT_EQ(KEL_SUCCESS, target().closeTarget());
    EXPECT_TRACES(recorder_,                                            //
                  "> KelPlugin::closeTarget",                           //
                  "  > KelPlugin::isOpened", "  < true",                //
                  "  > KelPlugin::unlockTarget",                        //
                  "    > KelPlugin::navigateTAP", "    < KEL_SUCCESS",  //
                  "  < KEL_SUCCESS",                                    //
                  "< KEL_SUCCESS");
    recorder_.clear();
    EXPECT_EQ(KEL_FAILURE, target().unlockTarget());
    EXPECT_PRINTS(recorder_, "1: <KelPlugin> Port lock not owned by this process\n");
}

TEST_F(Lifecycle, CloseOfAClosedTargetIsAnError) {
    ASSERT_EQ(KEL_SUCCESS, open(tempPath("a.svf")));
    ASSERT_EQ(KEL_SUCCESS, target().closeTarget());
    recorder_.clear();

    const std::string text = "<KelPlugin> closeTarget() called but target was not opened!\n";
    EXPECT_EQ(KEL_FAILURE, target().closeTarget());
    EXPECT_EVENTS(recorder_,                               //
                  "> KelPlugin::closeTarget",              //
                  "  > KelPlugin::isOpened", "  < false",  //
                  errorMessage(text), errorPrint(text),    //
                  "< KEL_FAILURE, ERROR CODE: 0");
}

TEST_F(Lifecycle, RefusedOptionsLeaveTheTargetClosedWithAnEmptyExitText) {
    const std::string path = tempPath("a.svf");
    const std::string badName = "<svf_file> Invalid File Name Argument\n";
    const std::string badType = "<svf_file> Invalid Target Type Argument\n";
    struct Case {
        OptionList options;
        std::string message;
    };
    const Case cases[] = {
        {{"type=SVF"}, badName},
        {{"fname=", "type=SVF"}, badName},
        {{"fname", "type=SVF"}, badName},
        {{"fname=" + path}, badType},
        {{"fname=" + path, "type="}, badType},
        {{"fname=" + path, "type", "type=SVF"}, badType},  // the first "type" wins: no value
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        recorder_.clear();
        EXPECT_EQ(KEL_FAILURE,
                  target().openTarget(c.options.count(), c.options.data(), kNoContext));
        EXPECT_MESSAGES(recorder_, "0 256: " + c.message);
        EXPECT_EQ("< ", recorder_.traceLines().back());
        EXPECT_FALSE(target().isOpened());
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(Lifecycle, MissingTypeIsRefusedInsideInitializeTarget) {
    const std::string path = tempPath("a.svf");
    const OptionList options{"fname=" + path};
    const std::string text = "<svf_file> Invalid Target Type Argument\n";
    EXPECT_EQ(KEL_FAILURE, target().openTarget(options.count(), options.data(), kNoContext));
    EXPECT_EVENTS(recorder_,                                    //
                  "> KelPlugin::openTarget",                    //
                  "  > KelPlugin::isOpened", "  < false",       //
                  "  > KelPlugin::findKey", "  < 0",            //
                  "  > KelPlugin::initializeTarget",            //
                  "    > KelPlugin::findKey", "    < " + path,  //
                  "    > KelPlugin::findKey", "    < 0",        //
                  errorMessage(text), errorPrint(text),         //
                  "  < KEL_FAILURE, ERROR CODE: 0",             //
                  "< ");
}

TEST_F(Lifecycle, KeysIgnoreCaseAndValuesKeepFurtherEqualsSigns) {
    const std::string path = tempPath("a=b.svf");
    const OptionList options{"FNAME=" + path, "Type=x"};
    EXPECT_EQ(KEL_SUCCESS, target().openTarget(options.count(), options.data(), kNoContext));
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_STREQ("x", targetInfoOf(target()).targetType);
}

TEST_F(Lifecycle, OpeningAnExistingFileTruncatesIt) {
    const std::string path = tempPath("old.svf");
    std::ofstream(path) << "left over from before\n";
    ASSERT_EQ(KEL_SUCCESS, open(path));
    EXPECT_SVF_FILE(path, "");
}

TEST_F(Lifecycle, AFileThatCannotBeCreatedIsReported) {
    // The directory does not exist. Its name holds conversions: the host must print it as text.
    const std::string path = tempPath("%s%d%n/a.svf");
    const std::string text = "<svf_file> Cannot Open File: Invalide File Name Argument\n";
    EXPECT_EQ(KEL_FAILURE, open(path));
    EXPECT_EVENTS(recorder_,                                                         //
                  "> KelPlugin::openTarget",                                         //
                  "  > KelPlugin::isOpened", "  < false",                            //
                  "  > KelPlugin::findKey", "  < SVF",                               //
                  "  > KelPlugin::initializeTarget",                                 //
                  "    > KelPlugin::findKey", "    < " + path,                       //
                  "    > KelPlugin::findKey", "    < SVF",                           //
                  "  < KEL_SUCCESS",                                                 //
                  "  > KelPlugin::findKey", "  < " + path, fopenPrint(path, false),  //
                  errorMessage(text), errorPrint(text),                              //
                  "< KEL_FAILURE, ERROR CODE: 0");
    EXPECT_FALSE(target().isOpened());
}

// The handle is printed as an unsigned int made from it, never as a pointer for "%x".
TEST_F(Lifecycle, ThePrintAfterOpeningKeepsItsFormat) {
    ASSERT_EQ(KEL_SUCCESS, open(tempPath("a.svf")));
    std::vector<std::string> formats;
    for (const Event& event : recorder_.events()) {
        if (event.kind == Event::Kind::Print) {
            formats.push_back(event.format);
        }
    }
    EXPECT_EQ(std::vector<std::string>{"fopen(%s, \"wb\") returned %x\n"}, formats);
}

TEST_F(Lifecycle, NullEntriesOfAnOptionListAreSkipped) {
    const std::string fname = "fname=" + tempPath("a.svf");
    const char* const options[] = {nullptr, fname.c_str(), nullptr, "type=SVF"};
    EXPECT_EQ(KEL_SUCCESS, target().openTarget(4, options, kNoContext));
    EXPECT_TRUE(target().isOpened());
}

TEST_F(Lifecycle, ANullOptionListIsRefused) {
    EXPECT_EQ(KEL_FAILURE, target().openTarget(2, nullptr, kNoContext));
    EXPECT_EQ(KEL_FAILURE, target().initializeTarget(2, nullptr));
    EXPECT_FALSE(target().isOpened());
}

TEST_F(Lifecycle, NullOutputPointersAreRefused) {
    EXPECT_EQ(KEL_FAILURE, target().getTargetInfo(nullptr));
    EXPECT_EQ(KEL_FAILURE, target().isConnected(nullptr));
    EXPECT_EQ(KEL_FAILURE, target().isFileOutput(nullptr));
}

TEST_F(Lifecycle, TargetTypeFollowsTheLatestTypeOptionEvenOfARefusedOpen) {
    const std::string path = tempPath("a.svf");
    ASSERT_EQ(KEL_SUCCESS, open(path, "first"));
    EXPECT_STREQ("first", targetInfoOf(target()).targetType);

    const OptionList noType{"fname=" + path};
    EXPECT_EQ(KEL_FAILURE, target().openTarget(noType.count(), noType.data(), kNoContext));
    EXPECT_STREQ("first", targetInfoOf(target()).targetType);

    const OptionList emptyType{"fname=" + path, "type="};
    EXPECT_EQ(KEL_FAILURE, target().openTarget(emptyType.count(), emptyType.data(), kNoContext));
    EXPECT_STREQ("", targetInfoOf(target()).targetType);

    const OptionList badName{"fname=", "type=second"};
    EXPECT_EQ(KEL_FAILURE, target().openTarget(badName.count(), badName.data(), kNoContext));
    EXPECT_STREQ("second", targetInfoOf(target()).targetType);
}

TEST_F(Lifecycle, ALongTypeIsCutToFitItsField) {
    const std::string type(10000, 't');
    ASSERT_EQ(KEL_SUCCESS, open(tempPath("a.svf"), type));
    const KelTargetInfo info = targetInfoOf(target());
    EXPECT_EQ(std::string(8191, 't'), std::string(info.targetType));
    EXPECT_STREQ("KEL Plug-in", info.pluginName);
    EXPECT_STREQ("KelPlugin Version 1.0", info.pluginVersion);
    EXPECT_EQ(0u, info.reserved);
}

}  // namespace
}  // namespace kelhost::test
