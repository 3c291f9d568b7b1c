// Automatic sweeps against the simulator's generators and scopes wired through a circuit, carried
// in memory: the points meet their accuracy, the scope is ranged without flapping, a refused
// frequency is a point with its reason, and both instruments are put back as they were found.
#include <gtest/gtest.h>

#include <cmath>

#include "acquisition/Series.h"
#include "instrument/ScopeControl.h"
#include "instrument/Sweeper.h"
#include "tests/instrument/SimulatedStream.h"
#include "tools/scpi-sim/Generator.h"
#include "tools/scpi-sim/Scope.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct SweepBench {
    SweepBench(const std::string& scopeModel, GeneratorFamily family, Circuit circuit)
        : generator(family, [this] { return waited; }), generatorStream(generator),
          generatorSession(generatorStream) {
        ScopeSetup setup;
        EXPECT_TRUE(ModelSetup(scopeModel, setup));
        scope = std::make_unique<Scope>(setup);
        for (auto [name, value] : {std::pair{"probe2", "1"}, {"noise-counts", "1"}}) {
            std::string error;
            EXPECT_TRUE(scope->Set(name, value, error)) << error;
        }
        scope->Wire([this] { return generator.Output(); }, circuit);
        scopeStream = std::make_unique<SimulatedStream>(*scope);
        scopeSession = std::make_unique<StreamSession>(*scopeStream);
        scopeIdentity = *IdentifyScope(scopeSession->Query("*IDN?"));
        bool serial = family == GeneratorFamily::FeelTech || family == GeneratorFamily::Jds6600 ||
                      family == GeneratorFamily::GwInstekAfg;
        generatorIdentity = serial ? *IdentifySerialGenerator(generatorSession)
                                   : *IdentifyGenerator(generatorSession.Query("*IDN?"));
        auto wait = [this](double seconds) { waited += seconds; };
        control = std::make_unique<ScopeControl>(*scopeSession, scopeIdentity, wait);
        driver = MakeGenerator(generatorSession, generatorIdentity, 1);
    }

    std::vector<SweepPoint> Run(const SweepSettings& settings, std::vector<double> frequencies) {
        Sweeper sweeper(*driver, *control, settings, [this](double s) { waited += s; });
        sweeper.Begin();
        std::vector<SweepPoint> points;
        for (double f : frequencies) points.push_back(sweeper.Measure(f, {}));
        failedToRestore = sweeper.End();
        return points;
    }

    FunctionGenerator generator;
    SimulatedStream generatorStream;
    StreamSession generatorSession;
    std::unique_ptr<Scope> scope;
    std::unique_ptr<SimulatedStream> scopeStream;
    std::unique_ptr<StreamSession> scopeSession;
    ScopeIdentity scopeIdentity;
    GeneratorIdentity generatorIdentity;
    std::unique_ptr<ScopeControl> control;
    std::unique_ptr<Generator> driver;
    double waited = 0;
    std::vector<std::string> failedToRestore;
};

double Db(std::complex<double> h) { return 20 * std::log10(std::abs(h)); }

TEST(Sweeper, ALowPassSweptMeetsItsAccuracyOnEveryScope) {
    Circuit lowPass; // 100 Hz
    SweepSettings settings;
    settings.SettlingMs = 20; // 12 time constants
    std::vector<double> frequencies = SweepFrequencies(10, 100000, 10);
    for (const char* model : {"rigol-ds1054z", "siglent-sds1104x-e", "siglent-sds1104x-hd",
                              "tektronix-tbs1052b", "keysight-dsox1204g"}) {
        SCOPED_TRACE(model);
        SweepBench bench(model, GeneratorFamily::SiglentSdg, lowPass);
        std::vector<SweepPoint> points = bench.Run(settings, frequencies);
        ASSERT_EQ(points.size(), 41u);
        std::vector<SeriesRow> rows;
        for (const SweepPoint& p : points) {
            SCOPED_TRACE(p.Frequency);
            ASSERT_TRUE(p.Result);
            EXPECT_EQ(p.Fault, PointFault::None);
            std::complex<double> h = lowPass.Response(p.Frequency);
            double tolerance = Db(h) > -3 ? 0.1 : Db(h) > -40 ? 0.5 : 1;
            if (Db(h) > -50) {
                EXPECT_NEAR(p.Result->GainDb, Db(h), tolerance);
            }
            if (p.Frequency <= 1000) {
                EXPECT_NEAR(p.Result->PhaseDegrees, std::arg(h) * 180 / kPi, 1);
            }
            EXPECT_LE(p.Captures, 4);
            SeriesRow row;
            row.Frequency.Value = p.Frequency;
            row.PeakToPeak = {Measure{1.0, {}}, Measure{1.0, {}}};
            row.Gain.Value = p.Result->GainDb;
            row.Phase.Value = p.Result->PhaseDegrees;
            rows.push_back(row);
        }
        std::vector<double> cutOffs = CutOffFrequencies(BodePoints(rows));
        ASSERT_EQ(cutOffs.size(), 1u);
        EXPECT_NEAR(cutOffs[0], 1 / (2 * kPi * lowPass.R * lowPass.C), 1);
    }
}

TEST(Sweeper, ABandPassWithEachGenerator) {
    Circuit bandPass{CircuitKind::BandPass, 100, 1e-6, 0.1}; // 503 Hz, Q 3.2
    SweepSettings settings;
    settings.SettlingPeriods = 20; // 2L/R is 2 ms, 10 periods at the resonance
    settings.Amplitude = 1;
    settings.Offset = 0.5;
    settings.Averages = 2;
    std::vector<double> frequencies = SweepFrequencies(100, 2500, 5);
    // With a scope of each way of placing a trace: a level, its opposite, divisions.
    const std::pair<GeneratorFamily, const char*> kBenches[] = {
        {GeneratorFamily::RigolDg, "tektronix-tbs1052b"},
        {GeneratorFamily::Keysight33500, "keysight-dsox1204g"},
        {GeneratorFamily::SiglentSdg, "siglent-sds2104x-plus"},
        {GeneratorFamily::FeelTech, "tektronix-tbs2104"},
        {GeneratorFamily::Jds6600, "rigol-ds1054z"},
        {GeneratorFamily::RigolDg1022, "tektronix-tbs1052b"},
        {GeneratorFamily::TektronixAfg, "rigol-ds1054z"},
        {GeneratorFamily::Keysight33220, "keysight-dsox1204g"},
        {GeneratorFamily::GwInstekAfg, "siglent-sds1104x-hd"}};
    for (const auto& [family, model] : kBenches) {
        SCOPED_TRACE(model);
        SweepBench bench(model, family, bandPass);
        for (const SweepPoint& p : bench.Run(settings, frequencies)) {
            ASSERT_TRUE(p.Result) << p.Frequency;
            std::complex<double> h = bandPass.Response(p.Frequency);
            EXPECT_NEAR(p.Result->GainDb, Db(h), 0.2) << p.Frequency;
            EXPECT_NEAR(p.Result->PhaseDegrees, std::arg(h) * 180 / kPi, 1) << p.Frequency;
            EXPECT_GE(p.Captures, 2);
            // The sine went out at the amplitude asked into the scope's high impedance,
            // whatever load the generator had been set for.
            const std::vector<double>& ch1 = p.Last->Samples(0).Values;
            auto [low, high] = std::minmax_element(ch1.begin(), ch1.end());
            EXPECT_NEAR(*high - *low, settings.Amplitude, 0.05);
            EXPECT_NEAR((*high + *low) / 2, settings.Offset, 0.03);
        }
        EXPECT_FALSE(bench.generator.Output().On) << "the output is off again, as found";
    }
}

// A capture taken as soon as the frequency changed shows the circuit's transient on CH2 (here a
// decaying offset, which the fit's constant takes apart from the fundamental); the settling wait
// lets it die away before the capture.
TEST(Sweeper, TheSettlingWaitOutlastsTheCircuitsTransient) {
    Circuit lowPass;
    auto offsetAfter = [&](double settlingMs) {
        SweepBench bench("rigol-ds1054z", GeneratorFamily::SiglentSdg, lowPass);
        SweepSettings settings;
        settings.SettlingMs = settlingMs;
        settings.SettlingPeriods = 0;
        SweepPoint point = bench.Run(settings, {1000, 3000}).back();
        const ChannelSamples& ch2 = point.Last->Samples(1);
        return FundamentalAt(ch2.Values, ch2.Times[1] - ch2.Times[0], point.Frequency)->Mean;
    };
    EXPECT_GT(offsetAfter(0), 0.005);
    EXPECT_LT(std::abs(offsetAfter(20)), 0.001);
}

TEST(Sweeper, BothInstrumentsArePutBackAsTheyWereFound) {
    SweepSettings settings;
    for (GeneratorFamily family :
         {GeneratorFamily::RigolDg, GeneratorFamily::RigolDg1022, GeneratorFamily::TektronixAfg,
          GeneratorFamily::Keysight33220, GeneratorFamily::GwInstekAfg}) {
        SCOPED_TRACE(int(family));
        SweepBench bench("rigol-ds1054z", family, Circuit{});
        GeneratorChannel before = bench.generator.Channel(1);
        bench.Run(settings, {50, 5000});
        EXPECT_TRUE(bench.failedToRestore.empty());
        const GeneratorChannel& after = bench.generator.Channel(1);
        EXPECT_EQ(after.On, before.On);
        EXPECT_EQ(after.Wave, before.Wave);
        EXPECT_EQ(after.Load, before.Load);
        EXPECT_EQ(after.Unit, before.Unit);
        EXPECT_DOUBLE_EQ(after.Frequency, before.Frequency);
        EXPECT_DOUBLE_EQ(after.Amplitude, before.Amplitude);
        EXPECT_DOUBLE_EQ(after.Offset, before.Offset);
    }

    SweepBench bench("rigol-ds1054z", GeneratorFamily::RigolDg, Circuit{});
    // The generator's connection gone before the end: what it could not put back is named, and
    // the scope is put back all the same.
    ScopeSetup scopeBefore = bench.scope->Setup();
    Sweeper sweeper(*bench.driver, *bench.control, settings, [](double) {});
    sweeper.Begin();
    bench.driver->SetFrequency(300);
    std::string error;
    ASSERT_TRUE(bench.generator.Set("fault", "drop", error));
    std::vector<std::string> failed = sweeper.End();
    EXPECT_EQ(failed.size(), 7u) << "every setting of the generator";
    EXPECT_DOUBLE_EQ(bench.scope->Setup().TimeBase, scopeBefore.TimeBase);
}

// Each scope in a trigger sweep, a run state, reply headers and channels shown of its own: the
// sweep shows and measures both channels, then puts back each of those as it was, the trigger's
// sweep before the run state that would override it.
TEST(Sweeper, EachScopeIsPutBackAsItWasFound) {
    struct Case {
        const char* Model;
        std::vector<std::pair<const char*, const char*>> Options;
    };
    const Case kCases[] = {
        {"rigol-ds1054z", {{"state", "single"}, {"shown2", "off"}}},
        {"rigol-ds1054z", {{"sweep", "normal"}}},
        {"siglent-sds1104x-e", {{"sweep", "normal"}, {"shown2", "off"}}},
        {"siglent-sds1104x-e", {{"state", "single"}}},
        {"siglent-sds1104x-e", {{"state", "stop"}, {"headers", "off"}}},
        {"siglent-sds2104x-plus", {{"state", "single"}, {"shown1", "off"}}},
        {"siglent-sds1104x-hd", {{"sweep", "normal"}}},
        {"tektronix-tbs1052b", {{"state", "single"}, {"shown2", "off"}, {"offset1", "0.5"}}},
        {"tektronix-tbs2104", {{"state", "stop"}, {"offset2", "-1"}}},
        {"keysight-dsox2002a", {{"state", "stop"}, {"shown1", "off"}, {"offset1", "0.25"}}},
    };
    for (const Case& c : kCases) {
        SweepBench bench(c.Model, GeneratorFamily::SiglentSdg, Circuit{});
        std::string trace = c.Model, error;
        for (const auto& [name, value] : c.Options) {
            ASSERT_TRUE(bench.scope->Set(name, value, error)) << error;
            trace += std::string(" ") + name + " " + value;
        }
        SCOPED_TRACE(trace);
        ScopeSetup before = bench.scope->Setup();
        auto triggerBefore = bench.scope->Trigger();
        for (const SweepPoint& point : bench.Run(SweepSettings{}, {50, 5000})) {
            EXPECT_TRUE(point.Result);
            EXPECT_EQ(point.Fault, PointFault::None);
        }
        EXPECT_TRUE(bench.failedToRestore.empty());
        const ScopeSetup& after = bench.scope->Setup();
        EXPECT_DOUBLE_EQ(after.TimeBase, before.TimeBase);
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_DOUBLE_EQ(after.Channels[i].VoltsPerDivision,
                             before.Channels[i].VoltsPerDivision);
            EXPECT_DOUBLE_EQ(after.Channels[i].Offset, before.Channels[i].Offset);
            EXPECT_EQ(after.Channels[i].Shown, before.Channels[i].Shown);
        }
        EXPECT_EQ(after.State, before.State);
        EXPECT_EQ(after.Sweep, before.Sweep);
        EXPECT_EQ(after.Headers, before.Headers);
        for (const auto& [key, value] : bench.scope->Trigger())
            EXPECT_EQ(value, triggerBefore.count(key) ? triggerBefore.at(key) : value) << key;
    }
}

// The serial generators, which know no "*IDN?", say who they are when asked in their own way; an
// older FeelTech firmware's frequency in micro-hertz is found by reading back; each is put back.
TEST(Sweeper, TheSerialGeneratorsAreFoundDrivenAndPutBack) {
    struct Case {
        GeneratorFamily Family;
        const char* Firmware;
        const char* Text;
    };
    const Case kCases[] = {
        {GeneratorFamily::FeelTech, "newer", "FeelTech FY6900-60M, n\xB0 FY69A0000001"},
        {GeneratorFamily::FeelTech, "older", "FeelTech FY6900-60M, n\xB0 FY69A0000001"},
        {GeneratorFamily::Jds6600, "newer", "JDS6600 60 MHz, n\xB0 2166125956"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.Text);
        SweepBench bench("rigol-ds1054z", c.Family, Circuit{});
        std::string error;
        ASSERT_TRUE(bench.generator.Set("firmware", c.Firmware, error));
        EXPECT_EQ(bench.generatorIdentity.Text(), c.Text);
        GeneratorChannel before = bench.generator.Channel(1);
        SweepSettings settings;
        settings.Offset = -0.5;
        for (const SweepPoint& p : bench.Run(settings, {50, 123.45, 2000})) {
            EXPECT_NEAR(p.Frequency, p.Requested, 1e-6 * p.Requested);
            ASSERT_TRUE(p.Result);
            EXPECT_NEAR(p.Result->GainDb, Db(Circuit{}.Response(p.Frequency)), 0.2);
        }
        EXPECT_TRUE(bench.failedToRestore.empty());
        const GeneratorChannel& after = bench.generator.Channel(1);
        EXPECT_EQ(after.On, before.On);
        EXPECT_EQ(after.Wave, before.Wave);
        EXPECT_NEAR(after.Frequency, before.Frequency, 1e-6);
        EXPECT_NEAR(after.Amplitude, before.Amplitude, 1e-4);
        EXPECT_NEAR(after.Offset, before.Offset, 1e-3);

        // Ended before its first point: the frequency, never set, is not written back (an older
        // firmware would read hertz as micro-hertz).
        std::unique_ptr<Generator> fresh =
            MakeGenerator(bench.generatorSession, bench.generatorIdentity, 1);
        Sweeper sweeper(*fresh, *bench.control, settings, [](double) {});
        sweeper.Begin();
        EXPECT_TRUE(sweeper.End().empty());
        EXPECT_NEAR(bench.generator.Channel(1).Frequency, before.Frequency, 1e-6);
    }
    // Nothing that answers either way is no generator.
    ScopeSetup setup;
    ModelSetup("rigol-ds1054z", setup);
    Scope scope(setup);
    SimulatedStream stream(scope);
    StreamSession session(stream);
    EXPECT_FALSE(IdentifySerialGenerator(session));
}

// A scope that hands over the captures it was given, in turn, the last one again and again.
class ScriptedScope : public SweptScope {
public:
    explicit ScriptedScope(std::vector<AcquisitionPtr> captures) : captures_(std::move(captures)) {}
    void Save() override {}
    std::vector<std::string> Restore() override { return {}; }
    void SetTrigger(double) override {}
    void SetScale(int, double) override {}
    void SetCentre(int, double) override {}
    void Show(int) override {}
    void SetTimeBaseFor(double) override {}
    AcquisitionPtr Capture(const ScopeRequest&, double) override {
        return captures_[std::min(next_++, captures_.size() - 1)];
    }
    int DivisionsUp() const override { return 8; }
    double LeastScale(int) const override { return 1e-3; }
    double MostScale(int) const override { return 10; }

private:
    std::vector<AcquisitionPtr> captures_;
    std::size_t next_ = 0;
};

// Both channels of `count` samples 10 µs apart, CH2 at `ch2` of CH1's angle at 1 kHz.
AcquisitionPtr Capture(std::size_t count, double (*ch2)(double angle)) {
    std::vector<AcquisitionChannel> channels(2);
    for (int c : {0, 1}) {
        ChannelSamples samples;
        for (std::size_t i = 0; i < count; ++i) {
            double angle = 2 * kPi * 1000 * double(i) * 10e-6;
            samples.Times.push_back(double(i) * 10e-6);
            samples.Values.push_back(c == 0 ? std::sin(angle) : ch2(angle));
        }
        channels[std::size_t(c)].Input = c + 1;
        channels[std::size_t(c)].Samples = std::make_shared<const ChannelSamples>(samples);
    }
    return std::make_shared<const Acquisition>(AcquisitionSource{SourceKind::Scope, "", ""},
                                               AcquisitionScreen{}, std::move(channels), count);
}

// A point whose first attempt gave a doubtful value and whose second gave no signal keeps no
// value at all: the second attempt starts from nothing.
TEST(Sweeper, ARetriedPointKeepsNothingOfItsFirstAttempt) {
    FunctionGenerator simulated(GeneratorFamily::SiglentSdg);
    SimulatedStream stream(simulated);
    StreamSession session(stream);
    std::unique_ptr<Generator> generator =
        MakeGenerator(session, *IdentifyGenerator(session.Query("*IDN?")), 1);
    auto distorted = [](double angle) { return std::sin(angle) + 0.8 * std::sin(3 * angle); };
    auto halfPeriod = [](double angle) { return std::sin(angle); };
    ScriptedScope scope({Capture(500, distorted), Capture(50, halfPeriod)});
    Sweeper sweeper(*generator, scope, SweepSettings{}, [](double) {});
    sweeper.Begin();
    SweepPoint point = sweeper.Measure(1000, {});
    EXPECT_EQ(point.Fault, PointFault::NoSignal);
    EXPECT_FALSE(point.Result);
}

// A point becomes its series' row: the generator's frequency, the fundamentals' gain and phase or
// why there are none, the capture's peak to peak values, marked as the sweep's.
TEST(Sweeper, APointBecomesItsRow) {
    AcquisitionPtr capture = Capture(500, [](double angle) { return 0.5 * std::sin(angle - 1); });
    const struct {
        PointFault Fault;
        Why Reason; // None: a value
    } kCases[] = {{PointFault::None, Why::None},
                  {PointFault::Distorted, Why::None},
                  {PointFault::Disagrees, Why::None},
                  {PointFault::FrequencyRefused, Why::FrequencyRefused},
                  {PointFault::NoSignal, Why::NoFundamental}};
    for (const auto& c : kCases) {
        SweepPoint point{1000, 1000.5, std::nullopt, 1, c.Fault, 1, capture};
        if (c.Reason == Why::None) point.Result = Transfer{-6, -57};
        SeriesRow row = SeriesRowOf(point);
        SCOPED_TRACE(int(c.Fault));
        EXPECT_TRUE(row.Swept);
        EXPECT_EQ(row.Frequency.Value, 1000.5);
        EXPECT_EQ(row.Distorted, c.Fault == PointFault::Distorted);
        EXPECT_EQ(row.Disagrees, c.Fault == PointFault::Disagrees);
        EXPECT_EQ(row.Gain.Reason, c.Reason);
        EXPECT_EQ(row.Phase.Value, c.Reason == Why::None ? std::optional(-57.0) : std::nullopt);
        EXPECT_NEAR(*row.PeakToPeak[1].Value, 1, 0.01);
    }
}

TEST(Sweeper, AFrequencyTheGeneratorIgnoresIsSetAgainOnceThenAPointWithItsReason) {
    SweepBench bench("rigol-ds1054z", GeneratorFamily::SiglentSdg, Circuit{});
    Sweeper sweeper(*bench.driver, *bench.control, SweepSettings{}, [](double) {});
    sweeper.Begin();
    std::string error;
    ASSERT_TRUE(bench.generator.Set("fault", "ignore-frequency", error));
    SweepPoint once = sweeper.Measure(200, {});
    EXPECT_EQ(once.Fault, PointFault::None);
    EXPECT_DOUBLE_EQ(once.Frequency, 200);
    EXPECT_TRUE(once.Result);

    ASSERT_TRUE(bench.generator.Set("fault", "ignore-frequencies", error));
    SweepPoint refused = sweeper.Measure(300, {});
    EXPECT_EQ(refused.Fault, PointFault::FrequencyRefused);
    EXPECT_DOUBLE_EQ(refused.Frequency, 200);
    EXPECT_FALSE(refused.Result);
    EXPECT_EQ(refused.Captures, 0);
    ASSERT_TRUE(bench.generator.Set("fault", "none", error));
    EXPECT_TRUE(sweeper.End().empty());
}

TEST(Sweeper, TheGeneratorsAnIdentityNames) {
    constexpr const char* kSource = "Rigol DG800, DG900, DG1000Z; Keysight 33500";
    const std::pair<const char*, const char*> kAnswers[] = {
        {"Siglent Technologies,SDG2042X,SDG2XCA000001,2.01.01.23R7", "Siglent SDG1000X, SDG2000X"},
        {"Rigol Technologies,DG1062Z,DG1ZA000000001,00.01.03", kSource},
        {"RIGOL TECHNOLOGIES,DG902 Pro,DG9P0000001,00.02.00", kSource},
        {"Agilent Technologies,33521A,MY00000001,2.03", kSource},
        {"*IDN Keysight Technologies,33622A,MY1,A.02", nullptr},       // a 33600: not known
        {"RIGOL TECHNOLOGIES,DS1054Z,DS1ZA0000001,00.04.04", nullptr}, // a scope
        {"RIGOL TECHNOLOGIES,DG1022 ,DG1D150900538,,00.03.00.09", "Rigol DG1022"},
        {"TEKTRONIX,AFG3022B,C037086,SCPI:99.0 FV:3.2.2", "Tektronix AFG1022, AFG3000, AFG31000"},
        {"Agilent Technologies,33220A,MY44026553,2.02-2.02-22-2", "Keysight 33210A, 33220A"},
        {"HEWLETT-PACKARD,33120A,0,8.0-5.0-1.0", nullptr},            // on RS-232 only: not driven
        {"TEKTRONIX,TBS1052B,C010001,CF:91.1CT FV:v4.11.0", nullptr}, // a scope
        {"SDG", nullptr},
        {"", nullptr},
    };
    for (const auto& [answer, family] : kAnswers) {
        std::optional<GeneratorIdentity> identity = IdentifyGenerator(answer);
        ASSERT_EQ(identity.has_value(), family != nullptr) << answer;
        if (identity) {
            EXPECT_STREQ(identity->Speaks->Family, family) << answer;
        }
    }
    EXPECT_EQ(IdentifyGenerator("Siglent Technologies,SDG1032X,SDG1X01,1.01")->Text(),
              "Siglent SDG1032X, n\xB0 SDG1X01");
}

} // namespace

// A scope's own generator, asked of the scope, drives the low-pass on the scope's one connection;
// it is put back as found. A scope without one says so.
TEST(Sweeper, AScopesOwnGeneratorSweepsOnItsOneConnection) {
    for (const char* model : {"keysight-dsox1204g", "rigol-ds1104z-s"}) {
        SCOPED_TRACE(model);
        ScopeSetup setup;
        ASSERT_TRUE(ModelSetup(model, setup));
        Scope scope(setup);
        std::string error;
        for (auto [name, value] : {std::pair{"probe2", "1"}, {"circuit-own", "lowpass 1000 1e-7"}})
            ASSERT_TRUE(scope.Set(name, value, error)) << name;
        SimulatedStream stream(scope);
        StreamSession session(stream);
        ScopeIdentity identity = *IdentifyScope(session.Query("*IDN?"));
        ASSERT_TRUE(identity.Speaks->OwnGenerator);
        const GeneratorDialect* own = identity.Speaks->OwnGenerator(session, identity);
        ASSERT_TRUE(own);
        GeneratorChannel before = scope.Own()->Channel(1);
        std::unique_ptr<Generator> generator =
            MakeGenerator(session, {identity.Make, identity.Model, identity.Serial, own}, 1);
        ScopeControl control(session, identity, [](double) {});
        Sweeper sweeper(*generator, control, SweepSettings{}, [](double) {});
        sweeper.Begin();
        for (double f : {400.0, 1591.5494309189535, 6400.0}) {
            SweepPoint point = sweeper.Measure(f, {});
            ASSERT_TRUE(point.Result) << f;
            EXPECT_NEAR(point.Result->GainDb, -10 * std::log10(1 + std::pow(f / 1591.55, 2)), 0.3);
        }
        EXPECT_TRUE(sweeper.End().empty());
        const GeneratorChannel& after = scope.Own()->Channel(1);
        EXPECT_EQ(after.On, before.On);
        EXPECT_EQ(after.Load, before.Load);
        EXPECT_DOUBLE_EQ(after.Frequency, before.Frequency);
        EXPECT_DOUBLE_EQ(after.Amplitude, before.Amplitude);
    }
    for (const char* model : {"keysight-dsox2002a", "rigol-ds1054z", "siglent-sds1104x-e"}) {
        ScopeSetup setup;
        ASSERT_TRUE(ModelSetup(model, setup));
        Scope scope(setup);
        SimulatedStream stream(scope);
        StreamSession session(stream);
        ScopeIdentity identity = *IdentifyScope(session.Query("*IDN?"));
        auto ask = identity.Speaks->OwnGenerator;
        EXPECT_FALSE(ask && ask(session, identity)) << model;
    }
}
