#include "serial/Win32Dispatcher.h"

#include <algorithm>
#include <cstring>

#include "serial/SerialCodes.h"
#include "serial/SerialException.h"

namespace {

constexpr DWORD kFlushAckMs = 5000;

UniqueKernelHandle AutoResetEvent() {
    return UniqueKernelHandle(CreateEventW(nullptr, FALSE, FALSE, nullptr));
}
UniqueKernelHandle ManualResetEvent() {
    return UniqueKernelHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

} // namespace

TSerialWin32Dispatcher::TSerialWin32Dispatcher(void* owner) : TSerialBaseDispatcher(owner) {}

// The owner never destroys a dispatcher whose workers are still running (ThreadsRunning).
TSerialWin32Dispatcher::~TSerialWin32Dispatcher() {
    if (ClosePending())
        ReleaseRings();
    else
        CloseLink();
}

int TSerialWin32Dispatcher::Fail(const char* step, DWORD osError) {
    failedStep_ = step;
    lastOsError_ = osError;
    return -int(osError);
}

int TSerialWin32Dispatcher::OpenLink(const std::wstring& device, const LineOptions& line,
                                     uint32_t optionBits, uint16_t outSize, uint16_t inSize) {
    stop_ = false;
    lost_ = false;
    lossCode_ = ecOK;
    closePending_ = false;
    closing_ = false;
    failedStep_ = "";
    threadAck_ = AutoResetEvent();
    outputReady_ = AutoResetEvent();
    outputFlush_ = AutoResetEvent();
    rxSignal_ = AutoResetEvent();
    readerEnded_ = ManualResetEvent();
    int code = SetUpLink(device, line, optionBits, outSize, inSize);
    if (code != ecOK) CloseLink();
    return code;
}

int TSerialWin32Dispatcher::SetUpLink(const std::wstring& device, const LineOptions& line,
                                      uint32_t optionBits, uint16_t outSize, uint16_t inSize) {
    if (int code = OpenDevice(device)) return code;
    if (!SetupQueues(inSize, outSize)) return -int(lastOsError_.load());
    inSize_ = inSize;
    AllocateRings(outSize);
    lineErrors_ = 0;
    if (!GetCommState(device_.get(), &dcb_)) return Fail("GetCommState", GetLastError());
    // A device without modem lines (a pseudo-terminal, a network bridge) refuses DTR and RTS; it
    // still carries data, so that is not a reason to refuse the open.
    dtrFlow_ = optionBits & kDtrFlow;
    rtsFlow_ = optionBits & kRtsFlow;
    dtr_ = optionBits & kDtrOn;
    rts_ = optionBits & kRtsOn;
    if (!dtrFlow_) SetDtrLine(dtr_);
    if (!rtsFlow_) SetRtsLine(rts_);
    ResetNotifyPositions();
    currentRate_ = 115200;
    if (int code = ApplyLine(line)) return code;
    // Reads never wait for data to come: they take what the driver holds.
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0};
    if (!SetCommTimeouts(device_.get(), &timeouts)) return Fail("SetCommTimeouts", GetLastError());
    ReadLineErrors();
    return StartThreads();
}

void TSerialWin32Dispatcher::CloseLink(bool fromHandler) {
    fromHandler_ = fromHandler;
    if (device_) {
        DiscardOutput();
        DiscardInput();
        CloseDevice();
    }
    if (fromHandler)
        closePending_ = true;
    else
        ReleaseRings();
    fromHandler_ = false;
}

int TSerialWin32Dispatcher::OpenDevice(const std::wstring& device) {
    HANDLE handle = CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return Fail("CreateFile", GetLastError());
    device_.reset(handle);
    return ecOK;
}

bool TSerialWin32Dispatcher::DeviceIsSerialPort() const {
    DCB settings{};
    settings.DCBlength = sizeof settings;
    return device_ && GetCommState(device_.get(), &settings);
}

int TSerialWin32Dispatcher::CloseDevice() {
    if (closing_) return ecOK; // from a notification served while this close waits
    closing_ = true;
    StopThreads();
    int result = ecOK;
    if (device_ && !CloseHandle(device_.release())) result = -1;
    ReleaseParkedCalls();
    closing_ = false;
    return result;
}

bool TSerialWin32Dispatcher::SetupQueues(uint16_t inSize, uint16_t outSize) {
    if (SetupComm(device_.get(), inSize, outSize)) return true;
    Fail("SetupComm", GetLastError());
    return false;
}

void SetFixedLineFields(DCB& dcb) {
    dcb.DCBlength = sizeof dcb;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.ErrorChar = 0;
    dcb.EofChar = 0;
    dcb.EvtChar = 0;
}

int TSerialWin32Dispatcher::ApplyLine(const LineOptions& line) {
    DCB wanted;
    {
        if (!GetCommState(device_.get(), &dcb_)) return Fail("GetCommState", GetLastError());
        wanted = dcb_;
        if (line.Baud != 0) wanted.BaudRate = line.Baud;
        if (line.Parity) wanted.Parity = BYTE(*line.Parity);
        if (line.DataBits) wanted.ByteSize = BYTE(*line.DataBits);
        if (line.StopBits) {
            uint16_t stop = std::clamp<uint16_t>(*line.StopBits, 1, 2);
            wanted.StopBits = stop == 1              ? ONESTOPBIT
                              : wanted.ByteSize == 5 ? ONE5STOPBITS
                                                     : TWOSTOPBITS;
        }
        SetFixedLineFields(wanted);
        if (std::memcmp(&wanted, &dcb_, sizeof wanted) == 0) return ecOK;
    }
    WaitOutputDrained();
    dcb_ = wanted;
    return WriteLineSettings();
}

// New line settings must not change the rate under a character still on its way. First the
// OutputRing and the driver's queue empty (up to 10 s: 5000 polls of 2 ms), then what the
// hardware still holds leaves the wire: a 16-byte FIFO plus the holding and shift registers, 18
// characters at the current rate, each of `bits` bits. d is that time in 100 ns units (10^7 per
// second); under a millisecond it is doubled, as Sleep's whole milliseconds could round it to
// nothing.
void TSerialWin32Dispatcher::WaitOutputDrained() {
    for (int polls = 0; polls < 5000 && OutputUsed() > 0; ++polls) Sleep(2);
    DCB current = dcb_;
    GetCommState(device_.get(), &current);
    unsigned bits = current.ByteSize + 2u + (current.Parity != NOPARITY ? 1u : 0u) +
                    (current.StopBits != ONESTOPBIT ? 1u : 0u);
    unsigned long long d = (10000000ull / std::max<uint32_t>(currentRate_, 1)) * bits * 18;
    if (d < 10000) d *= 2;
    Sleep(DWORD((d + 9999) / 10000));
}

int TSerialWin32Dispatcher::WriteLineSettings() {
    if (!dtrFlow_) dcb_.fDtrControl = dtr_ ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    if (!rtsFlow_) dcb_.fRtsControl = rts_ ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    if (!SetCommState(device_.get(), &dcb_)) return Fail("SetCommState", GetLastError());
    currentRate_ = dcb_.BaudRate;
    SetDtrLine(dtr_);
    SetRtsLine(rts_);
    return ecOK;
}

int TSerialWin32Dispatcher::SetFlowThresholds(uint16_t full, uint16_t resume,
                                              THWFlowOptionSet options) {
    if (full < resume || full > inSize_) return ecBadArgument;
    dcb_.fOutxCtsFlow = FALSE;
    dcb_.fOutxDsrFlow = FALSE;
    dtrFlow_ = options & hwfUseDTR;
    rtsFlow_ = options & hwfUseRTS;
    dcb_.fDtrControl = dtrFlow_ ? DTR_CONTROL_HANDSHAKE
                       : dtr_   ? DTR_CONTROL_ENABLE
                                : DTR_CONTROL_DISABLE;
    dcb_.fRtsControl = rtsFlow_ ? RTS_CONTROL_HANDSHAKE
                       : rts_   ? RTS_CONTROL_ENABLE
                                : RTS_CONTROL_DISABLE;
    dcb_.fOutxDsrFlow = (options & hwfRequireDSR) != 0;
    dcb_.fOutxCtsFlow = (options & hwfRequireCTS) != 0;
    dcb_.XoffLim = WORD(inSize_ - full);
    dcb_.XonLim = resume;
    return WriteLineSettings();
}

int TSerialWin32Dispatcher::SetSoftwareFlow(uint16_t full, uint16_t resume, unsigned options) {
    if (full < resume || full > inSize_) return ecBadArgument;
    dcb_.fInX = (options & swfReceiveXonXoff) != 0;
    dcb_.fOutX = (options & swfTransmitXonXoff) != 0;
    dcb_.XoffLim = WORD(inSize_ - full);
    dcb_.XonLim = resume;
    dcb_.XonChar = 17;
    dcb_.XoffChar = 19;
    return WriteLineSettings();
}

int TSerialWin32Dispatcher::ClearSoftwareFlow() {
    dcb_.fInX = FALSE;
    dcb_.fOutX = FALSE;
    return WriteLineSettings();
}

int TSerialWin32Dispatcher::SetFlowChars(char xon, char xoff) {
    dcb_.XonChar = xon;
    dcb_.XoffChar = xoff;
    return WriteLineSettings();
}

int TSerialWin32Dispatcher::SetDtrLine(bool on) {
    if (dtrFlow_) return 1;
    dtr_ = on;
    return EscapeCommFunction(device_.get(), on ? SETDTR : CLRDTR) ? ecOK : ecBadArgument;
}

int TSerialWin32Dispatcher::SetRtsLine(bool on) {
    if (rtsFlow_) return 1;
    rts_ = on;
    return EscapeCommFunction(device_.get(), on ? SETRTS : CLRRTS) ? ecOK : ecBadArgument;
}

// The writer drops the block it is sending and says so; a writer that has ended says nothing.
void TSerialWin32Dispatcher::DiscardOutput() {
    ResetOutputRing();
    if (!alive_[Writer]) return;
    PurgeComm(device_.get(), PURGE_TXABORT | PURGE_TXCLEAR);
    SetEvent(outputFlush_.get());
    HANDLE waits[2] = {threadAck_.get(), threads_[Writer].get()};
    WaitForMultipleObjects(2, waits, FALSE, kFlushAckMs);
}

void TSerialWin32Dispatcher::DiscardInput() {
    if (device_) PurgeComm(device_.get(), PURGE_RXABORT | PURGE_RXCLEAR);
    ResetInputRing();
}

// Also serves the messages other threads send this one: a bytes-available notification sent
// before the owner took its handler away would otherwise hold the dispatcher thread, and every
// byte behind it, for its 3000 ms while the owner polls.
int TSerialWin32Dispatcher::YieldTimeSlice() {
    Sleep(0);
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    return ecOK;
}

void TSerialWin32Dispatcher::SetThreadBoost(int boost) {
    for (auto& thread : threads_)
        if (thread) SetThreadPriority(thread.get(), THREAD_PRIORITY_NORMAL + boost);
}

int TSerialWin32Dispatcher::ReadLineErrors() {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(device_.get(), &errors, &status)) return -1;
    lineErrors_ |= int(errors & kLineErrorBits);
    return int(errors);
}

void TSerialWin32Dispatcher::OnOutputQueued() { SetEvent(outputReady_.get()); }

void TSerialWin32Dispatcher::SendToWindow(WindowId window, unsigned message, uintptr_t wParam,
                                          intptr_t lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(reinterpret_cast<HWND>(window), message, wParam, lParam, SMTO_BLOCK, 3000,
                        &result);
}

void TSerialWin32Dispatcher::OnDeviceStatus(uint32_t mask) {
    if (mask & kModemChangeEvents) {
        DWORD modem = 0;
        GetCommModemStatus(device_.get(), &modem);
    }
    if (mask & (EV_BREAK | EV_ERR)) ReadLineErrors();
}
