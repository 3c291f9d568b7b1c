// The dispatcher's notification bookkeeping, with the owner's handler played in-process.
#include "serial/BaseDispatcher.h"

#include <functional>
#include <gtest/gtest.h>
#include <thread>

#include "serial/SerialCodes.h"

namespace {

class TestDispatcher : public TSerialBaseDispatcher {
public:
    TestDispatcher() : TSerialBaseDispatcher(nullptr) {
        AllocateRings(1024);
        SetAvailThreshold(1);
    }

    std::function<void(unsigned message, uintptr_t wParam)> Handler;
    int Sent = 0;

    void Receive(const std::vector<uint8_t>& bytes) {
        for (std::size_t at = 0; at < bytes.size(); at += kDataBlockSize) {
            auto block = std::make_unique<TDataBuffer>();
            block->Filled = std::min(kDataBlockSize, bytes.size() - at);
            std::copy_n(bytes.begin() + long(at), block->Filled, block->Data.begin());
            block->Size = block->Filled;
            ReceiveQueue.Append(std::move(block));
        }
    }
    void ReceiveStatus(uint32_t mask) {
        ReceiveQueue.Append(std::make_unique<TStatusBuffer>(mask));
    }
    void DiscardInput() { ResetInputRing(); }
    void Stop() {
        stop_ = true;
        ReceiveQueue.Wake();
    }
    uint32_t LastStatus = 0;

protected:
    void SendToWindow(WindowId, unsigned message, uintptr_t wParam, intptr_t) override {
        ++Sent;
        if (Handler) Handler(message, wParam);
    }
    void PostToWindow(WindowId, unsigned, uintptr_t, intptr_t) override {}
    void OnDeviceStatus(uint32_t mask) override { LastStatus = mask; }
};

std::vector<uint8_t> Bytes(std::size_t n, int start = 0) {
    std::vector<uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = uint8_t(start + int(i));
    return bytes;
}

} // namespace

TEST(Dispatcher, AHandlerThatReadsExactlyCountConsumesTheBytes) {
    TestDispatcher d;
    d.RegisterWindow(1);
    d.SetHandlerMode(1);
    std::vector<int> read;
    d.Handler = [&](unsigned message, uintptr_t count) {
        EXPECT_EQ(message, NotifyAvail);
        for (uintptr_t i = 0; i < count; ++i) read.push_back(d.TakeByte());
    };
    d.Receive(Bytes(300));
    EXPECT_TRUE(d.PullReceived());
    EXPECT_TRUE(d.CheckAvail());
    EXPECT_EQ(read.size(), 300u);
    EXPECT_EQ(read[299], 299 % 256);
    EXPECT_EQ(d.BytesWaiting(), 0u);
    EXPECT_FALSE(d.CheckAvail()); // nothing new: no second notification
    EXPECT_EQ(d.Sent, 1);
}

TEST(Dispatcher, BytesLeftUnreadAreAnnouncedAgainOnlyWithNewOnes) {
    TestDispatcher d;
    d.RegisterWindow(1);
    d.SetHandlerMode(1);
    std::vector<uintptr_t> counts;
    d.Handler = [&](unsigned, uintptr_t count) {
        counts.push_back(count);
        d.TakeByte(); // reads only one
    };
    d.Receive(Bytes(10));
    d.PullReceived();
    EXPECT_FALSE(d.CheckAvail());
    EXPECT_EQ(d.BytesWaiting(), 9u);
    EXPECT_FALSE(d.CheckAvail());
    EXPECT_EQ(counts.size(), 1u);
    d.Receive(Bytes(5));
    d.PullReceived();
    d.CheckAvail();
    EXPECT_EQ(counts, (std::vector<uintptr_t>{10, 14}));
}

TEST(Dispatcher, ReadingMoreThanCountInsideTheHandlerFails) {
    TestDispatcher d;
    d.RegisterWindow(1);
    d.SetHandlerMode(1);
    int extra = 0;
    d.Handler = [&](unsigned, uintptr_t count) {
        for (uintptr_t i = 0; i < count; ++i) d.TakeByte();
        extra = d.TakeByte();
    };
    d.Receive(Bytes(3));
    d.PullReceived();
    EXPECT_TRUE(d.CheckAvail());
    EXPECT_EQ(extra, ecBufferIsEmpty);
    EXPECT_EQ(d.BytesWaiting(), 0u);
}

TEST(Dispatcher, WithoutAHandlerNothingIsSentAndBytesWaitForPolling) {
    TestDispatcher d;
    d.RegisterWindow(1);
    d.SetHandlerMode(2);
    d.Receive(Bytes(20));
    d.PullReceived();
    d.CheckAvail();
    EXPECT_EQ(d.Sent, 0);
    EXPECT_TRUE(d.Notify(NotifyAvail, 20, 0)); // notify-needed is clear: returns at once
    EXPECT_EQ(d.BytesWaiting(), 20u);
    for (int i = 0; i < 20; ++i) ASSERT_EQ(d.TakeByte(), i);
    EXPECT_FALSE(d.ByteReady());
}

TEST(Dispatcher, AFullRingLeavesTheRestInTheQueueAndLosesNothing) {
    TestDispatcher d;
    d.RegisterWindow(1);
    d.SetHandlerMode(2);
    d.Receive(Bytes(10000));
    while (d.PullReceived()) {
    }
    EXPECT_EQ(d.BytesWaiting(), 8192u);
    std::vector<int> read;
    for (int i = 0; i < 8192; ++i) read.push_back(d.TakeByte());
    while (d.PullReceived()) {
    }
    EXPECT_EQ(d.BytesWaiting(), 10000u - 8192u);
    while (d.ByteReady()) read.push_back(d.TakeByte());
    ASSERT_EQ(read.size(), 10000u);
    for (int i = 0; i < 10000; ++i) ASSERT_EQ(read[std::size_t(i)], i % 256);
}

TEST(Dispatcher, StatusEventsStayInOrderWithTheData) {
    TestDispatcher d;
    d.RegisterWindow(1);
    d.SetHandlerMode(2);
    d.Receive(Bytes(10));
    d.ReceiveStatus(0x80);
    d.Receive(Bytes(5, 10));
    d.PullReceived();
    EXPECT_EQ(d.BytesWaiting(), 10u); // stops at the status event
    std::thread loop([&] { d.DispatchLoop(); });
    for (int i = 0; i < 6000 && d.BytesWaiting() < 15; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(d.BytesWaiting(), 15u);
    EXPECT_EQ(d.LastStatus, 0x80u);
    d.Stop();
    loop.join();
}

TEST(Dispatcher, DiscardingInsideTheHandlerEmptiesTheRingWhenTheNotificationEnds) {
    TestDispatcher d;
    d.RegisterWindow(1);
    d.SetHandlerMode(1);
    d.Handler = [&](unsigned, uintptr_t) {
        d.TakeByte();
        d.DiscardInput();
        EXPECT_FALSE(d.ByteReady());
    };
    d.Receive(Bytes(50));
    d.PullReceived();
    d.CheckAvail();
    EXPECT_EQ(d.BytesWaiting(), 0u);
    d.Receive(Bytes(3, 100));
    d.PullReceived();
    EXPECT_EQ(d.TakeByte(), 100);
}

TEST(Dispatcher, HandlesAreRegistrySlotsReusedAfterDestruction) {
    auto a = std::make_unique<TestDispatcher>();
    auto b = std::make_unique<TestDispatcher>();
    uint16_t first = a->Handle();
    EXPECT_NE(first, b->Handle());
    {
        std::lock_guard guard(DispatcherRegistry::Lock());
        EXPECT_EQ(DispatcherRegistry::Find(b->Handle()), b.get());
    }
    a.reset();
    auto c = std::make_unique<TestDispatcher>();
    EXPECT_EQ(c->Handle(), first);
    std::lock_guard guard(DispatcherRegistry::Lock());
    EXPECT_EQ(DispatcherRegistry::Find(uint16_t(first + 100)), nullptr);
}

TEST(Dispatcher, AnArrivalOfExactlyTheRingsSizeIsAnnounced) {
    TestDispatcher d;
    d.RegisterWindow(1);
    d.SetHandlerMode(1);
    std::size_t read = 0;
    d.Handler = [&](unsigned, uintptr_t count) {
        for (uintptr_t i = 0; i < count; ++i) read += d.TakeByte() >= 0;
    };
    for (int round = 0; round < 3; ++round) {
        d.Receive(Bytes(8192)); // fills the ring and brings its tail back to where it was
        d.PullReceived();
        EXPECT_TRUE(d.CheckAvail()) << round;
    }
    EXPECT_EQ(read, 3u * 8192u);
}
