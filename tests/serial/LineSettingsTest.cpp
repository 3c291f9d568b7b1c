// The line settings the component writes, whatever another program left in the device.
#include <windows.h>

#include <cstring>
#include <gtest/gtest.h>

#include "serial/Win32Dispatcher.h"

TEST(LineSettings, EveryFieldTheComponentDoesNotTakeFromTheLineIsSetExplicitly) {
    DCB left;
    std::memset(&left, 0xFF, sizeof left); // every flag on, every character set
    DCB written = left;
    SetFixedLineFields(written);
    EXPECT_EQ(written.DCBlength, sizeof(DCB));
    EXPECT_TRUE(written.fBinary);
    EXPECT_FALSE(written.fParity);
    EXPECT_FALSE(written.fDsrSensitivity);
    EXPECT_TRUE(written.fTXContinueOnXoff);
    EXPECT_FALSE(written.fErrorChar);
    EXPECT_FALSE(written.fNull);
    EXPECT_FALSE(written.fAbortOnError); // one framing error would stop every read and write
    EXPECT_EQ(written.ErrorChar, 0);
    EXPECT_EQ(written.EofChar, 0);
    EXPECT_EQ(written.EvtChar, 0);
    EXPECT_EQ(written.BaudRate, left.BaudRate); // the line's own fields are not touched here
}
