#pragma once
// The Win32 half of a port's dispatcher: the device, its line settings and four worker threads
// (the device and line settings in Win32Dispatcher.cpp, the workers in Win32Workers.cpp).
//
//   reader      waits for RxSignal (or 50 ms), then reads every byte the driver holds, 256 at a
//               time, into data blocks of the ReceiveQueue
//   status      waits for device events; received characters signal RxSignal, status changes
//               go into the ReceiveQueue in order with the data
//   writer      sends what the owner queued in the OutputRing
//   dispatcher  moves data into the InputRing and notifies the owner (TSerialBaseDispatcher)
//
// Each worker owns its OVERLAPPED and event. Every wait is bounded (50 or 100 ms slices), so a
// stop request is seen within 100 ms. Beside each field: the thread that owns it, or how it is
// shared.
#include <windows.h>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "serial/BaseDispatcher.h"
#include "serial/LineSettings.h"
#include "ui/Handles.h"

// The fields of a line's settings the component always sets the same way, whatever the device
// held before: binary mode, no parity check, no DSR sensitivity, no abort on error, no error,
// end or event characters.
void SetFixedLineFields(DCB& dcb);

class TSerialWin32Dispatcher : public TSerialBaseDispatcher {
public:
    // Option bits of OpenLink.
    static constexpr uint32_t kDtrOn = 1, kRtsOn = 2, kDtrFlow = 16, kRtsFlow = 32;

    explicit TSerialWin32Dispatcher(void* owner);
    ~TSerialWin32Dispatcher() override;

    int OpenLink(const std::wstring& device, const LineOptions& line, uint32_t optionBits,
                 uint16_t outSize, uint16_t inSize);
    // `fromHandler`: the close comes from the owner's notification handler.
    void CloseLink(bool fromHandler = false);
    int ApplyLine(const LineOptions& line);
    bool SetupQueues(uint16_t inSize, uint16_t outSize);
    int SetFlowThresholds(uint16_t full, uint16_t resume, THWFlowOptionSet options);
    // `options`: TSWFlowBits.
    int SetSoftwareFlow(uint16_t full, uint16_t resume, unsigned options);
    int ClearSoftwareFlow();
    int SetFlowChars(char xon, char xoff);
    int SetDtrLine(bool on);
    int SetRtsLine(bool on);
    void DiscardOutput();
    void DiscardInput();
    // The dispatcher's YieldProcessor (a name Windows headers take for a macro): a zero sleep.
    int YieldTimeSlice();
    void SetThreadBoost(int boost);

    // A bare open and close, as the port probe uses them: OpenDevice gives 0 or minus the OS
    // error number.
    int OpenDevice(const std::wstring& device);
    int CloseDevice();
    // The open device answers as a serial port (its line settings can be read).
    bool DeviceIsSerialPort() const;

    bool DeviceOpen() const { return bool(device_); }
    bool ThreadsRunning() const { return runningThreads_ > 0; }
    DWORD LastOsError() const { return lastOsError_; }
    // The system call of the last failure, "SetCommState" say; "" when none failed.
    const char* FailedStep() const { return failedStep_; }
    int LineErrors() const { return lineErrors_; }

protected:
    void SendToWindow(WindowId window, unsigned message, uintptr_t wParam,
                      intptr_t lParam) override;
    void PostToWindow(WindowId window, unsigned message, uintptr_t wParam,
                      intptr_t lParam) override;
    void OnDeviceStatus(uint32_t mask) override;
    void OnOutputQueued() override;

private:
    enum Worker { Reader, Dispatcher, Writer, Status, WorkerCount };

    // The status thread's events: received characters, and the changes that go into the
    // ReceiveQueue with the data: the modem lines, a break, a line error.
    static constexpr DWORD kModemChangeEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;
    static constexpr DWORD kStatusChangeEvents = kModemChangeEvents | EV_BREAK | EV_ERR;
    static constexpr DWORD kEventMask = EV_RXCHAR | kStatusChangeEvents;
    static constexpr DWORD kLineErrorBits =
        CE_RXOVER | CE_OVERRUN | CE_RXPARITY | CE_FRAME | CE_BREAK;

    // One overlapped call: its OVERLAPPED, event and buffer, which the system uses until the call
    // completes.
    struct IoCall {
        IoCall() : Event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
        void Start() {
            Overlapped = OVERLAPPED{};
            Overlapped.hEvent = Event.get();
            ResetEvent(Event.get());
        }
        OVERLAPPED Overlapped{};
        UniqueKernelHandle Event;
        std::unique_ptr<TDataBuffer> Block; // a read's
        std::vector<uint8_t> Bytes;         // a write's
        DWORD Events = 0;                   // a WaitCommEvent's
        bool WaitsForEvents = false;
    };

    // The open's steps, each failure recorded with its call; the caller closes what was opened.
    int SetUpLink(const std::wstring& device, const LineOptions& line, uint32_t optionBits,
                  uint16_t outSize, uint16_t inSize);
    int StartThreads();
    void StopThreads();
    int WriteLineSettings();
    void WaitOutputDrained();
    int ReadLineErrors();
    // Records the failed call and its error; minus the error.
    int Fail(const char* step, DWORD osError);

    static DWORD WINAPI ThreadEntry(LPVOID parameter);
    int RunWorker(Worker worker);
    int DispatcherLoop();
    int ReadLoop();
    void GatherBurst();
    int StatusLoop();
    int WriteLoop();
    // Bytes the driver holds, or -1 when the device is gone.
    long long DriverInputCount();
    // Waits for an overlapped call in 100 ms slices: bytes transferred, or kAwaitStopped,
    // kAwaitWoken (`alsoWake` was signalled) or kAwaitFailed (lastOsError_ set). A call given up
    // may be parked: `call` is then empty.
    long long AwaitOverlapped(std::unique_ptr<IoCall>& call, HANDLE alsoWake = nullptr);
    void Abandon(std::unique_ptr<IoCall>& call);
    void ReleaseParkedCalls();

    // Opened and closed by the owner's thread; the workers use the handle while they run, and
    // they have stopped before it closes.
    UniqueKernelHandle device_;
    // The owner's thread: the line settings as last written, and the state of DTR and RTS.
    DCB dcb_{};
    uint32_t currentRate_ = 115200;
    bool dtr_ = true, rts_ = true, dtrFlow_ = false, rtsFlow_ = false;
    uint16_t inSize_ = 0;
    bool closing_ = false;
    bool fromHandler_ = false;
    // Any thread.
    std::atomic<int> lineErrors_{0};
    std::atomic<DWORD> lastOsError_{0};
    const char* failedStep_ = "";  // the owner's thread
    std::atomic<int> lossCode_{0}; // the first failure's code
    // Set by each worker while it runs.
    std::array<std::atomic<bool>, WorkerCount> alive_{};
    // Calls a stuck driver did not give back, kept until the device closes; under parkedLock_.
    std::mutex parkedLock_;
    std::vector<std::unique_ptr<IoCall>> parked_;

    // Created by the owner's thread before the workers start and closed after they have gone;
    // signalled by any thread.
    UniqueKernelHandle threadAck_, outputReady_, outputFlush_, rxSignal_, readerEnded_;
    // The owner's thread.
    std::array<UniqueKernelHandle, WorkerCount> threads_;
    // The workers count themselves in and out.
    std::atomic<int> runningThreads_{0};
};
