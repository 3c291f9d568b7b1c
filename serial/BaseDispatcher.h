#pragma once
// The device-independent half of a port's dispatcher: the rings, the ReceiveQueue, and the
// notification of the owner when bytes arrive.
//
// Threads and locks:
//   owner thread       QueueOutput, TakeByte, ByteReady, BytesWaiting, discarding, handler setup
//   dispatcher thread  DispatchLoop: PullReceived, CheckAvail, Notify
//   reader, status     append to the ReceiveQueue (which has its own lock)
//   writer             takes the OutputRing's bytes
// stateLock_ guards the handler list and the notification flags, outputLock_ the OutputRing,
// inputLock_ the InputRing and its read-ahead counts. No path holds two of them at once, and
// Notify holds none while the owner handles the message, so the owner's TakeByte can take the
// input lock from inside the handler.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "serial/ReceiveQueue.h"
#include "serial/Rings.h"

using WindowId = std::uintptr_t;

class TSerialBaseDispatcher {
public:
    // Registers the dispatcher in the DispatcherRegistry; `owner` is the port (may be null).
    explicit TSerialBaseDispatcher(void* owner);
    virtual ~TSerialBaseDispatcher();
    TSerialBaseDispatcher(const TSerialBaseDispatcher&) = delete;
    TSerialBaseDispatcher& operator=(const TSerialBaseDispatcher&) = delete;

    uint16_t Handle() const { return handle_; }
    void* Owner() const { return owner_; }

    // Owner operations.
    int QueueOutput(const uint8_t* bytes, std::size_t length);
    int TakeByte();
    bool ByteReady();
    uint32_t BytesWaiting();
    std::size_t OutputUsed();
    void SetAvailThreshold(uint16_t threshold) { availThreshold_ = threshold; }
    uint16_t AvailThreshold() const { return availThreshold_; }
    // 1: the port's handler is installed; 2: it is not; 0: recompute.
    void SetHandlerMode(int mode);
    void RegisterWindow(WindowId window);
    void UnregisterWindow(WindowId window);

    // Dispatcher-thread operations. PullReceived tells whether it took any byte.
    bool PullReceived();
    bool CheckAvail();
    bool Notify(unsigned message, uint32_t wParam, uint16_t data);
    // Until the stop or close-pending flag: wait for the ReceiveQueue, process one event.
    void DispatchLoop();
    // After a loss: hands on to the owner what was received before it, then tells each window
    // with NotifyStatus, wParam the failure's code.
    void HandOnReceived();
    void PostLoss(int code);

    bool Notifying() const { return notifying_; }
    bool ClosePending() const { return closePending_; }
    bool Stopping() const { return stop_; }
    bool Lost() const { return lost_; }

protected:
    // Sends a notification and waits for it to be handled (at most 3000 ms).
    virtual void SendToWindow(WindowId window, unsigned message, uintptr_t wParam,
                              intptr_t lParam) = 0;
    // Posts a notification without waiting.
    virtual void PostToWindow(WindowId window, unsigned message, uintptr_t wParam,
                              intptr_t lParam) = 0;
    // A status event from the ReceiveQueue (modem or line-status change).
    virtual void OnDeviceStatus(uint32_t mask) = 0;
    // New bytes wait in the OutputRing.
    virtual void OnOutputQueued() {}

    void AllocateRings(std::size_t outputSize);
    void ReleaseRings();
    void ReleaseOutputRing();
    void ResetNotifyPositions();
    // The ring halves of discarding; the device half is the subclass's.
    void ResetOutputRing();
    void ResetInputRing();
    // The writer's side: every queued byte, oldest first.
    std::vector<uint8_t> TakeOutput();
    bool OutputEmpty();

    TIOQueue ReceiveQueue;
    std::atomic<bool> stop_{false};
    std::atomic<bool> lost_{false}; // a worker failed: the device is gone
    std::atomic<bool> closePending_{false};

private:
    // False when nothing could be taken (the InputRing is full or nothing came).
    bool ProcessEvent();

    void* owner_;
    uint16_t handle_;
    std::recursive_mutex stateLock_, outputLock_;
    std::mutex inputLock_; // never taken twice: the owner takes one byte at a time under it
    std::unique_ptr<InputRing> input_;
    std::unique_ptr<OutputRing> output_;

    struct HandlerWindow {
        WindowId Window;
        bool Removed;
    };
    std::vector<HandlerWindow> windows_;
    bool handlerInstalled_ = false;
    std::atomic<bool> notifyNeeded_{false};
    std::atomic<bool> notifying_{false};
    std::atomic<uint16_t> availThreshold_{0};
    // Counted in bytes ever received rather than as ring positions: an arrival of exactly the
    // ring's size brings the tail back where it was and must still be announced.
    uint64_t scanPosition_ = 0;
    uint64_t notifiedPosition_ = 0;
};

// The process-wide list of live dispatchers; a dispatcher's index is its handle.
namespace DispatcherRegistry {
// The registry lock; the port holds it while it handles a notification.
std::recursive_mutex& Lock();
// The dispatcher with that handle, or null. Call with the lock held.
TSerialBaseDispatcher* Find(uint16_t handle);
} // namespace DispatcherRegistry
