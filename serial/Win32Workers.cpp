// The worker threads of a port's dispatcher and their overlapped calls (the threads' contract is
// in Win32Dispatcher.h).
#include "serial/Win32Dispatcher.h"

#include <algorithm>
#include <memory>
#include <new>

#include "serial/SerialCodes.h"
#include "serial/SerialException.h"
#include "ui/MessageLoop.h"

namespace {

constexpr DWORD kAckWaitMs = 3000;
constexpr DWORD kReaderWaitMs = 50;
constexpr DWORD kSliceMs = 100;
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

} // namespace
int TSerialWin32Dispatcher::StartThreads() {
    if (runningThreads_ > 0) return ecBadArgument;
    for (int worker : {Reader, Dispatcher, Writer, Status}) {
        auto start = std::make_unique<WorkerStart>(WorkerStart{this, worker});
        HANDLE thread = CreateThread(nullptr, kWorkerStackBytes, ThreadEntry, start.get(),
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (!thread) return Fail("CreateThread", GetLastError());
        start.release(); // the thread owns it now
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
