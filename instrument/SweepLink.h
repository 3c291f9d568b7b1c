#pragma once
// An automatic sweep off the window thread: the scope and the generator connected, each point
// measured and handed to the window as it comes, both instruments put back at the end, after a
// stop and as the program closes. A stop takes effect at the next wait or at the end of the
// capture under way; the destructor stops, leaves the instruments a second to be put back, then
// breaks off whatever is still waited for.
#include <windows.h>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "instrument/HmSweptScope.h"
#include "instrument/InstrumentTexts.h"
#include "instrument/Resource.h"
#include "instrument/ScpiStream.h"
#include "instrument/Sweeper.h"
#include "ui/Handles.h"

struct SweepJob {
    // An HM's resource (of kind Serial): the window thread reads it when the sweep asks.
    InstrumentResource Scope, Generator;
    // A generator on a serial line: the stream opened on the window thread, which keeps a
    // reference and destroys it there once the sweep has ended.
    std::shared_ptr<ByteStream> SerialGenerator;
    // The scope's own generator, asked of the scope, on the scope's one connection.
    bool ScopeGenerator = false;
    SweepSettings Settings;
    std::vector<double> Frequencies;
    ScopeRequest Request;
    bool IdentifyOnly = false; // only who answers at the generator's resource, or the scope's
};

struct SweepEvent {
    enum class Kind { Connected, Point, Capture, Ended } What = Kind::Ended;
    std::string GeneratorName, ScopeName; // Connected: who answered
    // Capture: an HM's image wanted, with these settings; the sweep waits for Deliver.
    HmSettingsRequest Settings;
    std::size_t Index = 0; // Point: of the job's frequencies
    SweepPoint Point;
    // Ended: why the sweep ended before its last point (none when it did not, or was stopped),
    // and which instrument failed.
    std::optional<EInstrumentError> Error;
    InstrumentRole FailedRole = InstrumentRole::Scope;
    bool Stopped = false;
    std::vector<std::string> NotRestored; // 1252
};

class SweepLink {
public:
    SweepLink();
    ~SweepLink();
    SweepLink(const SweepLink&) = delete;
    SweepLink& operator=(const SweepLink&) = delete;

    // Runs `job`; each event posts `message` to `wake`.
    void Start(SweepJob job, HWND wake, UINT message);
    void Stop();
    // The HM's image a Capture event asked for; null when the person declined or none came.
    void Deliver(AcquisitionPtr image);
    // Breaks off whatever the worker waits for: the close's last resort.
    void Abandon();
    // Waits for the worker's end (at once, once abandoned).
    void Join();
    bool Running() const { return running_; }
    // What a stream of the job's (a serial line) waits on besides its data.
    HANDLE CancelEvent() const { return cancel_.get(); }
    // Set once the worker has ended.
    HANDLE EndedEvent() const { return ended_.get(); }
    // The events posted since the last call.
    std::vector<SweepEvent> Take();

private:
    void Run(SweepJob job);
    std::unique_ptr<ByteStream> OpenGenerator(const SweepJob& job, InstrumentRole& failed,
                                              std::optional<GeneratorIdentity>& identity);
    void Post(SweepEvent event);
    // Asks the window thread for an HM's image and waits for it; a stop takes effect once it came.
    AcquisitionPtr AwaitHmImage(const HmSettingsRequest& settings);

    UniqueKernelHandle stop_, cancel_, ended_, delivered_;
    AcquisitionPtr image_; // delivered, under mutex_
    std::thread worker_;
    std::atomic<bool> running_{false};
    std::mutex mutex_;
    std::vector<SweepEvent> events_;
    HWND wake_ = nullptr;
    UINT message_ = 0;
};
