#include "serial/Win32Dispatcher.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "serial/SerialCodes.h"
#include "serial/SerialException.h"
#include "ui/MessageLoop.h"

namespace {

constexpr DWORD kAckWaitMs = 3000;
constexpr DWORD kReaderWaitMs = 50;
constexpr DWORD kSliceMs = 100;
constexpr DWORD kFlushAckMs = 5000;
constexpr DWORD kAbandonWaitMs = 1000;
constexpr DWORD kWorkerGoneMs = 36 * 55; // 36 ticks
// The workers hold their buffers on the heap; a worker's deepest call is an error box. Wine
// commits a thread's whole stack, so the default 2 MiB would cost that much memory per worker.
constexpr SIZE_T kWorkerStackBytes = 256 * 1024;
// A reader woken by a received character waits for the rest of the burst before reading, so the
// owner gets one notification per burst rather than one per byte: it reads once the driver's
// count has not grown for this long, once a block's worth has arrived, or at the latest this long
// after the first character.
constexpr DWORD kBurstQuietMs = 5;
constexpr DWORD kBurstMaxMs = 48;
// The status thread's events: received characters, and the changes that go into the
// ReceiveQueue with the data: the modem lines, a break, a line error.
constexpr DWORD kModemChangeEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;
constexpr DWORD kStatusChangeEvents = kModemChangeEvents | EV_BREAK | EV_ERR;
constexpr DWORD kEventMask = EV_RXCHAR | kStatusChangeEvents;
constexpr DWORD kLineErrorBits = CE_RXOVER | CE_OVERRUN | CE_RXPARITY | CE_FRAME | CE_BREAK;
// After this many empty or cancelled device events in a row the status thread pauses before
// waiting again, so a device that wakes it spuriously costs no CPU.
constexpr int kSpuriousBeforePause = 3;
constexpr DWORD kSpuriousPauseMs = 50;

constexpr long long kAwaitFailed = -1;
constexpr long long kAwaitWoken = -2;
constexpr long long kAwaitStopped = -3;

struct WorkerStart {
    TSerialWin32Dispatcher* Dispatcher;
    int Worker;
};

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

int TSerialWin32Dispatcher::Fail(DWORD osError) {
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
    threadAck_ = AutoResetEvent();
    outputReady_ = AutoResetEvent();
    outputFlush_ = AutoResetEvent();
    rxSignal_ = AutoResetEvent();
    readerEnded_ = ManualResetEvent();
    if (int code = OpenDevice(device)) return code;

    int code = ecOK;
    if (!SetupQueues(inSize, outSize)) code = -int(lastOsError_.load());
    if (code == ecOK) {
        inSize_ = inSize;
        AllocateRings(outSize);
        lineErrors_ = 0;
        if (!GetCommState(device_.get(), &dcb_)) code = Fail(GetLastError());
    }
    if (code == ecOK) {
        // A device without modem lines (a pseudo-terminal, a network bridge) refuses DTR and RTS;
        // it still carries data, so that is not a reason to refuse the open.
        dtrFlow_ = optionBits & kDtrFlow;
        rtsFlow_ = optionBits & kRtsFlow;
        dtr_ = optionBits & kDtrOn;
        rts_ = optionBits & kRtsOn;
        if (!dtrFlow_) SetDtrLine(dtr_);
        if (!rtsFlow_) SetRtsLine(rts_);
        ResetNotifyPositions();
        currentRate_ = 115200;
        code = ApplyLine(line);
    }
    // Reads never wait for data to come: they take what the driver holds.
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0};
    if (code == ecOK && !SetCommTimeouts(device_.get(), &timeouts)) code = Fail(GetLastError());
    if (code == ecOK) {
        ReadLineErrors();
        code = StartThreads();
    }
    if (code != ecOK) CloseLink();
    return code;
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
    if (handle == INVALID_HANDLE_VALUE) return Fail(GetLastError());
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
    lastOsError_ = GetLastError();
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
        if (!GetCommState(device_.get(), &dcb_)) return Fail(GetLastError());
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
    if (!SetCommState(device_.get(), &dcb_)) return Fail(GetLastError());
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

// --- Worker threads -------------------------------------------------------------------------

int TSerialWin32Dispatcher::StartThreads() {
    if (runningThreads_ > 0) return ecBadArgument;
    for (int worker : {Reader, Dispatcher, Writer, Status}) {
        auto* start = new WorkerStart{this, worker};
        HANDLE thread = CreateThread(nullptr, kWorkerStackBytes, ThreadEntry, start,
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (!thread) {
            delete start;
            return Fail(GetLastError());
        }
        threads_[std::size_t(worker)].reset(thread);
        WaitForSingleObject(threadAck_.get(), kAckWaitMs);
    }
    return ecOK;
}

// Each worker is waited for at most twice 36 ticks, serving messages: a worker that does not
// end by then is left behind, and its dispatcher with it (see ~TSerialWin32Dispatcher).
void TSerialWin32Dispatcher::StopThreads() {
    stop_ = true;
    auto waitGone = [](const UniqueKernelHandle& thread) {
        if (thread && !WaitProcessingMessages(thread.get(), kWorkerGoneMs))
            WaitProcessingMessages(thread.get(), kWorkerGoneMs);
    };
    if (threads_[Status]) SetCommMask(device_.get(), 0); // ends a pending WaitCommEvent
    waitGone(threads_[Status]);
    SetEvent(outputFlush_.get());
    waitGone(threads_[Writer]);
    SetEvent(rxSignal_.get());
    waitGone(threads_[Reader]);
    // Closed from inside a notification's handler: the dispatcher thread is waiting for that very
    // handler to return. It ends on its own afterwards, and the port finishes the close once it
    // has gone. A notification merely on its way is served by the wait.
    if (!fromHandler_) {
        ReceiveQueue.Wake();
        waitGone(threads_[Dispatcher]);
    }
    for (int worker : {Status, Writer, Reader}) threads_[std::size_t(worker)].reset();
    if (!fromHandler_) threads_[Dispatcher].reset();
}

DWORD WINAPI TSerialWin32Dispatcher::ThreadEntry(LPVOID parameter) {
    std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(parameter));
    return DWORD(start->Dispatcher->RunWorker(Worker(start->Worker)));
}

// A worker ends when it is stopped; one that ends by itself has lost the device, and then all
// of them stop: a port never goes on sending without receiving.
int TSerialWin32Dispatcher::RunWorker(Worker worker) {
    ++runningThreads_;
    alive_[worker] = true;
    SetEvent(threadAck_.get());
    int code = ecOK;
    try {
        switch (worker) {
        case Reader: code = ReadLoop(); break;
        case Status: code = StatusLoop(); break;
        case Writer: code = WriteLoop(); break;
        case Dispatcher: code = DispatcherLoop(); break;
        case WorkerCount: break;
        }
    } catch (const std::bad_alloc&) {
        code = ecNoMem;
    } catch (const std::exception&) {
        code = worker == Writer ? ecDeviceWrite : ecDeviceRead;
    }
    if (code != ecOK) {
        int none = ecOK;
        lossCode_.compare_exchange_strong(none, code);
        lineErrors_ = -1;
        lost_ = true;
        stop_ = true;
        SetEvent(rxSignal_.get());
    }
    alive_[worker] = false;
    if (worker == Reader) SetEvent(readerEnded_.get());
    --runningThreads_;
    return code;
}

// Moves received bytes into the InputRing and notifies the owner until stopped. After a loss it
// waits for the reader's last block, hands on what came before the loss, and tells the owner.
int TSerialWin32Dispatcher::DispatcherLoop() {
    DispatchLoop();
    if (!lost_) return ecOK;
    WaitForSingleObject(readerEnded_.get(), kWorkerGoneMs);
    HandOnReceived();
    // After a loss the received bytes stay readable until the port closes.
    ReleaseOutputRing();
    PostLoss(lossCode_);
    return ecOK;
}

void TSerialWin32Dispatcher::PostToWindow(WindowId window, unsigned message, uintptr_t wParam,
                                          intptr_t lParam) {
    PostMessageW(reinterpret_cast<HWND>(window), message, wParam, lParam);
}

long long TSerialWin32Dispatcher::AwaitOverlapped(std::unique_ptr<IoCall>& call, HANDLE alsoWake) {
    HANDLE handles[2] = {call->Event.get(), alsoWake};
    DWORD count = alsoWake ? 2 : 1;
    for (;;) {
        DWORD result = WaitForMultipleObjects(count, handles, FALSE, kSliceMs);
        if (result == WAIT_OBJECT_0) break;
        if (alsoWake && result == WAIT_OBJECT_0 + 1) {
            Abandon(call);
            return kAwaitWoken;
        }
        if (result != WAIT_TIMEOUT) {
            lastOsError_ = GetLastError();
            Abandon(call);
            return kAwaitFailed;
        }
        if (stop_) {
            Abandon(call);
            return kAwaitStopped;
        }
    }
    DWORD transferred = 0;
    if (!GetOverlappedResult(device_.get(), &call->Overlapped, &transferred, FALSE)) {
        lastOsError_ = GetLastError();
        return kAwaitFailed;
    }
    return transferred;
}

// The system writes into a call's OVERLAPPED and buffer until the call completes. A worker
// cancels its own call (CancelIo ends its reads and writes; an empty event mask ends the status
// thread's WaitCommEvent, and only that thread may clear the mask) and waits for it to end; a
// call a stuck driver does not end is parked with its buffer until the device is closed.
void TSerialWin32Dispatcher::Abandon(std::unique_ptr<IoCall>& call) {
    CancelIo(device_.get());
    if (WaitForSingleObject(call->Event.get(), kSliceMs) == WAIT_OBJECT_0) return;
    if (call->WaitsForEvents) {
        SetCommMask(device_.get(), 0);
        if (WaitForSingleObject(call->Event.get(), kAbandonWaitMs) == WAIT_OBJECT_0) return;
    }
    std::lock_guard guard(parkedLock_);
    parked_.push_back(std::move(call));
}

void TSerialWin32Dispatcher::ReleaseParkedCalls() {
    std::lock_guard guard(parkedLock_);
    for (auto& call : parked_)
        if (WaitForSingleObject(call->Event.get(), kSliceMs) != WAIT_OBJECT_0)
            (void)call.release(); // the system still holds it: never freed
    parked_.clear();
}

long long TSerialWin32Dispatcher::DriverInputCount() {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(device_.get(), &errors, &status)) {
        lastOsError_ = GetLastError();
        return -1;
    }
    lineErrors_ |= int(errors & kLineErrorBits);
    return status.cbInQue;
}

// Received characters keep coming while a burst lasts (and some drivers report them for as long
// as any wait unread): the burst is over when the driver's count stops growing for a moment.
void TSerialWin32Dispatcher::GatherBurst() {
    ULONGLONG first = GetTickCount64();
    long long held = DriverInputCount();
    while (!stop_ && held >= 0 && held < static_cast<long long>(kDataBlockSize) &&
           GetTickCount64() - first < kBurstMaxMs) {
        Sleep(kBurstQuietMs);
        long long now = DriverInputCount();
        if (now == held) break;
        held = now;
    }
}

int TSerialWin32Dispatcher::ReadLoop() {
    auto call = std::make_unique<IoCall>();
    while (!stop_) {
        DWORD woken = WaitForSingleObject(rxSignal_.get(), kReaderWaitMs);
        if (woken == WAIT_FAILED || woken == WAIT_ABANDONED) {
            lastOsError_ = GetLastError();
            return ecDeviceRead;
        }
        if (woken == WAIT_OBJECT_0) GatherBurst();
        // Only what the driver holds is read, so a read never waits for data to come. A device
        // that no longer answers the count may still hold the last bytes sent before the other
        // end hung up: they are read before the loss is reported.
        while (!stop_) {
            long long held = DriverInputCount();
            bool lost = held < 0;
            DWORD lossError = lastOsError_;
            if (lost) held = kDataBlockSize;
            if (held == 0) break;
            DWORD want = DWORD(std::clamp<long long>(held, kDataBlockSize, kLargestDataBlock));
            call->Start();
            call->Block = std::make_unique<TDataBuffer>(want);
            DWORD got = 0;
            if (!ReadFile(device_.get(), call->Block->Data.data(), want, &got, &call->Overlapped)) {
                DWORD error = GetLastError();
                if (error == ERROR_IO_PENDING) {
                    long long done = AwaitOverlapped(call);
                    if (done == kAwaitStopped) return ecOK;
                    if (done == kAwaitFailed) {
                        if (lastOsError_ != ERROR_OPERATION_ABORTED) return ecDeviceRead;
                        done = 0;
                    }
                    got = DWORD(done);
                } else if (error != ERROR_OPERATION_ABORTED) {
                    lastOsError_ = error;
                    return ecDeviceRead;
                }
            }
            if (got == 0) {
                if (!lost) break;
                lastOsError_ = lossError;
                return ecDeviceRead;
            }
            call->Block->Filled = got;
            call->Block->Size = got;
            ReceiveQueue.Append(std::move(call->Block));
        }
    }
    return ecOK;
}

int TSerialWin32Dispatcher::StatusLoop() {
    auto call = std::make_unique<IoCall>();
    call->WaitsForEvents = true;
    bool eventsAvailable = SetCommMask(device_.get(), kEventMask);
    int emptyInARow = 0;

    while (!stop_ && eventsAvailable) {
        call->Start();
        DWORD error = ERROR_SUCCESS;
        if (!WaitCommEvent(device_.get(), &call->Events, &call->Overlapped)) {
            error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                long long done = AwaitOverlapped(call);
                if (done == kAwaitStopped) break;
                error = done == kAwaitFailed ? lastOsError_.load() : ERROR_SUCCESS;
            }
        }
        if (stop_) break;
        // A device without modem lines cannot wait for events at all: the reader's own 50 ms
        // bound then receives every byte.
        if (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_PARAMETER) {
            eventsAvailable = false;
            break;
        }
        // Cancelled or empty completions and wait failures mean "look again"; only a device that
        // no longer answers is lost.
        DWORD events = call->Events;
        if (error != ERROR_SUCCESS || events == 0) {
            if (error != ERROR_SUCCESS && error != ERROR_OPERATION_ABORTED &&
                DriverInputCount() < 0)
                return ecDeviceRead;
            if (++emptyInARow >= kSpuriousBeforePause) Sleep(kSpuriousPauseMs);
            continue;
        }
        emptyInARow = 0;
        if (events & EV_RXCHAR) SetEvent(rxSignal_.get());
        if (events & kStatusChangeEvents)
            ReceiveQueue.Append(std::make_unique<TStatusBuffer>(events));
    }
    while (!stop_) Sleep(kSliceMs);
    return ecOK;
}

int TSerialWin32Dispatcher::WriteLoop() {
    auto call = std::make_unique<IoCall>();
    HANDLE waits[2] = {outputReady_.get(), outputFlush_.get()};
    while (!stop_) {
        DWORD woken = WaitForMultipleObjects(2, waits, FALSE, kSliceMs);
        if (woken == WAIT_TIMEOUT) continue;
        if (woken == WAIT_OBJECT_0 + 1) {
            SetEvent(threadAck_.get());
            continue;
        }
        if (woken != WAIT_OBJECT_0) {
            lastOsError_ = GetLastError();
            return ecDeviceWrite;
        }
        bool flushed = false;
        while (!stop_ && !flushed && !OutputEmpty()) {
            if (!call) call = std::make_unique<IoCall>();
            call->Bytes = TakeOutput();
            for (std::size_t sent = 0; call && sent < call->Bytes.size() && !flushed && !stop_;) {
                DWORD written = 0;
                call->Start();
                if (!WriteFile(device_.get(), call->Bytes.data() + sent,
                               DWORD(call->Bytes.size() - sent), &written, &call->Overlapped)) {
                    DWORD error = GetLastError();
                    if (error == ERROR_OPERATION_ABORTED) break;
                    if (error != ERROR_IO_PENDING) {
                        lastOsError_ = error;
                        return ecDeviceWrite;
                    }
                    long long done = AwaitOverlapped(call, outputFlush_.get());
                    if (done == kAwaitWoken) {
                        SetEvent(threadAck_.get());
                        flushed = true;
                        break;
                    }
                    if (done == kAwaitStopped) break;
                    if (done == kAwaitFailed) {
                        if (lastOsError_ == ERROR_OPERATION_ABORTED) break;
                        return ecDeviceWrite;
                    }
                    written = DWORD(done);
                }
                sent += written;
            }
        }
    }
    return ecOK;
}
