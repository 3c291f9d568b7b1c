#pragma once
// A network or USB scope's conversation, off the window thread: connect, "*IDN?", and a read when
// asked. The window thread starts a job, serves its messages while it runs (the worker posts a
// message to that thread to wake it when it ends) and takes the outcome. Cancel ends a job at once,
// whatever it waits for; the destructor cancels and waits for the worker.
#include <windows.h>
#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include "instrument/Resource.h"
#include "instrument/ScopeRead.h"
#include "instrument/ScpiStream.h"
#include "ui/Handles.h"

// The time a connection may take, and the longest silence within an answer.
constexpr unsigned kConnectMs = 2000;
constexpr unsigned kAnswerMs = 3000;
// The first answer on a new connection may take longer: a DSO-X 2000 answers only some 10 s
// after it accepted the connection.
constexpr unsigned kFirstAnswerMs = 12000;

// A connection to the instrument a resource names, through the first of its ports that connects
// and answers "*IDN?" (`answer`, `port`); throws EInstrumentError.
std::unique_ptr<ByteStream> ConnectInstrument(const InstrumentResource& resource, HANDLE cancel,
                                              std::string& answer, int& port);

struct ScopeJob {
    InstrumentResource Resource;
    bool Read = false; // else only who answers
    ScopeRequest Request;
};

struct ScopeOutcome {
    std::string Answer;                    // to "*IDN?"
    std::optional<ScopeIdentity> Identity; // the scope it names
    int Port = 0;                          // the socket's port that answered
    AcquisitionPtr Acquisition;            // of a read
    std::optional<EInstrumentError> Error;
};

class ScopeLink {
public:
    ScopeLink();
    ~ScopeLink();
    ScopeLink(const ScopeLink&) = delete;
    ScopeLink& operator=(const ScopeLink&) = delete;

    // Runs `job` on the worker; the calling thread gets a WM_NULL when it ends.
    void Start(ScopeJob job);
    bool Finished() const { return finished_; }
    // The outcome of the job started last, once it finished: waits for the worker.
    ScopeOutcome Take();
    void Cancel();

    // The read's bytes received and expected, for the gauge.
    std::size_t Done() const { return done_; }
    std::size_t Total() const { return total_; }
    // Whether the job's instrument said who it is.
    bool Answered() const { return answered_; }

private:
    ScopeOutcome Run(const ScopeJob& job);

    UniqueKernelHandle cancel_;
    std::thread worker_;
    std::atomic<bool> finished_{true};
    std::atomic<std::size_t> done_{0}, total_{0};
    std::atomic<bool> answered_{false};
    ScopeOutcome outcome_;
};
