#include "instrument/SweepLink.h"

#include <cmath>
#include <utility>

#include "common/Clock.h"
#include "common/Text1252.h"
#include "instrument/Generator.h"
#include "instrument/ScopeControl.h"
#include "instrument/ScopeDialect.h"
#include "instrument/ScopeLink.h"

namespace {

// The answers' time while the instruments are put back: what does not answer within it is named.
constexpr unsigned kRestoreAnswerMs = 1000;
// A serial generator's line answers at once or not at all: its probes wait this long.
constexpr unsigned kSerialProbeMs = 500;

// A stream that notes which instrument failed, for the sentence that says so.
class RoleStream : public ByteStream {
public:
    RoleStream(std::shared_ptr<ByteStream> inner, InstrumentRole role, InstrumentRole& failed)
        : inner_(std::move(inner)), role_(role), failed_(failed) {}
    void Write(const std::string& bytes) override {
        Noted([&] { inner_->Write(bytes); });
    }
    std::size_t Read(uint8_t* into, std::size_t most) override {
        std::size_t got = 0;
        Noted([&] { got = inner_->Read(into, most); });
        return got;
    }
    void SetAnswerTime(unsigned ms) override { inner_->SetAnswerTime(ms); }

private:
    template <class Action> void Noted(Action action) {
        try {
            action();
        } catch (const EInstrumentError&) {
            failed_ = role_;
            throw;
        }
    }
    std::shared_ptr<ByteStream> inner_;
    InstrumentRole role_;
    InstrumentRole& failed_;
};

// The scope's own generator, when the job asks for it and the scope has one.
GeneratorIdentity OwnGenerator(ScpiSession& session, const ScopeIdentity& scope) {
    const ScopeDialect& dialect = *scope.Speaks;
    const GeneratorDialect* own =
        dialect.OwnGenerator ? dialect.OwnGenerator(session, scope) : nullptr;
    if (!own)
        throw EInstrumentError(InstrumentFault::BadResource, Cp1252("L'oscilloscope ") +
                                                                 scope.Name() +
                                                                 Cp1252(" n'a pas de générateur"));
    return GeneratorIdentity{scope.Make, scope.Model, scope.Serial, own};
}

} // namespace

SweepLink::SweepLink()
    : stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      cancel_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      ended_(CreateEventW(nullptr, TRUE, TRUE, nullptr)),
      delivered_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

SweepLink::~SweepLink() {
    Stop();
    if (WaitForSingleObject(ended_.get(), kRestoreAnswerMs) != WAIT_OBJECT_0)
        SetEvent(cancel_.get());
    if (worker_.joinable()) worker_.join();
}

void SweepLink::Stop() { SetEvent(stop_.get()); }

void SweepLink::Abandon() { SetEvent(cancel_.get()); }

void SweepLink::Join() {
    if (worker_.joinable()) worker_.join();
}

void SweepLink::Deliver(AcquisitionPtr image) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        image_ = std::move(image);
    }
    SetEvent(delivered_.get());
}

AcquisitionPtr SweepLink::AwaitHmImage(const HmSettingsRequest& settings) {
    SweepEvent capture;
    capture.What = SweepEvent::Kind::Capture;
    capture.Settings = settings;
    Post(std::move(capture));
    HANDLE waits[] = {delivered_.get(), cancel_.get()};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 ||
        WaitForSingleObject(stop_.get(), 0) == WAIT_OBJECT_0)
        throw EInstrumentError(InstrumentFault::Cancelled);
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(image_, nullptr);
}

void SweepLink::Start(SweepJob job, HWND wake, UINT message) {
    if (worker_.joinable()) worker_.join();
    ResetEvent(stop_.get());
    ResetEvent(ended_.get());
    wake_ = wake;
    message_ = message;
    running_ = true;
    ResetEvent(cancel_.get());
    ResetEvent(delivered_.get());
    worker_ = std::thread([this, job = std::move(job)]() mutable {
        Run(std::move(job));
        running_ = false;
        SetEvent(ended_.get());
        PostMessageW(wake_, message_, 0, 0);
    });
}

std::vector<SweepEvent> SweepLink::Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(events_, {});
}

void SweepLink::Post(SweepEvent event) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(std::move(event));
    }
    PostMessageW(wake_, message_, 0, 0);
}

// The generator's stream and who it is: on its serial line, found by its own queries; on the
// network or through VISA, by "*IDN?".
std::unique_ptr<ByteStream> SweepLink::OpenGenerator(const SweepJob& job, InstrumentRole& failed,
                                                     std::optional<GeneratorIdentity>& identity) {
    failed = InstrumentRole::Generator;
    if (job.SerialGenerator) {
        auto stream =
            std::make_unique<RoleStream>(job.SerialGenerator, InstrumentRole::Generator, failed);
        stream->SetAnswerTime(kSerialProbeMs);
        StreamSession session(*stream);
        identity = IdentifySerialGenerator(session);
        stream->SetAnswerTime(kAnswerMs);
        if (!identity)
            throw EInstrumentError(InstrumentFault::UnknownInstrument,
                                   Cp1252("aucune réponse d'un FeelTech ni d'un JDS6600"));
        return stream;
    }
    std::string answer;
    int port = 0;
    auto stream =
        std::make_unique<RoleStream>(ConnectInstrument(job.Generator, cancel_.get(), answer, port),
                                     InstrumentRole::Generator, failed);
    identity = IdentifyGenerator(answer);
    if (!identity) throw EInstrumentError(InstrumentFault::UnknownInstrument, answer);
    return stream;
}

void SweepLink::Run(SweepJob job) {
    SweepEvent end;
    InstrumentRole failed = InstrumentRole::Generator;
    try {
        std::optional<GeneratorIdentity> generatorIdentity;
        std::unique_ptr<ByteStream> generatorStream;
        SweepEvent connected;
        connected.What = SweepEvent::Kind::Connected;
        if (!job.ScopeGenerator) {
            generatorStream = OpenGenerator(job, failed, generatorIdentity);
            connected.GeneratorName = generatorIdentity->Text();
            if (job.IdentifyOnly) {
                generatorStream.reset();
                job.SerialGenerator.reset();
                return Post(std::move(connected));
            }
        }

        failed = InstrumentRole::Scope;
        auto wait = [this](double seconds) {
            DWORD ms = DWORD(std::ceil(std::max(seconds, 0.0) * 1000));
            if (WaitForSingleObject(stop_.get(), ms) == WAIT_OBJECT_0)
                throw EInstrumentError(InstrumentFault::Cancelled);
        };
        std::unique_ptr<ByteStream> scopeStream;
        std::optional<StreamSession> scopeSession;
        std::unique_ptr<SweptScope> scope;
        if (job.Scope.Kind == ResourceKind::Serial) {
            if (job.ScopeGenerator)
                throw EInstrumentError(InstrumentFault::BadResource,
                                       Cp1252("Un oscilloscope HM n'a pas de générateur"));
            connected.ScopeName = "Hameg";
            scope = std::make_unique<HmSweptScope>(
                [this](const HmSettingsRequest& settings) { return AwaitHmImage(settings); });
        } else {
            std::string answer;
            int port = 0;
            scopeStream = std::make_unique<RoleStream>(
                ConnectInstrument(job.Scope, cancel_.get(), answer, port), InstrumentRole::Scope,
                failed);
            std::optional<ScopeIdentity> scopeIdentity = IdentifyScope(answer);
            if (!scopeIdentity) throw EInstrumentError(InstrumentFault::UnknownInstrument, answer);
            connected.ScopeName = scopeIdentity->Text();
            scopeSession.emplace(*scopeStream);
            if (job.ScopeGenerator) {
                generatorIdentity = OwnGenerator(*scopeSession, *scopeIdentity);
                connected.GeneratorName =
                    Cp1252("Générateur de l'oscilloscope ") + scopeIdentity->Name();
                if (job.IdentifyOnly) return Post(std::move(connected));
            }
            for (int channel : {job.Settings.Input, job.Settings.Output})
                if (channel > scopeIdentity->Channels)
                    throw EInstrumentError(InstrumentFault::BadResource,
                                           Cp1252("L'oscilloscope ") + scopeIdentity->Name() +
                                               Cp1252(" n'a pas de voie CH") +
                                               std::to_string(channel));
            scope =
                std::make_unique<ScopeControl>(*scopeSession, *scopeIdentity, wait,
                                               std::array{job.Settings.Input, job.Settings.Output});
        }
        Post(std::move(connected));

        // The scope's own generator speaks on the scope's connection.
        std::optional<StreamSession> generatorSession;
        if (generatorStream) generatorSession.emplace(*generatorStream);
        std::unique_ptr<Generator> generator =
            MakeGenerator(generatorStream ? *generatorSession : *scopeSession, *generatorIdentity,
                          job.Settings.Channel);
        Sweeper sweeper(*generator, *scope, job.Settings, wait);
        try {
            sweeper.Begin();
            for (std::size_t i = 0; i < job.Frequencies.size(); ++i) {
                wait(0);
                SweepEvent point;
                point.What = SweepEvent::Kind::Point;
                point.Index = i;
                ScopeRequest request = job.Request;
                request.TimeOfDay = TimeOfDayText();
                point.Point = sweeper.Measure(job.Frequencies[i], request);
                Post(std::move(point));
            }
        } catch (const EInstrumentError& error) {
            end.Stopped = error.Fault == InstrumentFault::Cancelled;
            if (!end.Stopped) end.Error = error;
        } catch (const std::exception& error) {
            end.Error = EInstrumentError(InstrumentFault::BadPreamble, error.what());
        }
        end.FailedRole = failed;
        if (scopeStream) scopeStream->SetAnswerTime(kRestoreAnswerMs);
        if (generatorStream) generatorStream->SetAnswerTime(kRestoreAnswerMs);
        end.NotRestored = sweeper.End();
    } catch (const EInstrumentError& error) {
        end.Error = error;
        end.FailedRole = failed;
    }
    // The window thread keeps the last reference to a serial line, which is its own.
    job.SerialGenerator.reset();
    Post(std::move(end));
}
