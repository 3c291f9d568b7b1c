#include "instrument/ScopeLink.h"

#include <memory>

#include "common/Text1252.h"
#include "instrument/ScopeDialect.h"
#include "instrument/TcpStream.h"
#include "instrument/VisaStream.h"

ScopeLink::ScopeLink() : cancel_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

ScopeLink::~ScopeLink() {
    Cancel();
    if (worker_.joinable()) worker_.join();
}

void ScopeLink::Cancel() { SetEvent(cancel_.get()); }

void ScopeLink::Start(ScopeJob job) {
    if (worker_.joinable()) worker_.join();
    ResetEvent(cancel_.get());
    done_ = total_ = 0;
    answered_ = finished_ = false;
    job.Request.Progress = [this](std::size_t done, std::size_t total) {
        total_ = total;
        done_ = done;
    };
    worker_ = std::thread([this, job = std::move(job), wake = GetCurrentThreadId()] {
        outcome_ = Run(job);
        finished_ = true;
        PostThreadMessageW(wake, WM_NULL, 0, 0);
    });
}

ScopeOutcome ScopeLink::Take() {
    if (worker_.joinable()) worker_.join();
    return std::move(outcome_);
}

std::unique_ptr<ByteStream> ConnectInstrument(const InstrumentResource& resource, HANDLE cancel,
                                              std::string& answer, int& port) {
    if (resource.Kind == ResourceKind::Visa) {
        auto stream = std::make_unique<VisaStream>(resource.Text, cancel, kAnswerMs);
        answer = StreamSession(*stream).Query("*IDN?");
        return stream;
    }
    if (resource.Kind == ResourceKind::SerialLine)
        throw EInstrumentError(InstrumentFault::BadResource,
                               Cp1252("Un port série ne sert qu'aux générateurs : ") +
                                   resource.Text);
    if (resource.Kind != ResourceKind::Socket)
        throw EInstrumentError(InstrumentFault::BadResource, resource.Text);
    std::vector<int> ports{resource.Port};
    if (resource.Port == 0) ports = ScopePorts();
    std::optional<EInstrumentError> firstError;
    for (int each : ports) {
        try {
            auto stream = std::make_unique<TcpStream>(resource.Host, each, cancel, kConnectMs,
                                                      kFirstAnswerMs);
            answer = StreamSession(*stream).Query("*IDN?");
            stream->SetAnswerTime(kAnswerMs);
            port = each;
            return stream;
        } catch (const EInstrumentError& error) {
            if (error.Fault == InstrumentFault::Cancelled) throw;
            if (!firstError) firstError = error;
        }
    }
    throw *firstError;
}

ScopeOutcome ScopeLink::Run(const ScopeJob& job) {
    ScopeOutcome outcome;
    try {
        std::unique_ptr<ByteStream> stream =
            ConnectInstrument(job.Resource, cancel_.get(), outcome.Answer, outcome.Port);
        answered_ = true;
        outcome.Identity = IdentifyScope(outcome.Answer);
        if (!outcome.Identity)
            throw EInstrumentError(InstrumentFault::UnknownInstrument, outcome.Answer);
        StreamSession session(*stream);
        if (job.Read) outcome.Acquisition = ReadScope(session, *outcome.Identity, job.Request);
    } catch (const EInstrumentError& error) {
        outcome.Error = error;
    } catch (const std::exception& error) {
        // What the acquisition refuses (too few samples, a channel of no length).
        outcome.Error = EInstrumentError(InstrumentFault::BadPreamble, error.what());
    }
    return outcome;
}
