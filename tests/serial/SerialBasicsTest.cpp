#include <gtest/gtest.h>
#include <new>

#include "serial/PortNames.h"
#include "serial/SerialCodes.h"
#include "serial/SerialException.h"
#include "serial/TickTimer.h"

TEST(TickTimer, EighteenTicksExpireAtTheNineteenth) {
    TickTimer timer;
    uint32_t t = 1000 * kTickMs;
    StartTickTimerAt(timer, 18, t);
    EXPECT_FALSE(TickTimerExpiredAt(timer, t));
    EXPECT_FALSE(TickTimerExpiredAt(timer, t + 18 * kTickMs));
    EXPECT_FALSE(TickTimerExpiredAt(timer, t + 19 * kTickMs - 1));
    EXPECT_TRUE(TickTimerExpiredAt(timer, t + 19 * kTickMs));
}

TEST(TickTimer, SurvivesTheMillisecondCounterWrapping) {
    TickTimer timer;
    uint32_t nearEnd = 0xFFFFFFFFu - 10 * kTickMs;
    StartTickTimerAt(timer, 18, nearEnd);
    EXPECT_FALSE(TickTimerExpiredAt(timer, nearEnd + 5 * kTickMs));
    EXPECT_FALSE(TickTimerExpiredAt(timer, 2 * kTickMs)); // 13 ticks in, after the wrap
    EXPECT_TRUE(TickTimerExpiredAt(timer, 20 * kTickMs));
    StartTickTimerAt(timer, 18, 5 * kTickMs);
    EXPECT_TRUE(TickTimerExpiredAt(timer, 30 * kTickMs));
}

TEST(SerialErrors, CodesBecomeTheirExceptionsWithTheFixedTexts) {
    struct Case {
        int Code;
        const char* Text;
    };
    for (Case c :
         {Case{ecBadId, "ie_BadId - Specified comport doesn't exist"},
          Case{ecAlreadyOpen, "ie_Open - device already open"},
          Case{ecNoPortSelected, "The ComNumber property of the TSerialComPort has not been set"},
          Case{ecCommNotOpen, "ie_NOpen - device not open"},
          Case{ecBadArgument, "Bad argument passed to function"},
          Case{ecOutputBufferTooSmall, "Output buffer too small for block"},
          Case{ecPutBlockFail, "Failed to put entire block"},
          Case{ecBufferIsEmpty, "Buffer is empty"}}) {
        try {
            RaiseSerialError(c.Code);
            FAIL() << c.Code;
        } catch (const ESerialException& e) {
            EXPECT_EQ(e.Code, c.Code);
            EXPECT_STREQ(e.what(), c.Text);
        }
    }
    EXPECT_THROW(RaiseSerialError(ecBadId), EOpenComm);
    EXPECT_THROW(RaiseSerialError(ecCommNotOpen), EOpenComm);
    EXPECT_THROW(RaiseSerialError(ecBadArgument), EGeneral);
    EXPECT_THROW(RaiseSerialError(ecBufferIsEmpty), ESerialIO);
    EXPECT_THROW(RaiseSerialError(ecOutOfMemory), std::bad_alloc);
    EXPECT_THROW(RaiseSerialError(ecNoMem), ESerialException);
}

TEST(SerialErrors, OsRangeCodesAreInputOutputErrorsWithTheRuntimesTexts) {
    try {
        RaiseSerialError(-152);
        FAIL();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode, 152);
        EXPECT_STREQ(e.what(), "Drive is not ready");
    }
    EXPECT_EQ(SerialErrorText(-161), "Device read error");
    EXPECT_EQ(SerialErrorText(-5), "File access denied");
    try {
        RaiseSerialError(-1234);
        FAIL();
    } catch (const ESerialException& e) {
        EXPECT_STREQ(e.what(), "Kestro exception");
        EXPECT_EQ(e.Code, -1234);
    }
}

TEST(PortNames, SelectedPortReadsTheNumberAfterCom) {
    EXPECT_EQ(PortName(7), "COM7");
    EXPECT_EQ(SelectedPort("COM7"), 7);
    EXPECT_EQ(SelectedPort("COM10"), 10);
    EXPECT_EQ(SelectedPort("COM"), 0);
    EXPECT_EQ(SelectedPort(""), 0);
    EXPECT_EQ(SelectedPort("COMx"), 0);
    EXPECT_EQ(SelectedPort("COM99999"), 0);
}
