// The port component against the instrument simulator on a pseudo-terminal, under Wine.
#include "serial/ComPort.h"

#include "acquisition/HmLine.h"
#include "acquisition/ReadSession.h"
#include "serial/ComSelect.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "tests/serial/ProcessFigures.h"
#include "tests/serial/SimLink.h"

namespace {

// Set up as the main window sets up its port.
void ConfigureLikeTheProgram(TSerialComPort& port, uint16_t com) {
    ApplyHmLineSettings(port);
    port.SetComNumber(com);
}

// A window for the read session that shows nothing.
class NoWindow : public ReadWindow {
    void SetCaption(const std::string&) override {}
    void SetGaugeMaximum(int) override {}
    void SetGauge(Gauge, int) override {}
    void ShowStatus(const std::string&) override {}
    void SetBusy(bool) override {}
    void HideReadButton() override {}
    void ShowHeaderSettings(const HeaderSettings&) override {}
    void UpdateCommands() override {}
    void Notice(const std::string&) override {}
    bool ConfirmLoss() override { return true; }
    bool AskForTheZero() override { return false; }
    void ServeMessages(unsigned ms) override { WaitProcessingMessages(nullptr, ms); }
    void AcquisitionRead() override {}
    void PushAcquisition() override {}
};

// The identification's exchange, as the program makes it: handler cleared, one command line, one
// answer line; the port's own handler is given back afterwards.
std::string Query(TSerialComPort& port, const std::string& command) {
    TTriggerAvailEvent saved = port.OnTriggerAvail();
    NoWindow window;
    CommandState state;
    std::string answer = ReadSession(port, window, state).QueryInstrument(command);
    port.SetOnTriggerAvail(saved);
    return answer;
}

// The process's threads come back to `count` (at most ten seconds): the system retires threads
// of its own a little after their last work, a leaked worker never goes.
bool ThreadCountReturnsTo(int count) {
    return PumpUntil([&] { return ThreadCount() <= count; }, 10000);
}

class ComPort : public ::testing::Test {
protected:
    void SetUp() override {
        if (SimCom() == 0) GTEST_SKIP() << "run through tests/serial/with-sim";
        ConfigureLikeTheProgram(port, SimCom());
    }

    // Collects what OnTriggerAvail delivers: every byte read, and each notification's Count.
    void Collect() {
        port.SetOnTriggerAvail([this](TSerialPort& cp, uint16_t count) {
            counts.push_back(count);
            for (uint16_t i = 0; i < count; ++i) received.push_back(cp.ReadByte());
        });
    }

    TSerialComPort port;
    std::vector<uint8_t> received;
    std::vector<uint16_t> counts;
};

} // namespace

// One notification per arrival, not one per byte: each burst is taken whole before the next.
TEST_F(ComPort, ABurstIsAnnouncedOnceWithEveryByteInIt) {
    port.SetOpen(true);
    Collect();
    std::string hundred;
    for (int i = 0; i < 100; ++i) hundred += "5a";
    for (std::size_t burst = 1; burst <= 10; ++burst) {
        SimControl("send " + hundred);
        ASSERT_TRUE(PumpUntil([&] { return received.size() >= 100 * burst; }, 10000)) << burst;
    }
    EXPECT_EQ(received, std::vector<uint8_t>(1000, 0x5a));
    EXPECT_GE(counts.size(), 10u);
    EXPECT_LE(counts.size(), 20u);
}

// A handler that reads one byte of four is told of them again with the next byte; one that also
// discards the rest is told of the next byte alone.
TEST_F(ComPort, AHandlerIsToldAgainOfWhatItLeftButNotOfWhatItDiscarded) {
    for (bool discard : {false, true}) {
        counts.clear();
        received.clear();
        port.SetOpen(true);
        port.SetOnTriggerAvail([&](TSerialPort& cp, uint16_t count) {
            counts.push_back(count);
            received.push_back(cp.ReadByte());
            if (discard) cp.DiscardInput();
        });
        SimControl("send 01020304");
        ASSERT_TRUE(PumpUntil([&] { return !counts.empty(); }, 30000));
        EXPECT_EQ(port.BytesWaiting(), discard ? 0u : 3u);
        // Told nothing more until the next byte comes.
        SimControl("send 05");
        ASSERT_TRUE(PumpUntil([&] { return counts.size() == 2; }, 30000));
        EXPECT_EQ(counts, (std::vector<uint16_t>{4, uint16_t(discard ? 1 : 4)})) << discard;
        EXPECT_EQ(received, (std::vector<uint8_t>{1, uint8_t(discard ? 5 : 2)})) << discard;
        port.SetOnTriggerAvail(nullptr);
        port.SetOpen(false);
    }
}

TEST_F(ComPort, ReadingMoreThanCountInsideTheHandlerRaisesBufferIsEmpty) {
    port.SetOpen(true);
    bool raised = false;
    port.SetOnTriggerAvail([&](TSerialPort& cp, uint16_t count) {
        for (uint16_t i = 0; i < count; ++i) cp.ReadByte();
        try {
            cp.ReadByte();
        } catch (const EBufferIsEmpty& e) {
            raised = e.Code == -3007;
        }
    });
    SimControl("send 414243");
    ASSERT_TRUE(PumpUntil([&] { return raised; }, 30000));
    EXPECT_EQ(port.BytesWaiting(), 0u);
}

TEST_F(ComPort, AFullInputRingKeepsTheRestWaitingAndLosesNothing) {
    port.SetOpen(true);
    SimControl("flood 12000");
    // The simulator logs the flood once every byte is written: the ring holds 8192 then, and a
    // byte taken out is made up from the rest, which waits in the driver.
    ASSERT_TRUE(PumpUntil(
        [&] { return SimLogCount("control: flood 12000\n") == 1 && port.BytesWaiting() == 8192; },
        30000))
        << port.BytesWaiting();
    std::vector<uint8_t> all{port.ReadByte()};
    ASSERT_TRUE(PumpUntil([&] { return port.BytesWaiting() == 8192; }, 30000))
        << port.BytesWaiting();
    PumpUntil(
        [&] {
            while (port.ByteReady()) all.push_back(port.ReadByte());
            return all.size() >= 12000;
        },
        30000);
    ASSERT_EQ(all.size(), 12000u);
    // Every byte value, NUL and the control characters included, as sent: a binary line.
    for (std::size_t i = 0; i < all.size(); ++i) ASSERT_EQ(all[i], uint8_t(i)) << i;
}

TEST_F(ComPort, SendStringLargerThanTheOutputRingSendsNothing) {
    port.SetOpen(true);
    try {
        port.SendString(std::string(1025, 'x'));
        FAIL() << "no exception";
    } catch (const EOutputBufferTooSmall& e) {
        EXPECT_EQ(e.Code, -3006);
    }
    std::string exact(1024, '\0');
    for (std::size_t i = 0; i < exact.size(); ++i) exact[i] = char('a' + i % 26);
    port.SendString(exact);
    ASSERT_TRUE(PumpUntil([] { return SimFile("received.bin").size() >= 1024; }, 30000));
    EXPECT_EQ(SimFile("received.bin"), std::vector<uint8_t>(exact.begin(), exact.end()));
}

TEST_F(ComPort, ClosingFromInsideTheHandlerFinishesAfterItReturns) {
    port.SetOpen(true);
    port.SetOnTriggerAvail([this](TSerialPort& cp, uint16_t) {
        counts.push_back(1);
        cp.SetOpen(false);
        EXPECT_EQ(port.LinkState(), TLinkState::LinkClosing);
        EXPECT_FALSE(cp.ByteReady()); // closing: operations do nothing
    });
    SimControl("send 01");
    ASSERT_TRUE(PumpUntil([&] { return port.LinkState() == TLinkState::LinkClosed; }, 30000));
    EXPECT_FALSE(port.Open());
    port.SetOnTriggerAvail(nullptr);
    port.SetOpen(true);
    EXPECT_EQ(Query(port, "ID?"), "HM305");
}

TEST_F(ComPort, OpeningANumberWithoutADeviceRaisesBadIdAndLeavesNothingBehind) {
    int threads = ThreadCount();
    port.SetComNumber(40);
    try {
        port.SetOpen(true);
        FAIL() << "COM40 opened";
    } catch (const EBadId& e) {
        EXPECT_EQ(e.Code, -2001);
    }
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.LinkState(), TLinkState::LinkClosed);
    // Wine opens a number mapped to a missing device and refuses its set-up instead; the
    // exception names the refused call.
    port.SetComNumber(9);
    try {
        port.SetOpen(true);
        FAIL() << "COM9 opened";
    } catch (const ESerialException& e) {
        EXPECT_EQ(e.Step, "SetupComm");
    }
    EXPECT_EQ(port.LinkState(), TLinkState::LinkClosed);
    EXPECT_TRUE(ThreadCountReturnsTo(threads));
}

TEST_F(ComPort, APortHeldByAnotherProgramRaisesAlreadyOpen) {
    SimControl("lines BUSY"); // in force once taken: the shim reads the lines at each open
    int threads = ThreadCount();
    EXPECT_THROW(port.SetOpen(true), EAlreadyOpen);
    EXPECT_FALSE(port.Open());
    EXPECT_TRUE(ThreadCountReturnsTo(threads));
    SimControl("lines CTS DSR CD");
    port.SetOpen(true);
    EXPECT_TRUE(port.Open());
}

TEST_F(ComPort, OperationsOnAClosedPortRaiseNotOpen) {
    EXPECT_THROW(port.SendString("DIG\r\n"), ECommNotOpen);
    EXPECT_THROW(port.ByteReady(), ECommNotOpen);
    port.SetOpen(false); // closing a closed port does nothing
    port.SetComNumber(0);
    port.PromptForPort = false;
    EXPECT_THROW(port.SetOpen(true), ENoPortSelected);
}

TEST_F(ComPort, TheInstrumentHangingUpMidImageStopsTheWorkersCleanly) {
    port.SetOpen(true);
    Collect();
    SimControl("speed 20");
    SimControl("hangup-after 1000");
    port.SendString("DIG\r\n");
    ASSERT_TRUE(PumpUntil([&] { return SimLogCount("hangup\n") == 1; }, 10000));
    // Once the workers have stopped on the loss the port queues nothing more.
    ASSERT_TRUE(PumpUntil(
        [&] {
            try {
                port.SendString("DIG\r\n");
                return false;
            } catch (const EPutBlockFail&) {
                return true;
            }
        },
        30000));
    // The bytes read before the loss still come, in the dispatcher's last notification, which
    // may follow the first refused send.
    EXPECT_TRUE(PumpUntil([&] { return received.size() >= 1000; }, 10000));
    EXPECT_EQ(received.size(), 1000u);
    EXPECT_EQ(port.LinkState(), TLinkState::LinkOpen); // the owner's side stays open
    EXPECT_FALSE(port.ByteReady());
    port.SetOpen(false);
    EXPECT_EQ(port.LinkState(), TLinkState::LinkClosed);
    // The line is gone, its name with it.
    EXPECT_THROW(port.SetOpen(true), ESerialException);
    EXPECT_EQ(port.LinkState(), TLinkState::LinkClosed);
}

// The device gone (a USB adapter pulled out): the owner's calls must not wait for workers that
// have ended.
TEST_F(ComPort, AfterTheDeviceIsLostDiscardingAndClosingTakeNoTime) {
    port.SetOpen(true);
    Collect();
    SimControl("speed 20");
    port.SendString("DIG\r\n");
    ASSERT_TRUE(PumpUntil([&] { return received.size() >= 500; }, 30000));
    SimControl("unplug");
    ASSERT_TRUE(PumpUntil([&] { return port.DeviceLost(); }, 30000));
    ULONGLONG start = GetTickCount64();
    port.DiscardOutput();
    ULONGLONG discarded = GetTickCount64() - start;
    port.SetOpen(false);
    ULONGLONG closed = GetTickCount64() - start;
    std::printf("[ figure ] after the loss: discard %llu ms, close %llu ms\n", discarded, closed);
    EXPECT_LT(discarded, 1000u);
    EXPECT_LT(closed, 1000u);
    EXPECT_EQ(port.LinkState(), TLinkState::LinkClosed);
}

// The instrument answers while a notification of earlier bytes waits for the owner's thread,
// which polls without serving its queue: the answer must still get through.
TEST_F(ComPort, AQueryWhileANotificationWaitsStillGetsItsAnswer) {
    port.SetOpen(true);
    Collect();
    SimControl("send 55");
    // The dispatcher sends it: waits, without serving it, until it is pending for this thread.
    auto pending = [] { return (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0; };
    for (ULONGLONG deadline = GetTickCount64() + 10000; !pending() && GetTickCount64() < deadline;)
        Sleep(1);
    ASSERT_TRUE(pending());
    EXPECT_EQ(Query(port, "ID?"), "HM305");
}

// The line the device gets: the simulator answers nothing but 9600 baud, 8N1, no flow control.
TEST_F(ComPort, TheLineReachesTheDeviceAsTheInstrumentWantsIt) {
    port.SetOpen(true);
    EXPECT_EQ(port.LinkState(), TLinkState::LinkOpen);
    EXPECT_EQ(Query(port, "ID?"), "HM305");
    EXPECT_EQ(SimFile("received.bin"), (std::vector<uint8_t>{'I', 'D', '?', '\r', '\n'}));
    EXPECT_EQ(SimLogCount("line 9600 8N1 no-flow-control\n"), 1);
    port.SetBaud(19200);
    EXPECT_EQ(Query(port, "ID?"), "");
    EXPECT_EQ(SimLogCount("refused ID?"), 1);
    port.SetBaud(9600);
    port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
    EXPECT_EQ(Query(port, "ID?"), "");
    EXPECT_EQ(SimLogCount("refused ID?"), 2);
    port.SetHWFlowOptions(0);
    EXPECT_EQ(Query(port, "ID?"), "HM305");
}

// The number changed while open: the port follows to a second name of the same device, to a
// second instrument, and closes on a number without a device.
TEST_F(ComPort, ChangingComNumberWhileOpenReopensOnTheNewNumber) {
    if (SimCom2() == 0) GTEST_SKIP() << "run through tests/serial/with-sim --two";
    SimControl("id HM305 first");
    SimControl("id HM408 second", 2);
    port.SetOpen(true);
    for (auto [number, identity] : {std::pair{uint16_t(SimCom() + 10), "HM305 first"},
                                    std::pair{SimCom2(), "HM408 second"}}) {
        port.SetComNumber(number);
        EXPECT_EQ(port.LinkState(), TLinkState::LinkOpen);
        EXPECT_EQ(Query(port, "ID?"), identity);
    }
    EXPECT_THROW(port.SetComNumber(40), EBadId);
    EXPECT_EQ(port.LinkState(), TLinkState::LinkClosed);
    EXPECT_EQ(port.ComNumber(), 40);
}

TEST_F(ComPort, OpenAndClose200TimesLeavesNoThreadHandleOrMemoryBehind) {
    for (int i = 0; i < 5; ++i) {
        port.SetOpen(true);
        port.SetOpen(false);
    }
    int handlesBefore = HandleCount();
    int threadsBefore = ThreadCount();
    std::size_t memoryBefore = PrivateBytes();
    for (int i = 0; i < 200; ++i) {
        port.SetOpen(true);
        ASSERT_EQ(port.LinkState(), TLinkState::LinkOpen);
        port.SetOpen(false);
    }
    std::printf(
        "[ figure ] 200 opens: threads %d -> %d, handles %d -> %d, private %zu -> %zu KiB\n",
        threadsBefore, ThreadCount(), handlesBefore, HandleCount(), memoryBefore / 1024,
        PrivateBytes() / 1024);
    EXPECT_GT(handlesBefore, 0);
    EXPECT_GT(memoryBefore, 0u);
    // The system retires threads and handles of its own a little later: a leak never returns.
    EXPECT_TRUE(ThreadCountReturnsTo(threadsBefore));
    EXPECT_TRUE(PumpUntil([&] { return HandleCount() <= handlesBefore; }, 10000))
        << HandleCount() << " handles, " << handlesBefore << " before";
    EXPECT_LT(PrivateBytes(), memoryBefore + 512 * 1024);
}

// An image at the line's pace, then a flood: every byte, in order. Run with the modem-line shim
// and without it, where a pseudo-terminal cannot wait for events and every byte must still
// arrive through the reader's own bound.
TEST_F(ComPort, EveryByteArrivesWithOrWithoutModemLines) {
    port.SetOpen(true);
    EXPECT_EQ(Query(port, "ID?"), "HM305");
    Collect();
    port.SendString("DIG\r\n");
    ASSERT_TRUE(PumpUntil([&] { return received.size() >= 4096; }, 30000)) << received.size();
    EXPECT_EQ(received, SimFile("image-1.bin"));
    std::printf("[ figure ] 4096 bytes at 960 bytes/s arrived in %zu notifications\n",
                counts.size());
    SimControl("flood 20000");
    ASSERT_TRUE(PumpUntil([&] { return received.size() >= 4096 + 20000; }, 30000));
    for (std::size_t i = 0; i < 20000; ++i) ASSERT_EQ(received[4096 + i], uint8_t(i));
}

TEST_F(ComPort, ThePortProbeFindsTheSimulatorsPortAndAHeldOneButNoMissingDevice) {
    EXPECT_TRUE(PortPresent(SimCom()));
    EXPECT_TRUE(PortPresent(uint16_t(SimCom() + 10)));
    EXPECT_FALSE(PortPresent(0));
    EXPECT_FALSE(PortPresent(9));  // mapped to a device that does not exist
    EXPECT_FALSE(PortPresent(40)); // not mapped
    SimControl("lines BUSY");
    EXPECT_TRUE(PortPresent(SimCom())); // held by another program
    int threads = ThreadCount();
    ULONGLONG start = GetTickCount64();
    std::vector<uint16_t> present = PresentPorts();
    std::printf("[ figure ] probing COM1..COM50 took %llu ms, %zu present\n",
                GetTickCount64() - start, present.size());
    EXPECT_TRUE(ThreadCountReturnsTo(threads));
    EXPECT_NE(std::find(present.begin(), present.end(), SimCom()), present.end());
}
