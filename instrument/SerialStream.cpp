#include "instrument/SerialStream.h"

#include <algorithm>
#include <chrono>

#include "common/Text1252.h"
#include "serial/SerialCodes.h"
#include "ui/Window.h"

namespace {
constexpr UINT kSendMessage = WM_APP + 7;
}

SerialStream::SerialStream(uint16_t number, HANDLE cancel, unsigned answerMs)
    : window_(CreateMessageOnlyWindow()), arrived_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      cancel_(cancel), answerMs_(answerMs) {
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, LONG_PTR(this));
    SetWindowLongPtrW(window_.get(), GWLP_WNDPROC, LONG_PTR(&SendProc));
    port_.PromptForPort = false;
    port_.AutoOpen = false;
    port_.SetComNumber(number);
    port_.SetBaud(kBaud);
    port_.SetOnTriggerAvail([this](TSerialPort& port, uint16_t count) {
        std::string bytes;
        for (uint16_t i = 0; i < count && port.ByteReady(); ++i) bytes += char(port.ReadByte());
        std::lock_guard<std::mutex> lock(mutex_);
        incoming_ += bytes;
        SetEvent(arrived_.get());
    });
    try {
        port_.SetOpen(true);
    } catch (const std::exception& error) {
        throw EInstrumentError(InstrumentFault::Unreachable, error.what());
    }
}

SerialStream::~SerialStream() {
    try {
        port_.SetOpen(false);
    } catch (...) {
        // The line is closed either way.
    }
}

LRESULT CALLBACK SerialStream::SendProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kSendMessage) return DefWindowProcW(window, message, wParam, lParam);
    auto* stream = reinterpret_cast<SerialStream*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (stream) stream->SendPending();
    return 0;
}

void SerialStream::SendPending() {
    std::string bytes;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        bytes.swap(outgoing_);
    }
    try {
        if (!bytes.empty()) port_.SendString(bytes);
    } catch (const std::exception&) {
        // A line gone: the worker's read finds no answer and says so.
    }
}

void SerialStream::Write(const std::string& bytes) {
    if (WaitForSingleObject(cancel_, 0) == WAIT_OBJECT_0)
        throw EInstrumentError(InstrumentFault::Cancelled);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        outgoing_ += bytes;
    }
    PostMessageW(window_.get(), kSendMessage, 0, 0);
}

std::size_t SerialStream::Read(uint8_t* into, std::size_t most) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(answerMs_);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!incoming_.empty()) {
                std::size_t count = std::min(most, incoming_.size());
                std::copy_n(incoming_.begin(), count, into);
                incoming_.erase(0, count);
                return count;
            }
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) throw EInstrumentError(InstrumentFault::Silent);
        HANDLE events[] = {arrived_.get(), cancel_};
        if (WaitForMultipleObjects(2, events, FALSE, DWORD(left)) == WAIT_OBJECT_0 + 1)
            throw EInstrumentError(InstrumentFault::Cancelled);
    }
}

void SerialStream::ServeUntil(HANDLE done, unsigned ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, NotifyAvail, NotifyClosePending, PM_REMOVE) ||
               PeekMessageW(&msg, window_.get(), kSendMessage, kSendMessage, PM_REMOVE))
            DispatchMessageW(&msg);
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) return;
        if (MsgWaitForMultipleObjects(1, &done, FALSE, DWORD(std::min<long long>(left, 10)),
                                      QS_POSTMESSAGE) == WAIT_OBJECT_0)
            return;
    }
}
