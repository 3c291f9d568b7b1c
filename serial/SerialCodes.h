#pragma once
// Result codes of the serial component: 0 or a count on success, a negative code on failure.
// Minus an OS error number is also a failure code.

constexpr int ecOK = 0;
constexpr int ecOutOfMemory = -8;
constexpr int ecDeviceWrite = -160;
constexpr int ecDeviceRead = -161;
constexpr int ecBadArgument = -1002;
constexpr int ecBadId = -2001;
constexpr int ecCommNotOpen = -2007;
constexpr int ecAlreadyOpen = -2008;
constexpr int ecNoPortSelected = -2011;
constexpr int ecPutBlockFail = -3004;
constexpr int ecOutputBufferTooSmall = -3006;
constexpr int ecBufferIsEmpty = -3007;
constexpr int ecNoMem = -13868;

// Window messages of the dispatcher and the port. lParam is (dispatcher handle << 16) | data.
constexpr unsigned NotifyAvail = 0x7E01;
constexpr unsigned NotifyData = 0x7E02;
constexpr unsigned NotifyTimer = 0x7E03;
constexpr unsigned NotifyStatus = 0x7E04;
constexpr unsigned NotifyPortOpen = 0x7E08;
constexpr unsigned NotifyPortClose = 0x7E09;
constexpr unsigned NotifyClosePending = 0x7E0A;
