// The dialects against the simulator's scopes, carried in memory: what the program reads is what
// the scope sent, from one trigger, and the scope is left as it was found.
#include <gtest/gtest.h>

#include <cmath>

#include "common/Text1252.h"
#include "instrument/RigolWaveform.h"
#include "instrument/ScopeControl.h"
#include "instrument/ScopeDialect.h"
#include "instrument/ScpiStream.h"
#include "tests/instrument/SimulatedStream.h"
#include "tools/scpi-sim/Scope.h"

namespace {

struct Bench {
    explicit Bench(const std::string& model,
                   std::vector<std::pair<std::string, std::string>> options = {}) {
        ScopeSetup setup;
        EXPECT_TRUE(ModelSetup(model, setup)) << model;
        scope = std::make_unique<Scope>(setup);
        for (const auto& [name, value] : options) {
            std::string error;
            EXPECT_TRUE(scope->Set(name, value, error)) << error;
        }
        stream = std::make_unique<SimulatedStream>(*scope);
        session = std::make_unique<StreamSession>(*stream);
    }
    AcquisitionPtr Read(ScopeRequest request = {}) {
        identity = IdentifyScope(session->Query("*IDN?"));
        if (!identity) throw EInstrumentError(InstrumentFault::UnknownInstrument);
        return ReadScope(*session, *identity, request);
    }
    InstrumentFault FaultOfRead() {
        try {
            Read();
        } catch (const EInstrumentError& error) {
            return error.Fault;
        }
        ADD_FAILURE() << "the read succeeded";
        return InstrumentFault::Cancelled;
    }

    std::unique_ptr<Scope> scope;
    std::unique_ptr<SimulatedStream> stream;
    std::unique_ptr<StreamSession> session;
    std::optional<ScopeIdentity> identity;
};

constexpr const char* kSiglentHd = "Siglent SDS800X HD, SDS1000X HD, SDS2000X Plus, SDS2000X HD";

struct ModelCase {
    const char* Model;
    const char* Name;
    int DivisionsAcross;
    std::size_t Points;
    // Whether its run state tells a single shot armed from a run; one that does not is put back
    // running.
    bool TellsSingle = true;
};

const ModelCase kModels[] = {
    {"rigol-ds1054z", "RIGOL DS1054Z", 12, 1200},
    {"rigol-dho804", "RIGOL DHO804", 10, 1000},
    {"siglent-sds1104x-e", "Siglent SDS1104X-E", 14, 14000},
    {"siglent-sds2104x-plus", "Siglent SDS2104X Plus", 10, 12500},
    {"siglent-sds1104x-hd", "Siglent SDS1104X HD", 10, 12500},
    {"tektronix-tbs1052b", "TEKTRONIX TBS1052B", 10, 2500},
    {"tektronix-tbs2104", "TEKTRONIX TBS2104", 10, 2000},
    {"keysight-dsox1204g", "KEYSIGHT DSOX1204G", 10, 2000, false},
    {"keysight-dsox2002a", "AGILENT DSO-X 2002A", 10, 2000, false},
};

} // namespace

TEST(ScopeRead, EveryDialectReadsTheVoltsAndTimesTheScopeSent) {
    for (const ModelCase& model : kModels) {
        SCOPED_TRACE(model.Model);
        Bench bench(model.Model, {{"noise", "0.01"}, {"state", "stop"}});
        ScopeRequest request;
        request.Names = {"entrée", "sortie"};
        AcquisitionPtr acquisition = bench.Read(request);
        EXPECT_EQ(acquisition->Source().Kind, SourceKind::Scope);
        EXPECT_EQ(acquisition->Source().Instrument, model.Name);
        EXPECT_EQ(acquisition->Screen().DivisionsAcross, model.DivisionsAcross);
        ASSERT_EQ(acquisition->Channels().size(), 2u);
        EXPECT_EQ(acquisition->SampleCount(), model.Points);
        double interval = bench.scope->SentInterval();
        EXPECT_DOUBLE_EQ(acquisition->Times()[1], interval);
        // The screen's whole width, from its left edge.
        EXPECT_NEAR(acquisition->Times().back() + interval,
                    model.DivisionsAcross * bench.scope->Setup().TimeBase, interval);
        for (int channel : {1, 2}) {
            const ScopeChannelSetup& set = bench.scope->Setup().Channels[std::size_t(channel - 1)];
            const AcquisitionChannel& read = acquisition->Channels()[std::size_t(channel - 1)];
            EXPECT_EQ(read.Name, request.Names[std::size_t(channel - 1)]);
            EXPECT_NEAR(read.VoltsPerDivision, set.VoltsPerDivision, 1e-6 * set.VoltsPerDivision);
            const std::vector<double>& sent = bench.scope->SentVolts(channel);
            const std::vector<double>& volts =
                acquisition->Samples(std::size_t(channel - 1)).Values;
            ASSERT_EQ(volts.size(), sent.size());
            for (std::size_t i = 0; i < volts.size(); ++i)
                ASSERT_NEAR(volts[i], sent[i], 1e-9 * set.VoltsPerDivision) << i;
        }
        EXPECT_EQ(acquisition->Channels()[1].ScaleText, "500mV/div");
    }
}

TEST(ScopeRead, TheScopeIsLeftAsItWasFound) {
    const std::vector<std::pair<const char*, const char*>> kStates[] = {
        {{"state", "run"}},
        {{"state", "stop"}},
        {{"state", "single"}},
        {{"state", "run"}, {"sweep", "normal"}, {"headers", "off"}},
        {{"state", "stop"}, {"sweep", "normal"}}};
    for (const ModelCase& model : kModels)
        for (const auto& options : kStates) {
            std::string trace = model.Model;
            for (const auto& [name, value] : options) trace += std::string(" ") + value;
            SCOPED_TRACE(trace);
            Bench bench(model.Model, {options.begin(), options.end()});
            ScopeSetup before = bench.scope->Setup();
            if (before.State == RunState::WaitingSingle && !model.TellsSingle) {
                before.State = RunState::Running;
                before.Sweep = TriggerSweep::Auto;
            }
            bench.Read();
            EXPECT_EQ(bench.scope->State(), before.State);
            EXPECT_EQ(bench.scope->Sweep(), before.Sweep);
            EXPECT_EQ(bench.scope->Headers(), before.Headers);
            // Both channels come from one frame: a running scope was stopped before the first.
            bool stopSent = false;
            for (const std::string& command : bench.stream->commands)
                stopSent |= command == bench.identity->Speaks->Settings.Stop;
            EXPECT_EQ(stopSent, before.State != RunState::Stopped);
        }
}

TEST(ScopeRead, OneChannelShownGivesOneChannelNamedFromItsOwnField) {
    for (const ModelCase& model : kModels) {
        SCOPED_TRACE(model.Model);
        Bench bench(model.Model, {{"shown1", "off"}});
        ScopeRequest request;
        request.Names = {"V1", "sortie"};
        AcquisitionPtr acquisition = bench.Read(request);
        ASSERT_EQ(acquisition->Channels().size(), 1u);
        EXPECT_EQ(acquisition->Channels()[0].Name, "sortie");
        EXPECT_EQ(acquisition->Samples(0).Values, bench.scope->SentVolts(2));

        Bench none(model.Model, {{"shown1", "off"}, {"shown2", "off"}});
        EXPECT_EQ(none.FaultOfRead(), InstrumentFault::NoChannelShown);
    }
}

// A four-channel scope's third and fourth inputs are read when shown, each under its own name.
TEST(ScopeRead, EveryChannelShownIsRead) {
    for (const ModelCase& model : kModels) {
        Bench bench(model.Model, {{"shown2", "off"}, {"shown3", "on"}, {"shown4", "on"}});
        if (bench.scope->Setup().ChannelCount < 4) continue;
        SCOPED_TRACE(model.Model);
        ScopeRequest request;
        request.Names = {"V1", "V2", "V3", "V4"};
        AcquisitionPtr acquisition = bench.Read(request);
        ASSERT_EQ(acquisition->Channels().size(), 3u);
        for (std::size_t c = 0; c < 3; ++c) {
            int input = c == 0 ? 1 : int(c) + 2;
            EXPECT_EQ(acquisition->Channels()[c].Input, input);
            EXPECT_EQ(acquisition->Channels()[c].Name, request.Names[std::size_t(input - 1)]);
            EXPECT_EQ(acquisition->Samples(c).Values, bench.scope->SentVolts(input));
        }
    }
}

TEST(ScopeRead, FaultsAreNamedAndNothingIsKept) {
    const std::pair<const char*, InstrumentFault> kFaults[] = {
        {"stall", InstrumentFault::Stalled},      {"reset", InstrumentFault::Reset},
        {"short", InstrumentFault::ShortBlock},   {"bad-header", InstrumentFault::BadBlockHeader},
        {"huge", InstrumentFault::BlockTooLarge}, {"bad-preamble", InstrumentFault::BadPreamble},
        {"silence", InstrumentFault::Silent},
    };
    for (const ModelCase& model : kModels)
        for (const auto& [fault, expected] : kFaults) {
            SCOPED_TRACE(std::string(model.Model) + " " + fault);
            Bench bench(model.Model, {{"fault", fault}});
            if (expected == InstrumentFault::Silent) {
                EXPECT_THROW(bench.session->Query("*IDN?"), EInstrumentError);
                continue;
            }
            EXPECT_EQ(bench.FaultOfRead(), expected);
        }
    // A query left unanswered is a silence, not a stalled block: nothing of it came.
    for (const char* model : {"rigol-ds1054z", "siglent-sds1104x-e", "siglent-sds1104x-hd"}) {
        Bench bench(model, {{"fault", "unanswered"}});
        EXPECT_EQ(bench.FaultOfRead(), InstrumentFault::Silent) << model;
    }
}

TEST(ScopeRead, AWordBlockWhoseLengthCountsSamplesIsReadWhole) {
    Bench bench("siglent-sds1104x-hd", {{"fault", "length-quirk"}, {"state", "stop"}});
    AcquisitionPtr acquisition = bench.Read();
    EXPECT_EQ(acquisition->Samples(0).Values, bench.scope->SentVolts(1));
    EXPECT_EQ(acquisition->Samples(1).Values, bench.scope->SentVolts(2));
}

// A block's line ends that come late, after the next command went out, are no part of the next
// block's header.
TEST(ScpiBlocks, LineEndsThatComeLateBeforeTheNextBlockAreSkipped) {
    class LateLineEnd : public ByteStream {
    public:
        void Write(const std::string& bytes) override {
            waiting_ += late_;
            late_ = "\n"; // the second LF of the block before
            waiting_ += "#15abcde\n";
            (void)bytes;
        }
        std::size_t Read(uint8_t* into, std::size_t most) override {
            if (waiting_.empty()) throw EInstrumentError(InstrumentFault::Silent);
            std::size_t count = std::min(most, waiting_.size());
            std::copy_n(waiting_.begin(), count, into);
            waiting_.erase(0, count);
            return count;
        }

    private:
        std::string waiting_, late_;
    } stream;
    StreamSession session(stream);
    BlockRequest request;
    request.Limit = 5;
    for (int i = 0; i < 3; ++i) {
        std::vector<uint8_t> block = session.QueryBlock(":WAV:DATA?", request);
        EXPECT_EQ(std::string(block.begin(), block.end()), "abcde") << i;
    }
}

TEST(ScopeRead, ATraceBeyondTheConverterIsMarkedClipped) {
    for (const ModelCase& model : kModels) {
        SCOPED_TRACE(model.Model);
        Bench bench(model.Model, {{"amplitude1", "8"}, {"dc2", "-9"}});
        AcquisitionPtr acquisition = bench.Read();
        EXPECT_TRUE(acquisition->Samples(0).ClippedLow && acquisition->Samples(0).ClippedHigh);
        EXPECT_TRUE(acquisition->Samples(1).ClippedLow);
        EXPECT_FALSE(acquisition->Samples(1).ClippedHigh);
    }
}

TEST(ScopeRead, TheProgressCoversBothChannelsOnce) {
    for (const ModelCase& model : kModels) {
        SCOPED_TRACE(model.Model);
        Bench bench(model.Model);
        std::size_t last = 0, total = 0;
        bool backwards = false;
        ScopeRequest request;
        request.Progress = [&](std::size_t done, std::size_t all) {
            backwards |= done < last || (total != 0 && all != total);
            last = done;
            total = all;
        };
        bench.Read(request);
        EXPECT_FALSE(backwards);
        EXPECT_GT(total, 0u);
        EXPECT_EQ(last, total);
    }
}

TEST(ScopeIdentity, OnlyScopesTheProgramKnowsAreNamed) {
    const struct {
        const char* Answer;
        const char* Family; // none: not a scope the program reads
        const char* Text;
        int Channels = 2;
    } kCases[] = {
        {"RIGOL TECHNOLOGIES,DS1054Z,DS1ZA0000001,00.04.04", "Rigol DS1000Z",
         "RIGOL DS1054Z, n° DS1ZA0000001", 4},
        {"RIGOL TECHNOLOGIES,MSO1104Z-S,DS1ZC1,00.04.04", "Rigol DS1000Z", nullptr, 4},
        {"RIGOL TECHNOLOGIES,DHO924,DHO9A1,00.01.03", "Rigol DHO800/DHO900", nullptr, 4},
        {"Siglent Technologies,SDS1202X-E,SDS1ECDQ2R5789,7.1.1.3.23", "Siglent SDS1000X-E",
         nullptr},
        {"*IDN SIGLENT,SDS1104X-E,SDS1,8.1", "Siglent SDS1000X-E", nullptr, 4},
        {"Siglent Technologies,SDS824X HD,SDS08A,1.1", kSiglentHd, nullptr, 4},
        {"Siglent Technologies,SDS2354X Plus,SDS2X,1.3.9R10", kSiglentHd, nullptr, 4},
        {"RIGOL TECHNOLOGIES,DG1022Z,DG1Z,00.03", nullptr, nullptr},
        {"RIGOL TECHNOLOGIES,DS2072A,DS2A,00.03", nullptr, nullptr},
        {"TEKTRONIX,TDS 2024B,C0,CF:91.1CT FV:v22.11", "Tektronix TDS1000/2000, TBS1000B",
         "TEKTRONIX TDS 2024B, n° C0", 4},
        {"TEKTRONIX,TBS1102B-EDU,C1,CF:91.1CT FV:v4.11", "Tektronix TDS1000/2000, TBS1000B",
         nullptr},
        {"TEKTRONIX,TBS 1072C,C2,CF:91.1CT FV:v1.29", "Tektronix TBS1000C, TBS2000", nullptr},
        {"TEKTRONIX,TBS2204B,C3,CF:91.1CT FV:v1.27", "Tektronix TBS1000C, TBS2000", nullptr, 4},
        {"TEKTRONIX,AFG1022,C4,SCPI:99.0 FV:V1.2.3", nullptr, nullptr},
        {"KEYSIGHT TECHNOLOGIES,DSOX1204G,CN1,1.1", "Keysight InfiniiVision", nullptr, 4},
        {"AGILENT TECHNOLOGIES,DSO-X 2002A,MY1,02.50", "Keysight InfiniiVision", nullptr},
        {"KEYSIGHT TECHNOLOGIES,33522B,MY1,4.00", nullptr, nullptr},
        {"garbage", nullptr, nullptr},
        {"", nullptr, nullptr},
    };
    for (const auto& c : kCases) {
        std::optional<ScopeIdentity> identity = IdentifyScope(c.Answer);
        ASSERT_EQ(identity.has_value(), c.Family != nullptr) << c.Answer;
        if (!identity) continue;
        EXPECT_STREQ(identity->Speaks->Family, c.Family) << c.Answer;
        EXPECT_EQ(identity->Channels, c.Channels) << c.Answer;
        if (c.Text) {
            EXPECT_EQ(identity->Text(), Cp1252(c.Text));
        }
    }
}

// Every row of the table has a simulated model of its own, which names it.
TEST(ScopeDialects, EveryRowIsPlayedBySomeModel) {
    for (const ScopeDialect* dialect : ScopeDialects()) {
        bool played = false;
        for (const ModelCase& model : kModels) {
            ScopeSetup setup;
            ASSERT_TRUE(ModelSetup(model.Model, setup));
            played |= IdentifyScope(setup.Identity)->Speaks == dialect;
        }
        EXPECT_TRUE(played) << dialect->Family;
    }
}

// A family is its row: one made up here, reading as a Rigol does, is identified among its table
// and read, and a sweep's settings are put back, with nothing else to add.
TEST(ScopeDialects, AMadeUpRowIsIdentifiedAndRead) {
    const ScopeDialect madeUp{
        .Family = "Acme",
        .Guide = "",
        .Serves = [](const std::string& make, const std::string&) { return make == "ACME"; },
        .ReadChannels =
            [](ScpiSession& session, const ScopeIdentity& identity, ScopeScreen& screen,
               const ScopeRequest& request) {
                return ReadRigolChannels(session, identity, screen, request, {false, 250000});
            },
        .Resume = RigolResume,
        .Headers = nullptr,
        .Settings = kRigolSettings,
        .DivisionsAcross = 12,
        .Ports = {5025},
        .OwnGenerator = nullptr,
    };
    Bench bench("rigol-ds1054z", {{"idn", "Acme,Scope 1,A1,1.0"}, {"state", "single"}});
    EXPECT_FALSE(IdentifyScope("Acme,Scope 1,A1,1.0"));
    std::optional<ScopeIdentity> identity = IdentifyScope(bench.session->Query("*IDN?"), {&madeUp});
    ASSERT_TRUE(identity);
    AcquisitionPtr acquisition = ReadScope(*bench.session, *identity, {});
    EXPECT_EQ(acquisition->Samples(1).Values, bench.scope->SentVolts(2));
    EXPECT_EQ(bench.scope->State(), RunState::WaitingSingle);

    ScopeControl control(*bench.session, *identity, [](double) {});
    control.Save();
    control.SetTimeBase(1e-3);
    EXPECT_TRUE(control.Restore().empty());
    EXPECT_DOUBLE_EQ(bench.scope->Setup().TimeBase, 200e-6);
    EXPECT_EQ(bench.scope->State(), RunState::WaitingSingle);
}

// Whether a family's offset is the level at the centre, its opposite or a position in divisions,
// the level a sweep asks for is the one at the centre, and stays there when the scale changes.
TEST(ScopeControl, TheLevelAskedForIsAtTheCentreWhateverTheScale) {
    for (const ModelCase& model : kModels) {
        SCOPED_TRACE(model.Model);
        Bench bench(model.Model);
        std::optional<ScopeIdentity> identity = IdentifyScope(bench.session->Query("*IDN?"));
        ASSERT_TRUE(identity);
        ScopeControl control(*bench.session, *identity, [](double) {});
        control.Save();
        control.SetScale(2, 0.5);
        control.SetCentre(2, 1.0);
        control.SetScale(2, 0.2);
        EXPECT_NEAR(-bench.scope->Setup().Channels[1].Offset, 1.0, 1e-6);
        EXPECT_TRUE(control.Restore().empty());
        EXPECT_NEAR(bench.scope->Setup().Channels[1].Offset, 0, 1e-9);
    }
}

TEST(ScopeAnswers, NumbersAndScalesReadAsTheScopesWriteThem) {
    const std::pair<const char*, double> kNumbers[] = {
        {"5.00E-01", 0.5},    {"C1:VDIV 5.00E-01V", 0.5}, {"1.000000e-09", 1e-9},
        {"7.00E+05pts", 7e5}, {"SANU 1.4Mpts", 1.4e6},    {"1.00GSa/s", 1e9},
        {"-2.5", -2.5}};
    for (const auto& [answer, value] : kNumbers)
        EXPECT_DOUBLE_EQ(AnswerNumber(answer), value) << answer;
    for (const char* bad : {"", "C1:VDIV", "nan", "inf", "V"})
        EXPECT_THROW(AnswerNumber(bad), EInstrumentError) << bad;

    const struct {
        double Value;
        const char* Unit;
        const char* Text;
    } kScales[] = {{500e-6, "s", "500µs/div"}, {0.002, "V", "2mV/div"}, {1, "V", "1V/div"},
                   {0.5, "V", "500mV/div"},    {10, "V", "10V/div"},    {5e-9, "s", "5ns/div"},
                   {50, "s", "50s/div"}};
    for (const auto& c : kScales) EXPECT_EQ(DivisionText(c.Value, c.Unit), Cp1252(c.Text));
}
