#include "serial/ComPort.h"

#include "serial/SerialCodes.h"
#include "ui/MessageLoop.h"
#include "ui/Window.h"

std::function<uint16_t()> TSerialCustomComPort::ChoosePort;

namespace {
constexpr const wchar_t* kNotifyWindowClass = L"VexorSerialNotify";
constexpr int kTriggerAvailHandlerInstalled = 1, kNoHandler = 2;
} // namespace

TSerialCustomComPort::TSerialCustomComPort() = default;

TSerialCustomComPort::~TSerialCustomComPort() {
    try {
        SetOpen(false);
        // A close from inside a notification's handler left the dispatcher thread to end by
        // itself once that handler returned; it may still be in its blocking notification of
        // up to 3000 ms. Up to 4 s (400 waits of 10 ms, serving messages) covers that.
        if (linkState_ == TLinkState::LinkClosing) {
            for (int waits = 0; waits < 400 && dispatcher_ && dispatcher_->ThreadsRunning();
                 ++waits)
                WaitProcessingMessages(nullptr, 10);
            FinishClose();
        }
    } catch (...) {
        // A destructor reports nothing; the device is closed either way.
    }
}

void TSerialCustomComPort::Check(int code) {
    if (code < 0) RaiseSerialError(code);
}

TSerialWin32Dispatcher* TSerialCustomComPort::OpenDispatcher() const {
    return linkState_ == TLinkState::LinkOpen ? dispatcher_.get() : nullptr;
}

// The dispatcher for an operation: none while closing; an automatic open when allowed.
TSerialWin32Dispatcher* TSerialCustomComPort::Active() {
    if (linkState_ == TLinkState::LinkClosing) return nullptr;
    if (!dispatcher_ && AutoOpen) SetOpen(true);
    if (!dispatcher_) RaiseSerialError(ecCommNotOpen);
    return dispatcher_.get();
}

void TSerialCustomComPort::SetOpen(bool open) {
    if (open && linkState_ == TLinkState::LinkClosing) {
        openRequested_ = true;
        return;
    }
    if (open == open_) return;
    if (open)
        OpenPort();
    else
        ClosePort();
}

void TSerialCustomComPort::OpenPort() {
    if (comNumber_ == 0) {
        uint16_t chosen = PromptForPort && ChoosePort ? ChoosePort() : 0;
        if (chosen == 0) RaiseSerialError(ecNoPortSelected);
        comNumber_ = chosen;
    }
    auto dispatcher = std::make_unique<TSerialWin32Dispatcher>(this);
    std::wstring device = L"\\\\.\\COM" + std::to_wstring(comNumber_);
    uint32_t options = (dtr_ ? TSerialWin32Dispatcher::kDtrOn : 0) |
                       (rts_ ? TSerialWin32Dispatcher::kRtsOn : 0) |
                       (hwFlow_ & hwfUseDTR ? TSerialWin32Dispatcher::kDtrFlow : 0) |
                       (hwFlow_ & hwfUseRTS ? TSerialWin32Dispatcher::kRtsFlow : 0);
    int code = dispatcher->OpenLink(device, line_, options, outSize_, inSize_);
    if (code == -int(ERROR_ACCESS_DENIED)) code = ecAlreadyOpen;
    if (code == -int(ERROR_FILE_NOT_FOUND) || code == -int(ERROR_PATH_NOT_FOUND)) code = ecBadId;
    // The dispatcher goes with the unique_ptr.
    if (code != ecOK) RaiseSerialError(code, dispatcher->FailedStep());

    dispatcher_ = std::move(dispatcher);
    linkState_ = TLinkState::LinkOpen;
    try {
        dispatcher_->SetHandlerMode(onTriggerAvail_ ? kTriggerAvailHandlerInstalled : kNoHandler);
        ApplyFlowThresholds();
        ApplySoftwareFlow();
        Check(dispatcher_->SetFlowChars(xon_, xoff_));
        // DTR and RTS were set by the open; a device without modem lines refuses them, which
        // does not stop it carrying data.
        dispatcher_->SetThreadBoost(0);
        RegisterWindowClass(kNotifyWindowClass, NotifyWindowProc);
        notifyWindow_.reset(CreateWindowExW(0, kNotifyWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                            nullptr, GetModuleHandleW(nullptr), nullptr));
        if (!notifyWindow_) RaiseSerialError(-int(GetLastError()));
    } catch (...) {
        notifyWindow_.reset();
        dispatcher_.reset();
        linkState_ = TLinkState::LinkClosed;
        throw;
    }
    open_ = true;
    dispatcher_->RegisterWindow(reinterpret_cast<WindowId>(notifyWindow_.get()));
    dispatcher_->SetAvailThreshold(availThreshold_);
}

void TSerialCustomComPort::ClosePort() {
    if (linkState_ != TLinkState::LinkOpen) return;
    linkState_ = TLinkState::LinkClosing;
    availThreshold_ = dispatcher_->AvailThreshold();
    dispatcher_->CloseLink(inHandler_);
    if (dispatcher_->ClosePending()) {
        // Closed from inside a notification: the close ends once the dispatcher thread is gone.
        PostMessageW(notifyWindow_.get(), NotifyClosePending, 0,
                     LPARAM(dispatcher_->Handle()) << 16);
        return;
    }
    FinishClose();
}

void TSerialCustomComPort::FinishClose() {
    if (dispatcher_ && notifyWindow_)
        dispatcher_->UnregisterWindow(reinterpret_cast<WindowId>(notifyWindow_.get()));
    notifyWindow_.reset();
    // A worker the system holds past the close still uses its dispatcher: that one is left to it.
    if (dispatcher_ && dispatcher_->ThreadsRunning()) (void)dispatcher_.release();
    dispatcher_.reset();
    linkState_ = TLinkState::LinkClosed;
    open_ = false;
}

LRESULT CALLBACK TSerialCustomComPort::NotifyWindowProc(HWND window, UINT message, WPARAM wParam,
                                                        LPARAM lParam) {
    bool handled =
        (message >= NotifyAvail && message <= NotifyStatus) || message == NotifyClosePending;
    if (!handled) return DefWindowProcW(window, message, wParam, lParam);
    std::lock_guard guard(DispatcherRegistry::Lock());
    TSerialBaseDispatcher* dispatcher = DispatcherRegistry::Find(uint16_t((lParam >> 16) & 0xFFFF));
    if (!dispatcher || !dispatcher->Owner()) return 0;
    auto* port = static_cast<TSerialCustomComPort*>(dispatcher->Owner());
    return CallGuarded(
        [&] {
            port->HandleNotification(message, wParam, lParam);
            return LRESULT(0);
        },
        ReportSerialError);
}

void TSerialCustomComPort::HandleNotification(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == NotifyAvail) {
        if (!onTriggerAvail_ || linkState_ != TLinkState::LinkOpen) return;
        inHandler_ = true;
        struct HandlerEnd {
            bool& InHandler;
            ~HandlerEnd() { InHandler = false; }
        } handlerEnd{inHandler_};
        onTriggerAvail_(*this, uint16_t(wParam));
        return;
    }
    // The workers stopped on a failure: a lost device is told by DeviceLost, anything else in the
    // general error box.
    if (message == NotifyStatus) {
        int code = int(intptr_t(wParam));
        if (code != ecOK && code != ecDeviceRead && code != ecDeviceWrite)
            ReportSerialError(SerialErrorText(code));
        return;
    }
    if (message != NotifyClosePending || linkState_ != TLinkState::LinkClosing) return;
    if (dispatcher_ && dispatcher_->ThreadsRunning()) {
        PostMessageW(notifyWindow_.get(), message, wParam, lParam);
        return;
    }
    FinishClose();
    if (openRequested_) {
        openRequested_ = false;
        SetOpen(true);
    }
}

void TSerialCustomComPort::SetComNumber(uint16_t number) {
    if (number == comNumber_) return;
    if (linkState_ != TLinkState::LinkOpen) {
        comNumber_ = number;
        return;
    }
    SetOpen(false);
    comNumber_ = number;
    SetOpen(true);
}

void TSerialCustomComPort::SetBaud(int32_t baud) {
    line_.Baud = uint32_t(baud);
    if (auto* d = OpenDispatcher()) Check(d->ApplyLine(line_));
}

void TSerialCustomComPort::SetParity(TParity parity) {
    line_.Parity = int(parity);
    if (auto* d = OpenDispatcher()) Check(d->ApplyLine(line_));
}

void TSerialCustomComPort::SetDataBits(uint16_t bits) {
    line_.DataBits = bits;
    if (auto* d = OpenDispatcher()) Check(d->ApplyLine(line_));
}

void TSerialCustomComPort::SetStopBits(uint16_t bits) {
    line_.StopBits = bits;
    if (auto* d = OpenDispatcher()) Check(d->ApplyLine(line_));
}

void TSerialCustomComPort::SetInSize(uint16_t size) {
    inSize_ = size;
    if (auto* d = OpenDispatcher()) d->SetupQueues(inSize_, outSize_);
}

void TSerialCustomComPort::SetOutSize(uint16_t size) {
    outSize_ = size;
    if (auto* d = OpenDispatcher()) d->SetupQueues(inSize_, outSize_);
}

void TSerialCustomComPort::SetDTR(bool on) {
    dtr_ = on;
    if (auto* d = OpenDispatcher()) Check(d->SetDtrLine(on));
}

void TSerialCustomComPort::SetRTS(bool on) {
    rts_ = on;
    if (auto* d = OpenDispatcher()) Check(d->SetRtsLine(on));
}

void TSerialCustomComPort::ApplyFlowThresholds() {
    if (auto* d = OpenDispatcher())
        Check(d->SetFlowThresholds(bufferFull_, bufferResume_, hwFlow_));
}

void TSerialCustomComPort::ApplySoftwareFlow() {
    TSerialWin32Dispatcher* d = OpenDispatcher();
    if (!d) return;
    unsigned bits = swFlow_ == TSWFlowOptions::swfTransmit  ? swfTransmitXonXoff
                    : swFlow_ == TSWFlowOptions::swfReceive ? swfReceiveXonXoff
                    : swFlow_ == TSWFlowOptions::swfBoth    ? swfTransmitXonXoff | swfReceiveXonXoff
                                                            : 0u;
    Check(bits ? d->SetSoftwareFlow(bufferFull_, bufferResume_, bits) : d->ClearSoftwareFlow());
}

void TSerialCustomComPort::SetHWFlowOptions(THWFlowOptionSet options) {
    hwFlow_ = options;
    if (options != 0) {
        if (bufferFull_ == 0 || bufferFull_ > inSize_) bufferFull_ = uint16_t(inSize_ * 0.9);
        if (bufferResume_ == 0 || bufferResume_ > bufferFull_)
            bufferResume_ = uint16_t(inSize_ * 0.1);
    }
    ApplyFlowThresholds();
}

void TSerialCustomComPort::SetSWFlowOptions(TSWFlowOptions options) {
    swFlow_ = options;
    if (options != TSWFlowOptions::swfNone) {
        if (bufferFull_ == 0 || bufferFull_ > inSize_) bufferFull_ = uint16_t(inSize_ * 0.75);
        if (bufferResume_ == 0 || bufferResume_ > bufferFull_)
            bufferResume_ = uint16_t(inSize_ * 0.25);
    }
    ApplySoftwareFlow();
}

void TSerialCustomComPort::SetXOnChar(char c) {
    xon_ = c;
    if (auto* d = OpenDispatcher()) Check(d->SetFlowChars(xon_, xoff_));
}

void TSerialCustomComPort::SetXOffChar(char c) {
    xoff_ = c;
    if (auto* d = OpenDispatcher()) Check(d->SetFlowChars(xon_, xoff_));
}

// Out-of-order levels are kept within InSize and BufferFull.
void TSerialCustomComPort::SetBufferFull(uint16_t level) {
    bufferFull_ = std::min(level, inSize_);
    if (bufferResume_ > bufferFull_) bufferResume_ = bufferFull_;
    ApplyFlowThresholds();
}

void TSerialCustomComPort::SetBufferResume(uint16_t level) {
    bufferResume_ = std::min(level, bufferFull_);
    ApplyFlowThresholds();
}

void TSerialCustomComPort::SetOnTriggerAvail(TTriggerAvailEvent handler) {
    onTriggerAvail_ = std::move(handler);
    if (dispatcher_)
        dispatcher_->SetHandlerMode(onTriggerAvail_ ? kTriggerAvailHandlerInstalled : kNoHandler);
}

void TSerialCustomComPort::SendString(std::string_view bytes) {
    TSerialWin32Dispatcher* d = Active();
    if (!d) return;
    Check(d->QueueOutput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

bool TSerialCustomComPort::ByteReady() {
    TSerialWin32Dispatcher* d = Active();
    return d && d->ByteReady();
}

uint8_t TSerialCustomComPort::ReadByte() {
    TSerialWin32Dispatcher* d = Active();
    if (!d) return 0;
    int byte = d->TakeByte();
    Check(byte);
    return uint8_t(byte);
}

uint32_t TSerialCustomComPort::BytesWaiting() {
    TSerialWin32Dispatcher* d = Active();
    return d ? d->BytesWaiting() : 0;
}

void TSerialCustomComPort::DiscardOutput() {
    if (TSerialWin32Dispatcher* d = Active()) d->DiscardOutput();
}

void TSerialCustomComPort::DiscardInput() {
    if (TSerialWin32Dispatcher* d = Active()) d->DiscardInput();
}

void TSerialCustomComPort::YieldToPort() {
    if (TSerialWin32Dispatcher* d = Active()) d->YieldTimeSlice();
}

bool TSerialCustomComPort::DeviceLost() const {
    return linkState_ == TLinkState::LinkOpen && dispatcher_ && dispatcher_->Lost();
}
