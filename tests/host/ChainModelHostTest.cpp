// The chain model as a host describes and reads it.
#include "HostTest.h"

namespace kelhost::test {
namespace {

using ChainModel = HostTest;

TEST_F(ChainModel, DeviceCountUpTo255) {
    EXPECT_EQ(KEL_SUCCESS, target().setDeviceCount(255));
    EXPECT_EQ(KEL_FAILURE, target().setDeviceCount(256));
    EXPECT_EQ(KEL_FAILURE, target().setDeviceCount(0xFFFFFFFFu));
    EXPECT_EQ(255u, target().getDeviceCount());
    EXPECT_EVENTS(
        recorder_,                                                                       //
        "> KelPlugin::setDeviceCount", "print 4: KelPlugin::setDeviceCount(255)\n",      //
        "< KEL_SUCCESS",                                                                 //
        "> KelPlugin::setDeviceCount", "print 1: <KelPlugin> device count too large\n",  //
        "< KEL_FAILURE, ERROR CODE: 0",                                                  //
        "> KelPlugin::setDeviceCount", "print 1: <KelPlugin> device count too large\n",  //
        "< KEL_FAILURE, ERROR CODE: 0",                                                  //
        "> KelPlugin::getDeviceCount", "< 255");
}

TEST_F(ChainModel, TheSameCountKeepsTheChainAndANewCountClearsIt) {
    ASSERT_EQ(KEL_SUCCESS, target().setDeviceCount(2));
    ASSERT_EQ(KEL_SUCCESS, target().setIRLength(1, 8));
    ASSERT_EQ(KEL_SUCCESS, target().setDeviceID(1, 0x1234ABCD));
    recorder_.clear();

    EXPECT_EQ(KEL_SUCCESS, target().setDeviceCount(2));
    EXPECT_EVENTS(recorder_, "> KelPlugin::setDeviceCount",
                  "print 4: KelPlugin::setDeviceCount(2) UNCHANGED\n", "< KEL_SUCCESS");
    EXPECT_EQ(8u, target().getIRLength(1));
    EXPECT_EQ(0x1234ABCDu, target().getDeviceID(1));

    EXPECT_EQ(KEL_SUCCESS, target().setDeviceCount(0));
    EXPECT_EQ(KEL_SUCCESS, target().setDeviceCount(2));
    EXPECT_EQ(0u, target().getIRLength(1));
    EXPECT_EQ(0u, target().getDeviceID(1));
}

TEST_F(ChainModel, SettersEchoTheirArguments) {
    ASSERT_EQ(KEL_SUCCESS, target().setDeviceCount(3));
    recorder_.clear();
    EXPECT_EQ(KEL_SUCCESS, target().setIRLength(2, 10));
    EXPECT_EQ(KEL_SUCCESS, target().setDeviceID(2, 0x0BA00477));
    EXPECT_EVENTS(recorder_,                                                               //
                  "> KelPlugin::setIRLength",                                              //
                  "print 4: KelPlugin::setIRLength(device=2, len=10)\n", "< KEL_SUCCESS",  //
                  "> KelPlugin::setDeviceID",                                              //
                  "print 4: KelPlugin::setDeviceID(2, ba00477)\n", "< KEL_SUCCESS");
}

TEST_F(ChainModel, QueriesReportTheirValuesAsSignedDecimal) {
    ASSERT_EQ(KEL_SUCCESS, target().setDeviceCount(1));
    ASSERT_EQ(KEL_SUCCESS, target().setIRLength(0, 6));
    ASSERT_EQ(KEL_SUCCESS, target().setDeviceID(0, 0x80000001));
    recorder_.clear();
    EXPECT_EQ(6u, target().getIRLength(0));
    EXPECT_EQ(0x80000001u, target().getDeviceID(0));
    EXPECT_EVENTS(recorder_,                          //
                  "> KelPlugin::getIRLength", "< 6",  //
                  "> KelPlugin::getDeviceID", "< -2147483647");
}

TEST_F(ChainModel, IndicesAtOrBeyondTheCount) {
    ASSERT_EQ(KEL_SUCCESS, target().setDeviceCount(2));
    recorder_.clear();
    EXPECT_EQ(0u, target().getIRLength(2));
    EXPECT_EQ(0u, target().getDeviceID(2));
    EXPECT_EQ(KEL_FAILURE, target().setIRLength(2, 8));
    EXPECT_EQ(KEL_FAILURE, target().setDeviceID(7, 1));
    EXPECT_EVENTS(recorder_,                                               //
                  "> KelPlugin::getIRLength", "< 0",                       //
                  "> KelPlugin::getDeviceID",                              //
                  "print 1: <KelPlugin> device count too large\n", "< 0",  //
                  "> KelPlugin::setIRLength",                              //
                  "print 4: KelPlugin::setIRLength(device=2, len=8)\n",    //
                  "print 1: <KelPlugin> ERROR:Attempted to set IRLength for device out of "
                  "bounds\n",
                  "< KEL_FAILURE, ERROR CODE: 0",                                      //
                  "> KelPlugin::setDeviceID",                                          //
                  "print 4: KelPlugin::setDeviceID(7, 1)\n",                           //
                  "print 1: <KelPlugin> device index out of bounds in setDeviceID\n",  //
                  "< KEL_FAILURE, ERROR CODE: 0");
}

}  // namespace
}  // namespace kelhost::test
