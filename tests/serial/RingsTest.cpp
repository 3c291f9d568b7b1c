#include "serial/Rings.h"

#include <deque>
#include <gtest/gtest.h>
#include <random>

#include "serial/SerialCodes.h"

namespace {

// Feeds `bytes` into the ring the way the dispatcher thread does.
std::size_t FillFrom(InputRing& ring, std::deque<uint8_t>& source) {
    std::size_t before = source.size();
    ring.Fill(
        [&](uint8_t* to, std::size_t n) {
            std::size_t k = 0;
            for (; k < n && !source.empty(); ++k) to[k] = source.front(), source.pop_front();
            return k;
        },
        source.size());
    return before - source.size();
}

std::deque<uint8_t> Counting(std::size_t n, int start = 0) {
    std::deque<uint8_t> bytes;
    for (std::size_t i = 0; i < n; ++i) bytes.push_back(uint8_t(start + int(i)));
    return bytes;
}

} // namespace

TEST(InputRing, EmptyRingHasNothingToGive) {
    InputRing ring;
    EXPECT_EQ(ring.TakeByte(), ecBufferIsEmpty);
    EXPECT_FALSE(ring.ByteReady());
    EXPECT_EQ(ring.BytesWaiting(), 0u);
}

TEST(InputRing, GivesBytesInOrderAcrossTheWrap) {
    InputRing ring;
    auto first = Counting(8000);
    FillFrom(ring, first);
    for (int i = 0; i < 8000; ++i) ASSERT_EQ(ring.TakeByte(), i % 256);
    auto second = Counting(500, 7);
    EXPECT_EQ(FillFrom(ring, second), 500u); // 192 at the end, 308 from the start
    EXPECT_EQ(ring.BytesWaiting(), 500u);
    for (int i = 0; i < 500; ++i) ASSERT_EQ(ring.TakeByte(), (7 + i) % 256);
    EXPECT_FALSE(ring.ByteReady());
}

TEST(InputRing, AFullRingHolds8192BytesAndTakesNoMore) {
    InputRing ring;
    auto bytes = Counting(9000);
    EXPECT_EQ(FillFrom(ring, bytes), 8192u);
    EXPECT_TRUE(ring.Full());
    EXPECT_EQ(ring.BytesWaiting(), 8192u);
    EXPECT_EQ(FillFrom(ring, bytes), 0u);
    EXPECT_EQ(ring.TakeByte(), 0);
    EXPECT_FALSE(ring.Full());
    EXPECT_EQ(FillFrom(ring, bytes), 1u);
    EXPECT_EQ(ring.BytesWaiting(), 8192u);
}

TEST(InputRing, ReadAheadInsideANotificationMovesTheHeadOnlyAtItsEnd) {
    InputRing ring;
    auto bytes = Counting(10);
    FillFrom(ring, bytes);
    ring.BeginReadAhead();
    ring.StartHandlerReadAhead();
    EXPECT_EQ(ring.TakeByte(), 0);
    EXPECT_EQ(ring.TakeByte(), 1);
    EXPECT_EQ(ring.BytesWaiting(), 8u);
    EXPECT_EQ(ring.Unread(), 10u);
    ring.NoteHandlerReadAhead();
    EXPECT_EQ(ring.EndReadAhead(), 2u);
    EXPECT_EQ(ring.BytesWaiting(), 8u);
    EXPECT_EQ(ring.TakeByte(), 2);
}

TEST(InputRing, ReadingAheadPastTheUnreadBytesFails) {
    InputRing ring;
    auto bytes = Counting(2);
    FillFrom(ring, bytes);
    ring.BeginReadAhead();
    ring.StartHandlerReadAhead();
    EXPECT_EQ(ring.TakeByte(), 0);
    EXPECT_EQ(ring.TakeByte(), 1);
    EXPECT_FALSE(ring.ByteReady());
    EXPECT_EQ(ring.TakeByte(), ecBufferIsEmpty);
    ring.NoteHandlerReadAhead();
    EXPECT_EQ(ring.EndReadAhead(), 2u);
}

TEST(InputRing, ReadAheadOfAFullRing) {
    InputRing ring;
    auto bytes = Counting(8192);
    FillFrom(ring, bytes);
    ring.BeginReadAhead();
    ring.StartHandlerReadAhead();
    for (int i = 0; i < 8192; ++i) ASSERT_EQ(ring.TakeByte(), i % 256);
    EXPECT_FALSE(ring.ByteReady());
    ring.NoteHandlerReadAhead();
    EXPECT_EQ(ring.EndReadAhead(), 8192u);
    EXPECT_FALSE(ring.Full());
    EXPECT_EQ(ring.BytesWaiting(), 0u);
}

TEST(InputRing, DiscardInsideANotificationHidesTheBytesAtOnceAndDropsThemAtItsEnd) {
    InputRing ring;
    auto bytes = Counting(100);
    FillFrom(ring, bytes);
    ring.BeginReadAhead();
    ring.StartHandlerReadAhead();
    ring.TakeByte();
    ring.Discard();
    EXPECT_FALSE(ring.ByteReady());
    EXPECT_EQ(ring.BytesWaiting(), 0u);
    ring.NoteHandlerReadAhead();
    EXPECT_EQ(ring.EndReadAhead(), 100u);
    EXPECT_EQ(ring.Unread(), 0u);
}

TEST(OutputRing, QueuesAllOrNothing) {
    OutputRing ring(1024);
    std::vector<uint8_t> tooMany(1025, 'x');
    EXPECT_EQ(ring.Queue(tooMany.data(), tooMany.size()), ecOutputBufferTooSmall);
    EXPECT_EQ(ring.Used(), 0u);
    std::vector<uint8_t> exact(1024, 'y');
    EXPECT_EQ(ring.Queue(exact.data(), exact.size()), ecOK);
    EXPECT_EQ(ring.Used(), 1024u);
    EXPECT_EQ(ring.Queue(exact.data(), 1), ecOutputBufferTooSmall);
    EXPECT_EQ(ring.Queue(exact.data(), 0), ecOK);
}

TEST(OutputRing, GivesItsBytesOldestFirstAndEmptiesItself) {
    OutputRing ring(8);
    uint8_t a[] = {10, 11, 12, 13, 14};
    uint8_t b[] = {15, 16, 17};
    ring.Queue(a, 5);
    ring.Queue(b, 3); // exactly the free space: full
    EXPECT_EQ(ring.Used(), 8u);
    EXPECT_EQ(ring.TakeAll(), (std::vector<uint8_t>{10, 11, 12, 13, 14, 15, 16, 17}));
    EXPECT_TRUE(ring.Empty());
    EXPECT_EQ(ring.Queue(a, 5), ecOK);
    EXPECT_EQ(ring.TakeAll(), std::vector<uint8_t>(a, a + 5));
}

// Random fills, takes, read-aheads and discards against a plain queue of the same bytes.
TEST(InputRing, BehavesLikeAQueueUnderRandomUse) {
    std::mt19937 random(5);
    InputRing ring;
    std::deque<uint8_t> source, model;
    uint8_t next = 0;
    for (int step = 0; step < 200000; ++step) {
        switch (random() % 5) {
        case 0: {
            for (int n = int(random() % 600); n > 0; --n) source.push_back(next++);
            std::deque<uint8_t> before = source;
            std::size_t moved = FillFrom(ring, source);
            for (std::size_t i = 0; i < moved; ++i) model.push_back(before[i]);
            break;
        }
        case 1:
        case 2:
            for (int n = int(random() % 300); n > 0; --n) {
                int byte = ring.TakeByte();
                if (model.empty()) {
                    ASSERT_EQ(byte, ecBufferIsEmpty);
                } else {
                    ASSERT_EQ(byte, model.front());
                    model.pop_front();
                }
            }
            break;
        case 3: { // a notification whose handler reads some of the bytes
            ring.BeginReadAhead();
            ring.StartHandlerReadAhead();
            std::size_t reads = random() % 400, got = 0;
            for (std::size_t i = 0; i < reads; ++i) {
                int byte = ring.TakeByte();
                if (got < model.size()) {
                    ASSERT_EQ(byte, model[got]);
                    ++got;
                } else {
                    ASSERT_EQ(byte, ecBufferIsEmpty);
                }
            }
            ASSERT_EQ(ring.BytesWaiting(), model.size() - got);
            ring.NoteHandlerReadAhead();
            ASSERT_EQ(ring.EndReadAhead(), got);
            model.erase(model.begin(), model.begin() + long(got));
            break;
        }
        case 4:
            if (random() % 20 == 0) {
                ring.Discard();
                model.clear();
                source.clear();
            }
            break;
        }
        ASSERT_EQ(ring.BytesWaiting(), model.size());
        ASSERT_EQ(ring.ByteReady(), !model.empty());
    }
}
