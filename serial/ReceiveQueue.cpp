#include "serial/ReceiveQueue.h"

#include <algorithm>
#include <chrono>
#include <cstring>

void TIOQueue::Append(std::unique_ptr<TIOBuffer> buffer) {
    {
        std::lock_guard guard(lock_);
        byteCount_ += buffer->Size;
        items_.push_back(std::move(buffer));
        signalled_ = true;
    }
    appended_.notify_one();
}

TIOBuffer* TIOQueue::Peek() {
    std::lock_guard guard(lock_);
    if (items_.empty() || items_.front()->InUse) return nullptr;
    items_.front()->InUse = true;
    return items_.front().get();
}

void TIOQueue::Release(TIOBuffer* buffer) {
    std::lock_guard guard(lock_);
    buffer->InUse = false;
}

void TIOQueue::Remove(TIOBuffer* buffer) {
    std::lock_guard guard(lock_);
    auto found = std::find_if(items_.begin(), items_.end(),
                              [buffer](const auto& item) { return item.get() == buffer; });
    if (found == items_.end()) return;
    byteCount_ -= buffer->Size;
    items_.erase(found);
}

void TIOQueue::Clear() {
    std::lock_guard guard(lock_);
    std::erase_if(items_, [this](const std::unique_ptr<TIOBuffer>& item) {
        if (item->InUse) return false;
        byteCount_ -= item->Size;
        return true;
    });
}

bool TIOQueue::Wait(unsigned ms, bool forAppend) {
    std::unique_lock guard(lock_);
    if (!items_.empty() && !forAppend) return true;
    appended_.wait_for(guard, std::chrono::milliseconds(ms), [this] { return signalled_; });
    bool woken = signalled_;
    signalled_ = false;
    return woken;
}

void TIOQueue::Wake() {
    {
        std::lock_guard guard(lock_);
        signalled_ = true;
    }
    appended_.notify_one();
}

std::size_t TIOQueue::ItemCount() {
    std::lock_guard guard(lock_);
    return items_.size();
}

std::size_t TIOQueue::ReceivedPending() {
    TIOBuffer* first = Peek();
    if (!first) return 0;
    auto* data = dynamic_cast<TDataBuffer*>(first);
    std::size_t pending = data ? data->Filled - data->Taken : 0;
    Release(first);
    return pending;
}

std::size_t TIOQueue::ReadReceived(uint8_t* buffer, std::size_t size) {
    std::size_t copied = 0;
    while (copied < size) {
        TIOBuffer* first = Peek();
        if (!first) break;
        auto* data = dynamic_cast<TDataBuffer*>(first);
        if (!data) {
            Release(first);
            break;
        }
        std::size_t n = std::min(size - copied, data->Filled - data->Taken);
        std::memcpy(buffer + copied, data->Data.data() + data->Taken, n);
        data->Taken += n;
        copied += n;
        if (data->Taken == data->Filled)
            Remove(first);
        else
            Release(first);
    }
    return copied;
}
