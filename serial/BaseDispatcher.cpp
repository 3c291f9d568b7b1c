#include "serial/BaseDispatcher.h"

#include <algorithm>

#include "serial/SerialCodes.h"

namespace {

constexpr unsigned kQueueWaitMs = 50;

std::vector<TSerialBaseDispatcher*>& Slots() {
    static std::vector<TSerialBaseDispatcher*> slots;
    return slots;
}

uint16_t Register(TSerialBaseDispatcher* dispatcher) {
    std::lock_guard guard(DispatcherRegistry::Lock());
    auto& slots = Slots();
    auto empty = std::find(slots.begin(), slots.end(), nullptr);
    if (empty != slots.end()) {
        *empty = dispatcher;
        return uint16_t(empty - slots.begin());
    }
    slots.push_back(dispatcher);
    return uint16_t(slots.size() - 1);
}

void Unregister(uint16_t handle) {
    std::lock_guard guard(DispatcherRegistry::Lock());
    auto& slots = Slots();
    if (handle < slots.size()) slots[handle] = nullptr;
    while (!slots.empty() && slots.back() == nullptr) slots.pop_back();
}

} // namespace

std::recursive_mutex& DispatcherRegistry::Lock() {
    static std::recursive_mutex lock;
    return lock;
}

TSerialBaseDispatcher* DispatcherRegistry::Find(uint16_t handle) {
    auto& slots = Slots();
    return handle < slots.size() ? slots[handle] : nullptr;
}

TSerialBaseDispatcher::TSerialBaseDispatcher(void* owner)
    : owner_(owner), handle_(Register(this)) {}

TSerialBaseDispatcher::~TSerialBaseDispatcher() { Unregister(handle_); }

void TSerialBaseDispatcher::AllocateRings(std::size_t outputSize) {
    {
        std::lock_guard in(inputLock_);
        input_ = std::make_unique<InputRing>();
    }
    std::lock_guard out(outputLock_);
    output_ = std::make_unique<OutputRing>(outputSize);
}

void TSerialBaseDispatcher::ReleaseRings() {
    {
        std::lock_guard in(inputLock_);
        input_.reset();
    }
    ReleaseOutputRing();
}

void TSerialBaseDispatcher::ReleaseOutputRing() {
    std::lock_guard out(outputLock_);
    output_.reset();
}

void TSerialBaseDispatcher::ResetNotifyPositions() {
    std::lock_guard guard(stateLock_);
    scanPosition_ = notifiedPosition_ = 0;
    availThreshold_ = 0;
}

// After the workers stopped on a device failure the rings are gone: the owner then finds no byte
// and cannot queue any.
int TSerialBaseDispatcher::QueueOutput(const uint8_t* bytes, std::size_t length) {
    if (length == 0) return ecOK;
    int result;
    {
        std::lock_guard guard(outputLock_);
        if (!output_) return ecPutBlockFail;
        result = output_->Queue(bytes, length);
    }
    if (result == ecOK) OnOutputQueued();
    return result;
}

int TSerialBaseDispatcher::TakeByte() {
    std::lock_guard guard(inputLock_);
    return input_ ? input_->TakeByte() : ecBufferIsEmpty;
}

bool TSerialBaseDispatcher::ByteReady() {
    std::lock_guard guard(inputLock_);
    return input_ && input_->ByteReady();
}

uint32_t TSerialBaseDispatcher::BytesWaiting() {
    std::lock_guard guard(inputLock_);
    return input_ ? input_->BytesWaiting() : 0;
}

std::size_t TSerialBaseDispatcher::OutputUsed() {
    std::lock_guard guard(outputLock_);
    return output_ ? output_->Used() : 0;
}

std::vector<uint8_t> TSerialBaseDispatcher::TakeOutput() {
    std::lock_guard guard(outputLock_);
    return output_ ? output_->TakeAll() : std::vector<uint8_t>{};
}

bool TSerialBaseDispatcher::OutputEmpty() {
    std::lock_guard guard(outputLock_);
    return !output_ || output_->Empty();
}

void TSerialBaseDispatcher::ResetOutputRing() {
    std::lock_guard guard(outputLock_);
    if (output_) output_->Reset();
}

void TSerialBaseDispatcher::ResetInputRing() {
    std::lock_guard guard(inputLock_);
    ReceiveQueue.Clear();
    if (input_) input_->Discard();
}

void TSerialBaseDispatcher::SetHandlerMode(int mode) {
    std::lock_guard guard(stateLock_);
    bool others = windows_.size() > 1;
    if (mode == 1) {
        handlerInstalled_ = true;
        notifyNeeded_ = true;
    } else if (mode == 2) {
        handlerInstalled_ = false;
        notifyNeeded_ = others;
    } else {
        notifyNeeded_ = others || handlerInstalled_;
    }
}

void TSerialBaseDispatcher::RegisterWindow(WindowId window) {
    std::lock_guard guard(stateLock_);
    windows_.push_back({window, false});
    notifyNeeded_ = true;
}

void TSerialBaseDispatcher::UnregisterWindow(WindowId window) {
    std::lock_guard guard(stateLock_);
    for (auto& entry : windows_)
        if (entry.Window == window) entry.Removed = true;
    if (!notifying_) std::erase_if(windows_, [](const HandlerWindow& w) { return w.Removed; });
}

bool TSerialBaseDispatcher::PullReceived() {
    std::lock_guard guard(inputLock_);
    if (!input_ || input_->Full()) return false;
    std::size_t pending = ReceiveQueue.ReceivedPending();
    if (pending == 0) return false;
    uint32_t before = input_->Unread();
    input_->Fill([this](uint8_t* to, std::size_t n) { return ReceiveQueue.ReadReceived(to, n); },
                 pending);
    return input_->Unread() != before;
}

bool TSerialBaseDispatcher::CheckAvail() {
    uint32_t waiting;
    {
        std::lock_guard guard(inputLock_);
        if (!input_) return false;
        scanPosition_ = input_->FilledTotal();
        waiting = input_->BytesWaiting();
    }
    uint16_t threshold = availThreshold_;
    if (threshold == 0 || scanPosition_ == notifiedPosition_ || waiting < threshold) return false;
    bool result = Notify(NotifyAvail, waiting, 0);
    notifiedPosition_ = scanPosition_;
    return result;
}

// Whether a notification goes out is decided first: read-ahead runs only for one that does. While
// it runs, the owner's polled takes count as read ahead too, and the count is closed in the same
// step that moves the head, so a byte taken meanwhile is taken once.
bool TSerialBaseDispatcher::Notify(unsigned message, uint32_t wParam, uint16_t data) {
    if (!notifyNeeded_) return true;
    std::vector<WindowId> targets;
    {
        std::lock_guard guard(stateLock_);
        if (windows_.size() > 1 || handlerInstalled_)
            for (const auto& entry : windows_)
                if (!entry.Removed) targets.push_back(entry.Window);
        if (targets.empty()) {
            notifyNeeded_ = windows_.size() > 1 || handlerInstalled_;
            return true;
        }
        notifying_ = true;
    }
    bool readAhead = message == NotifyAvail || message == NotifyData;
    if (readAhead) {
        std::lock_guard guard(inputLock_);
        if (input_) input_->BeginReadAhead();
    }
    auto lParam = intptr_t(data) + (intptr_t(handle_) << 16);
    uint32_t moved = 0;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (i > 0) {
            std::lock_guard guard(inputLock_);
            if (input_) input_->StartHandlerReadAhead();
        }
        SendToWindow(targets[i], message, wParam, lParam);
        bool last = i + 1 == targets.size() || closePending_;
        std::lock_guard guard(inputLock_);
        if (!input_) break;
        input_->NoteHandlerReadAhead();
        if (last) {
            if (readAhead) moved = input_->EndReadAhead();
            break;
        }
    }
    bool result = closePending_ ? false : message != NotifyAvail || moved == wParam;
    std::lock_guard guard(stateLock_);
    notifying_ = false;
    std::erase_if(windows_, [](const HandlerWindow& w) { return w.Removed; });
    notifyNeeded_ = windows_.size() > 1 || handlerInstalled_;
    return result;
}

bool TSerialBaseDispatcher::ProcessEvent() {
    uint32_t mask = 0;
    if (TIOBuffer* first = ReceiveQueue.Peek()) {
        if (auto* status = dynamic_cast<TStatusBuffer*>(first)) {
            mask = status->Mask;
            ReceiveQueue.Remove(first);
        } else {
            ReceiveQueue.Release(first);
        }
    }
    if (mask != 0) OnDeviceStatus(mask);
    bool pulled = PullReceived();
    if (!notifying_)
        while (!closePending_ && CheckAvail()) {
        }
    return mask != 0 || pulled;
}

// While the InputRing is full the received data waits in the queue; the loop then sleeps until
// something new arrives (or 50 ms pass) instead of looking at the same data again at once.
void TSerialBaseDispatcher::DispatchLoop() {
    bool progressed = true;
    while (!stop_ && !closePending_) {
        ReceiveQueue.Wait(kQueueWaitMs, !progressed);
        if (stop_) break;
        progressed = ProcessEvent();
    }
}

void TSerialBaseDispatcher::HandOnReceived() {
    while (!closePending_ && ProcessEvent()) {
    }
}

void TSerialBaseDispatcher::PostLoss(int code) {
    std::lock_guard guard(stateLock_);
    for (const auto& entry : windows_)
        if (!entry.Removed)
            PostToWindow(entry.Window, NotifyStatus, uintptr_t(intptr_t(code)),
                         intptr_t(handle_) << 16);
}
