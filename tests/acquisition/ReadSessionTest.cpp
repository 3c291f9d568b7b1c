// The read session against a scripted port and window: the identification and the read's outcomes,
// on a clock of its own, so an 8-second limit costs no time.
#include "acquisition/ReadSession.h"

#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

#include "common/Text1252.h"
#include "serial/SerialCodes.h"
#include "serial/SerialException.h"

namespace {

using Bytes = std::vector<uint8_t>;

// An oscilloscope on a port: answers "ID?" at once, and each "DIG" with the next image, which
// comes in while the window serves its messages, at the line's pace.
class ScriptedPort : public TSerialPort {
public:
    std::string Identity = "HM305";
    std::deque<Bytes> Images;
    bool OpenFails = false;
    bool Open = false;
    long LoseAfter = -1;  // the device goes away once this many bytes of images have come
    uint32_t DelayMs = 0; // an image starts this long after its DIG, behind what is still coming
    bool Lost = false;
    std::vector<std::string> Sent;
    uint32_t Milliseconds = 1'000'000;

    void SetOpen(bool open) override {
        if (open && OpenFails) RaiseSerialError(ecBadId);
        if (open && !Open) Lost = false; // a new device
        Open = open;
    }
    uint16_t ComNumber() const override { return 3; }
    void SetOnTriggerAvail(TTriggerAvailEvent handler) override { intake_ = std::move(handler); }
    void DiscardOutput() override {}
    void DiscardInput() override { input_.clear(); }
    void SendString(std::string_view bytes) override {
        if (!Open) RaiseSerialError(ecCommNotOpen);
        if (Lost) RaiseSerialError(ecPutBlockFail);
        Sent.emplace_back(bytes);
        if (bytes == "ID?\r\n") input_.insert(input_.end(), Identity.begin(), Identity.end());
        if (bytes == "ID?\r\n") input_.insert(input_.end(), {'\r', '\n'});
        if (bytes.substr(0, 3) == "DIG" && !Images.empty()) {
            coming_.insert(coming_.end(), Images.front().begin(), Images.front().end());
            Images.pop_front();
            startAt_ = Milliseconds + DelayMs;
        }
    }
    bool ByteReady() override { return !input_.empty(); }
    uint8_t ReadByte() override {
        if (input_.empty()) RaiseSerialError(ecBufferIsEmpty);
        uint8_t byte = input_.front();
        input_.pop_front();
        return byte;
    }
    void YieldToPort() override { ++Milliseconds; }
    bool DeviceLost() const override { return Open && Lost; }

    // `ms` of the line: 960 bytes a second of the image being sent, announced to the intake.
    void Pass(unsigned ms) {
        uint32_t from = std::max(Milliseconds, startAt_);
        Milliseconds += ms;
        uint32_t lineMs = Milliseconds > from ? Milliseconds - from : 0;
        std::size_t count = std::min<std::size_t>(coming_.size(), lineMs * 96 / 100);
        if (LoseAfter >= 0) count = std::min<std::size_t>(count, std::size_t(LoseAfter - taken_));
        taken_ += long(count);
        if (LoseAfter >= 0 && taken_ >= LoseAfter) Lost = true;
        if (count == 0) return;
        input_.insert(input_.end(), coming_.begin(), coming_.begin() + long(count));
        coming_.erase(coming_.begin(), coming_.begin() + long(count));
        if (intake_) intake_(*this, uint16_t(input_.size()));
    }

private:
    TTriggerAvailEvent intake_;
    long taken_ = 0;
    uint32_t startAt_ = 0;
    std::deque<uint8_t> input_;
    Bytes coming_;
};

class ScriptedWindow : public ReadWindow {
public:
    ScriptedWindow(ScriptedPort& port, CommandState& state) : port_(port), state_(state) {}

    std::vector<std::string> Notices, Captions;
    bool AnswerZero = true;
    int ZeroPrompts = 0, Confirmations = 0, Pushes = 0, Acquisitions = 0, DataGauge = -1,
        ZeroGauge = -1;
    bool Busy = false, ReadButtonHidden = false;
    std::function<void()> DuringTheRead; // runs once while the first image comes in
    // Each runs once while its box is open; a box closed by the quit answers as Escape does.
    std::function<void()> InConfirmLoss, InZeroPrompt, InNotice;

    void SetCaption(const std::string& text) override { Captions.push_back(text); }
    void SetGaugeMaximum(int) override {}
    void SetGauge(Gauge gauge, int position) override {
        (gauge == Gauge::Data ? DataGauge : ZeroGauge) = position;
    }
    void ShowStatus(const std::string&) override {}
    void SetBusy(bool busy) override { Busy = busy; }
    void HideReadButton() override { ReadButtonHidden = true; }
    void ShowHeaderSettings(const HeaderSettings& settings) override { Header = settings; }
    void UpdateCommands() override { ReadButtonHidden = false; }
    void Notice(const std::string& text) override {
        Notices.push_back(text);
        if (auto action = std::exchange(InNotice, nullptr)) action();
    }
    bool ConfirmLoss() override {
        ++Confirmations;
        if (auto action = std::exchange(InConfirmLoss, nullptr)) action();
        return !state_.Closing();
    }
    bool AskForTheZero() override {
        ++ZeroPrompts;
        if (auto action = std::exchange(InZeroPrompt, nullptr)) action();
        return AnswerZero && !state_.Closing();
    }
    void ServeMessages(unsigned ms) override {
        port_.Pass(std::min(ms, 100u));
        if (auto action = std::exchange(DuringTheRead, nullptr)) action();
    }
    void AcquisitionRead() override { ++Acquisitions; }
    void PushAcquisition() override { ++Pushes; }

    HeaderSettings Header;

private:
    ScriptedPort& port_;
    CommandState& state_;
};

// An HM 305 image: channel 1 rises from 100, channel 2 stays at 180.
Bytes Hm305Image(std::size_t size = 4096) {
    Bytes image(size);
    for (std::size_t i = 0; i < size; ++i) image[i] = i < 2048 ? uint8_t(100 + i % 50) : 180;
    return image;
}

Bytes Hm408Image(const std::string& settings, uint8_t holdByte) {
    Bytes image(4352, 127);
    for (int i = 1; i < 256; ++i) image[std::size_t(i)] = ' ';
    for (std::size_t i = 0; i < settings.size(); ++i) image[20 + i] = uint8_t(settings[i]);
    image[0] = 1;
    image[2] = 1; // two channels
    image[9] = holdByte;
    return image;
}

class ReadSessionTest : public ::testing::Test {
protected:
    ScriptedPort port;
    CommandState state;
    ScriptedWindow window{port, state};
    ReadSession session{port,
                        window,
                        state,
                        {[this] { return double(port.Milliseconds) / 86'400'000.0; },
                         [this] { return port.Milliseconds; }}};

    int DigsSent() const {
        int count = 0;
        for (const auto& text : port.Sent) count += text.rfind("DIG", 0) == 0;
        return count;
    }
};

} // namespace

TEST_F(ReadSessionTest, AnHm305IsIdentifiedAndReadWithItsZero) {
    session.IdentifyInstrument();
    ASSERT_TRUE(session.InstrumentFound);
    EXPECT_FALSE(session.IsHM408);
    EXPECT_EQ(window.Captions.back(), "Lecture oscillo Hameg : HM305");
    Bytes zero(4096, 120);
    port.Images = {Hm305Image(), zero};
    session.EnregistreBtnClick();
    EXPECT_TRUE(session.Record.DataComplete);
    EXPECT_TRUE(session.ZeroComplete);
    EXPECT_EQ(session.Record.ChannelCount, 2);
    EXPECT_EQ(session.Record.RawData[2047], 100 + 2047 % 50);
    EXPECT_EQ(session.Record.ZeroData[4095], 120);
    EXPECT_EQ(port.Sent.back(), "DIG\r\n");
    EXPECT_EQ(window.DataGauge, 4096);
    EXPECT_FALSE(window.Busy);
    EXPECT_TRUE(window.Notices.empty());
}

TEST_F(ReadSessionTest, ASendThatFailsOtherwiseThanByALossStillEndsTheRead) {
    session.IdentifyInstrument();
    port.Open = false; // closed under the read, the device still there
    EXPECT_THROW(session.EnregistreBtnClick(), ESerialException);
    EXPECT_FALSE(window.Busy);
    EXPECT_FALSE(window.ReadButtonHidden);
    EXPECT_FALSE(session.Record.DataComplete);
}

TEST_F(ReadSessionTest, AnEmptyMemoryIsReportedOnceAndNoZeroIsRead) {
    session.IdentifyInstrument();
    Bytes empty = Hm305Image();
    std::fill(empty.begin(), empty.begin() + 1024, 255);
    port.Images = {empty};
    session.EnregistreBtnClick();
    EXPECT_FALSE(session.Record.DataComplete);
    EXPECT_EQ(window.Notices, std::vector<std::string>{"Appuyer sur le bouton STOR."});
    EXPECT_EQ(window.ZeroPrompts, 0);
    EXPECT_EQ(DigsSent(), 1);
}

// An HM 305 image cut short ends the read at the 8-second limit: from half an image on it is
// channel 1 alone, below that the read fails with the gauge at 0, without a message or a zero.
TEST_F(ReadSessionTest, ACutImageIsOneChannelFromHalfAnImageOnAndFailsBelow) {
    session.IdentifyInstrument();
    window.AnswerZero = false;
    for (std::size_t bytes : {0u, 1u, 2047u, 2048u, 4095u}) {
        port.Images = {Hm305Image(bytes)};
        uint32_t start = port.Milliseconds;
        int prompts = window.ZeroPrompts;
        session.EnregistreBtnClick();
        bool oneChannel = bytes >= 2048;
        EXPECT_GE(port.Milliseconds - start, 8000u) << bytes;
        EXPECT_EQ(session.Record.DataComplete, oneChannel) << bytes;
        EXPECT_EQ(oneChannel ? session.Record.ChannelCount : window.DataGauge, oneChannel ? 1 : 0)
            << bytes;
        EXPECT_EQ(window.ZeroPrompts - prompts, oneChannel ? 1 : 0) << bytes;
    }
    EXPECT_TRUE(window.Notices.empty());
}

TEST_F(ReadSessionTest, AnHm408TakesItsHeaderAndHoldUpIsReportedWithTheDataKept) {
    port.Identity = "HM408";
    session.IdentifyInstrument();
    ASSERT_TRUE(session.IsHM408);
    EXPECT_EQ(session.Terminator, "\r");
    EXPECT_EQ(session.Record.Channel(2).Offset, 2304);
    window.AnswerZero = false;
    port.Images = {Hm408Image("CH1=500mV CH2=2V TB=2us", 1)};
    session.EnregistreBtnClick();
    EXPECT_EQ(port.Sent.back(), "DIG\r");
    EXPECT_TRUE(session.Record.DataComplete);
    EXPECT_EQ(window.Notices,
              std::vector<std::string>{"Appuyez sur le bouton HOLD et recommencez"});
    EXPECT_EQ(window.ZeroPrompts, 1); // the sequence goes on
    EXPECT_EQ(window.Header.GammeCH1, "500mV/div");
    EXPECT_EQ(window.Header.BaseDeTemps, Cp1252("2µs/div"));
    EXPECT_FLOAT_EQ(session.Record.Channel(1).Sensitivity, 0.5f);
}

TEST_F(ReadSessionTest, AnHm408ZeroTakenWithHoldUpIsDiscarded) {
    port.Identity = "HM408";
    session.IdentifyInstrument();
    Bytes zero = Hm408Image("", 1);
    std::fill(zero.begin() + 256, zero.end(), 131);
    port.Images = {Hm408Image("CH1=1V", 0), zero};
    session.EnregistreBtnClick();
    EXPECT_EQ(DigsSent(), 2);
    EXPECT_FALSE(session.ZeroComplete);
    EXPECT_EQ(session.Record.ZeroData[300], 127);
}

TEST_F(ReadSessionTest, ACancelledZeroPutsEverySampleOnTheCentreLine) {
    session.IdentifyInstrument();
    session.Record.ZeroData.fill(7);
    window.AnswerZero = false;
    port.Images = {Hm305Image()};
    session.EnregistreBtnClick();
    EXPECT_TRUE(session.Record.DataComplete);
    EXPECT_EQ(DigsSent(), 1);
    for (int32_t zero : session.Record.ZeroData) ASSERT_EQ(zero, 127);
    EXPECT_EQ(window.ZeroGauge, 4096);
}

TEST_F(ReadSessionTest, APortErrorIsReportedAndLeavesThePortClosed) {
    port.OpenFails = true;
    session.IdentifyInstrument();
    EXPECT_FALSE(session.InstrumentFound);
    EXPECT_FALSE(port.Open);
    EXPECT_EQ(window.Notices, std::vector<std::string>{Cp1252("Problème voie série")});
}

TEST_F(ReadSessionTest, SomethingElseAnsweringIsNotAnOscilloscope) {
    port.Identity = "MODEM 56K";
    session.IdentifyInstrument();
    EXPECT_FALSE(session.InstrumentFound);
    EXPECT_FALSE(port.Open);
    std::string text = Cp1252("Oscillo non branché sur COM3");
    EXPECT_EQ(window.Captions.back(), text);
    EXPECT_EQ(window.Notices, std::vector<std::string>{text});
}

TEST_F(ReadSessionTest, GetDataDuringAReadIsMergedIntoItAndPushedOnce) {
    session.IdentifyInstrument();
    window.AnswerZero = false;
    port.Images = {Hm305Image(), Hm305Image()};
    window.DuringTheRead = [&] {
        for (int i = 0; i < 5; ++i) session.RequestRead();
    };
    session.EnregistreBtnClick();
    EXPECT_EQ(DigsSent(), 1);
    EXPECT_EQ(window.Pushes, 1);
    EXPECT_FALSE(session.PushAfterRead);
}

TEST_F(ReadSessionTest, AReadRequestedWithThePortClosedStopsAtTheSend) {
    EXPECT_THROW(session.RequestRead(), ECommNotOpen);
    EXPECT_TRUE(session.PushAfterRead); // left set: the next complete read pushes its data
    EXPECT_FALSE(state.ReadUnderWay());
}

TEST_F(ReadSessionTest, ADeviceLostDuringTheImageIsAPortErrorAtOnce) {
    session.IdentifyInstrument();
    port.Images = {Hm305Image()};
    port.LoseAfter = 1000;
    uint32_t start = port.Milliseconds;
    session.EnregistreBtnClick();
    EXPECT_LT(port.Milliseconds - start, 2000u); // not the 8-second limit
    EXPECT_FALSE(session.Record.DataComplete);
    EXPECT_FALSE(session.InstrumentFound);
    EXPECT_FALSE(port.Open);
    EXPECT_FALSE(window.Busy);
    EXPECT_EQ(window.DataGauge, 0);
    EXPECT_EQ(window.Notices, std::vector<std::string>{Cp1252("Problème voie série")});
}

TEST_F(ReadSessionTest, ADeviceLostDuringTheZeroKeepsTheImageOnTheCentreLine) {
    session.IdentifyInstrument();
    port.Images = {Hm305Image(), Bytes(4096, 120)};
    port.LoseAfter = 4096 + 100;
    session.EnregistreBtnClick();
    EXPECT_TRUE(session.Record.DataComplete);
    EXPECT_EQ(session.Record.ZeroData[10], 127);
    EXPECT_FALSE(session.InstrumentFound);
    EXPECT_EQ(window.Notices, std::vector<std::string>{Cp1252("Problème voie série")});
}

TEST_F(ReadSessionTest, AnIdentificationAfterALossOpensThePortAnew) {
    session.IdentifyInstrument();
    port.Lost = true;
    session.IdentifyInstrument(); // the adapter is back: the port is closed and opened again
    EXPECT_TRUE(session.InstrumentFound);
    EXPECT_TRUE(window.Notices.empty());
}

// The window closed while one of the read's boxes is open: the read stops there. Nothing is pushed
// to Curvilab during the exit and nothing more is asked of the instrument.
TEST_F(ReadSessionTest, AClosedWindowEndsTheReadInAnyOfItsBoxesWithoutAPush) {
    enum Box { Loss, Zero, Hold, Stor };
    for (Box box : {Loss, Zero, Hold, Stor}) {
        ScriptedPort port;
        CommandState state;
        ScriptedWindow window{port, state};
        ReadSession session{
            port,
            window,
            state,
            {[&] { return port.Milliseconds / 86'400'000.0; }, [&] { return port.Milliseconds; }}};
        port.Identity = box == Hold ? "HM408" : "HM305";
        session.IdentifyInstrument();
        if (box == Loss) session.Record.DataComplete = true;
        Bytes image = box == Hold ? Hm408Image("CH1=1V", 1) : Hm305Image();
        if (box == Stor) std::fill(image.begin(), image.begin() + 1024, 255);
        port.Images = {image, image};
        std::size_t sentBeforeTheClose = 0;
        auto close = [&] {
            state.Close();
            sentBeforeTheClose = port.Sent.size();
        };
        (box == Loss   ? window.InConfirmLoss
         : box == Zero ? window.InZeroPrompt
                       : window.InNotice) = close;
        session.RequestRead();
        EXPECT_TRUE(state.Closing()) << box;
        EXPECT_EQ(window.Pushes, 0) << box;
        EXPECT_EQ(port.Sent.size(), sentBeforeTheClose) << box;
        EXPECT_EQ(window.ZeroPrompts, box == Zero ? 1 : 0) << box;
    }
}

// A request for a read (GETDATA) that comes while "Perte des données courantes" is open is the
// read being confirmed: one question, one read, one push.
TEST_F(ReadSessionTest, ARequestDuringTheLossQuestionJoinsTheReadItAsksFor) {
    session.IdentifyInstrument();
    window.AnswerZero = false;
    port.Images = {Hm305Image(), Hm305Image()};
    session.EnregistreBtnClick();
    window.InConfirmLoss = [&] {
        session.RequestRead();
        session.RequestRead();
    };
    session.EnregistreBtnClick();
    EXPECT_EQ(window.Confirmations, 1);
    EXPECT_EQ(DigsSent(), 2);
    EXPECT_EQ(window.Pushes, 1);
    EXPECT_FALSE(session.PushAfterRead);
}

// An HM 408 image cut short after a full read: a channel is handed on only when all its bytes
// came (header, then 2048 bytes a channel), never with the previous read's bytes in its place.
TEST_F(ReadSessionTest, ACutHm408ImageHandsOnOnlyTheChannelsThatCameWhole) {
    struct Case {
        std::size_t Bytes;
        bool Complete;
        int Channels;
    };
    const Case cases[] = {{4352, true, 2}, {4351, true, 1},  {3000, true, 1},
                          {2304, true, 1}, {2303, false, 0}, {2100, false, 0}};
    port.Identity = "HM408";
    session.IdentifyInstrument();
    window.AnswerZero = false;
    for (const Case& c : cases) {
        Bytes full = Hm408Image("CH1=1V", 0);
        std::fill(full.begin() + 256, full.end(), 200);
        port.Images = {full};
        session.EnregistreBtnClick();
        ASSERT_EQ(session.Record.ChannelCount, 2);
        Bytes cut = Hm408Image("CH1=1V", 0); // its header says two channels
        cut.resize(c.Bytes);
        port.Images = {cut};
        session.EnregistreBtnClick();
        EXPECT_EQ(session.Record.DataComplete, c.Complete) << c.Bytes;
        if (c.Complete) {
            EXPECT_EQ(session.Record.ChannelCount, c.Channels) << c.Bytes;
        }
    }
}

// A zero phase that fails otherwise than by a lost device leaves no zero of an earlier read
// under the new image: the centre line, as when the zero is not read.
TEST_F(ReadSessionTest, AZeroPhaseThatFailsLeavesTheCentreLine) {
    session.IdentifyInstrument();
    session.Record.ZeroData.fill(7);
    port.Images = {Hm305Image(), Bytes(4096, 120)};
    window.InZeroPrompt = [&] { port.Open = false; };
    EXPECT_THROW(session.EnregistreBtnClick(), ESerialException);
    for (int32_t zero : session.Record.ZeroData) ASSERT_EQ(zero, 127);
}

// A read Curvilab asked for hands it a whole acquisition or nothing: a read that fails sends
// nothing, and the request is not kept for a later read.
TEST_F(ReadSessionTest, ARequestedReadPushesOnlyAWholeAcquisition) {
    struct Case {
        std::size_t Bytes;
        bool Empty;
        int Pushes;
    };
    const Case cases[] = {{4096, false, 1}, {2047, false, 0}, {4096, true, 0}};
    session.IdentifyInstrument();
    window.AnswerZero = false;
    for (const Case& c : cases) {
        Bytes image = Hm305Image(c.Bytes);
        if (c.Empty) std::fill(image.begin(), image.begin() + 1024, 255);
        port.Images = {image};
        window.Pushes = 0;
        session.Record.DataComplete = false;
        session.RequestRead();
        EXPECT_EQ(window.Pushes, c.Pushes) << c.Bytes << c.Empty;
        EXPECT_FALSE(session.PushAfterRead);
    }
}

// Requests that come while a box of the program is open wait for it: one read once the last box
// has gone, pushed once, however many came.
TEST_F(ReadSessionTest, RequestsDuringABoxMakeOneReadOnceTheProgramIsIdle) {
    session.IdentifyInstrument();
    window.AnswerZero = false;
    port.Images = {Hm305Image()};
    int started = 0;
    state.StartDeferredRead = [&] {
        ++started;
        session.RequestRead();
    };
    state.BoxOpened();
    state.BoxOpened(); // a box over a dialog
    for (int i = 0; i < 3; ++i) session.RequestRead();
    state.BoxClosed();
    EXPECT_EQ(DigsSent(), 0);
    state.BoxClosed();
    EXPECT_EQ(started, 1);
    EXPECT_EQ(DigsSent(), 1);
    EXPECT_EQ(window.Pushes, 1);
}

// In a series every read is a point: no loss question, one image and no zero (the centre line),
// and each read that ends whole is announced, as outside a series.
TEST_F(ReadSessionTest, ASeriesReadAsksNothingAndReadsOneImage) {
    session.IdentifyInstrument();
    for (bool series : {false, true}) {
        state.SetSeriesMode(series);
        port.Images = {Hm305Image(), Bytes(4096, 120), Hm305Image(), Bytes(4096, 120)};
        int digs = DigsSent(), acquisitions = window.Acquisitions;
        window.Confirmations = window.ZeroPrompts = 0;
        session.EnregistreBtnClick();
        session.EnregistreBtnClick();
        EXPECT_EQ(window.Confirmations, series ? 0 : 1) << series;
        EXPECT_EQ(window.ZeroPrompts, series ? 0 : 2) << series;
        EXPECT_EQ(DigsSent() - digs, series ? 2 : 4) << series;
        EXPECT_EQ(window.Acquisitions - acquisitions, 2) << series;
        EXPECT_EQ(session.Record.ZeroData[100], series ? 127 : 120) << series;
        port.Images.clear();
    }
}

// Bytes that come once a read has ended enter nothing: a read that failed stays failed, the centre
// line of a zero that did not come stays, and the tail of an image still on its way when the next
// read starts is not taken for the start of the next image.
TEST_F(ReadSessionTest, LateBytesEnterNoAcquisition) {
    session.IdentifyInstrument();
    window.AnswerZero = false;
    port.DelayMs = 6000; // a quarter of the image by the 8-second limit
    port.Images = {Hm305Image(), Hm305Image()};
    session.EnregistreBtnClick();
    ASSERT_FALSE(session.Record.DataComplete);
    port.Pass(5000);
    EXPECT_FALSE(session.Record.DataComplete);

    session.EnregistreBtnClick(); // fails as the first; its tail is still on the line
    ASSERT_FALSE(session.Record.DataComplete);
    port.DelayMs = 0;
    Bytes next(4096, 90);
    next[0] = 91;
    port.Images = {next};
    session.EnregistreBtnClick();
    ASSERT_TRUE(session.Record.DataComplete);
    EXPECT_EQ(session.Record.RawData[0], 91);
    EXPECT_EQ(session.Record.RawData[4095], 90);

    window.AnswerZero = true;
    port.Images = {Hm305Image(), Bytes(4096, 120)};
    window.InZeroPrompt = [&] { port.DelayMs = 9000; };
    session.EnregistreBtnClick();
    ASSERT_TRUE(session.Record.DataComplete);
    ASSERT_EQ(session.Record.ZeroData[0], 127);
    port.Pass(5000);
    EXPECT_EQ(session.Record.ZeroData[0], 127);
    EXPECT_EQ(session.Record.RawData[0], 100);
}

// A sweep's image of an HM 408 whose HOLD is up: no question, no zero, no notice, no row and no
// push of its own; a GETDATA meanwhile waits for the sweep's end, then reads.
TEST_F(ReadSessionTest, ASweepsImageAsksNothingAndAGetDataWaitsForTheSweep) {
    port.Identity = "HM408";
    session.IdentifyInstrument();
    session.Record.DataComplete = true;
    int deferred = 0;
    state.StartDeferredRead = [&] { ++deferred; };
    port.Images = {Hm408Image("CH1=1V", 1), Hm408Image("CH1=1V", 1)};
    {
        auto sweep = state.Begin(ProgramState::Sweeping);
        window.DuringTheRead = [&] { session.RequestRead(); };
        EXPECT_TRUE(session.SweepRead());
        EXPECT_EQ(deferred, 0);
    }
    EXPECT_EQ(DigsSent(), 1);
    EXPECT_EQ(window.Confirmations + window.ZeroPrompts + window.Pushes + window.Acquisitions, 0);
    EXPECT_TRUE(window.Notices.empty());
    EXPECT_FALSE(session.ZeroComplete);
    EXPECT_EQ(deferred, 1);
    EXPECT_TRUE(session.PushAfterRead);
}
