// scpi-sim: a network instrument on loopback TCP. See --help.
//
// One connection at a time, as the program makes one for each read. Command lines end with LF;
// each answer leaves after the profile's latency and at its byte rate. The control FIFO takes the
// same "name value" options as the command line, at any time between two commands.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "tools/scpi-sim/Scope.h"

namespace {

const char* kHelp = R"(scpi-sim: a network oscilloscope on 127.0.0.1, one connection at a time.
  --model M           rigol-ds1054z, rigol-dho804, siglent-sds1104x-e, siglent-sds2104x-plus,
                      siglent-sds1104x-hd (first option)
  --port N            listen on port N (default: one the system chooses)
  --port-file F       write the port listened on to F once listening
  Each connection's end is said on stderr as "connection: answers N bytes B floor_ms F": F is
  what its answers cost at the profile's latency and byte rate.
  --control F         a FIFO taking "name value" lines at run time, each acknowledged on stderr
                      as "control: <line>" once in force
  --log F             append each command line received to F
  Scope options, as "--name value" here or "name value" on the control FIFO:
  idn TEXT, state run|stop|single, timebase S, rate SA_PER_S, noise V, seed N,
  pace none|real, dump PREFIX, fault none|stall|reset|short|bad-header|huge|bad-preamble|
  silence|unanswered|length-quirk, and per channel (1 or 2): shownN on|off,
  shapeN sine|square|triangle, amplitudeN V, frequencyN HZ, phaseN DEG, dcN V, vdivN V,
  offsetN V, probeN X
)";

volatile std::sig_atomic_t stopping = 0;

struct Fd {
    int Value = -1;
    ~Fd() { Close(); }
    void Close() {
        if (Value >= 0) ::close(Value);
        Value = -1;
    }
};

void SleepFor(double seconds) {
    if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// Sends `bytes` at the profile's rate; false when the connection went away.
bool SendPaced(int socket, const std::string& bytes, const Profile& pace) {
    constexpr std::size_t kChunk = 1460;
    auto start = std::chrono::steady_clock::now();
    for (std::size_t at = 0; at < bytes.size();) {
        std::size_t chunk = std::min(kChunk, bytes.size() - at);
        ssize_t sent = ::send(socket, bytes.data() + at, chunk, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        at += std::size_t(sent);
        if (pace.BytesPerSecond > 0) {
            auto due = start + std::chrono::duration<double>(double(at) / pace.BytesPerSecond);
            std::this_thread::sleep_until(due);
        }
    }
    return true;
}

void ResetConnection(Fd& connection) {
    linger hard{1, 0};
    ::setsockopt(connection.Value, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    connection.Close();
}

void ApplyControl(Instrument& instrument, std::string& pending, int fifo) {
    char buffer[512];
    ssize_t got = ::read(fifo, buffer, sizeof buffer);
    if (got <= 0) return;
    pending.append(buffer, std::size_t(got));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        std::size_t space = line.find(' ');
        std::string error;
        if (space == std::string::npos ||
            !instrument.Set(line.substr(0, space), line.substr(space + 1), error))
            std::fprintf(stderr, "scpi-sim: %s\n", error.empty() ? line.c_str() : error.c_str());
        // Said once the setting is in force, for a test that waits for it.
        std::fprintf(stderr, "control: %s\n", line.c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    int port = 0;
    std::string portFile, controlPath, logPath;
    ScopeSetup setup;
    ModelSetup("rigol-ds1054z", setup);
    auto scope = std::make_unique<Scope>(setup);
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (name == "--help") return std::fputs(kHelp, stdout), 0;
        if (name.rfind("--", 0) != 0 || i + 1 >= argc)
            return std::fprintf(stderr, "scpi-sim: %s: expected --name value\n", name.c_str()), 2;
        std::string value = argv[++i], error;
        name = name.substr(2);
        if (name == "port")
            port = std::atoi(value.c_str());
        else if (name == "port-file")
            portFile = value;
        else if (name == "control")
            controlPath = value;
        else if (name == "log")
            logPath = value;
        else if (!scope->Set(name, value, error))
            return std::fprintf(stderr, "scpi-sim: %s\n", error.c_str()), 2;
    }
    std::signal(SIGTERM, [](int) { stopping = 1; });
    std::signal(SIGINT, [](int) { stopping = 1; });

    Fd listener{::socket(AF_INET, SOCK_STREAM, 0)};
    int yes = 1;
    ::setsockopt(listener.Value, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(uint16_t(port));
    if (::bind(listener.Value, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.Value, 4) != 0)
        return std::fprintf(stderr, "scpi-sim: cannot listen on port %d: %s\n", port,
                            std::strerror(errno)),
               1;
    socklen_t length = sizeof address;
    ::getsockname(listener.Value, reinterpret_cast<sockaddr*>(&address), &length);
    if (!portFile.empty()) {
        std::string temporary = portFile + ".part";
        std::ofstream(temporary) << ntohs(address.sin_port) << '\n';
        std::rename(temporary.c_str(), portFile.c_str());
    }
    Fd control;
    if (!controlPath.empty()) {
        ::mkfifo(controlPath.c_str(), 0600);
        control.Value = ::open(controlPath.c_str(), O_RDWR | O_NONBLOCK);
    }
    std::ofstream log;
    if (!logPath.empty()) log.open(logPath, std::ios::app);

    Fd connection;
    bool stalled = false;
    // What the connection's answers cost at the profile's pace, said when it ends: a read's
    // floor, for the benchmarks.
    long answers = 0;
    std::size_t answerBytes = 0;
    auto ended = [&] {
        Profile pace = scope->Pace();
        double floor = double(answers) * pace.LatencySeconds +
                       (pace.BytesPerSecond > 0 ? double(answerBytes) / pace.BytesPerSecond : 0);
        std::fprintf(stderr, "connection: answers %ld bytes %zu floor_ms %.3f\n", answers,
                     answerBytes, floor * 1000);
        connection.Close();
    };
    std::string received, controlPending;
    while (!stopping) {
        pollfd watched[3] = {
            {listener.Value, POLLIN, 0}, {control.Value, POLLIN, 0}, {connection.Value, POLLIN, 0}};
        if (::poll(watched, 3, 200) < 0) continue;
        if (watched[1].revents & POLLIN) ApplyControl(*scope, controlPending, control.Value);
        if ((watched[0].revents & POLLIN) && connection.Value < 0) {
            connection.Value = ::accept(listener.Value, nullptr, nullptr);
            ::setsockopt(connection.Value, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
            scope->Reconnected();
            stalled = false;
            received.clear();
            answers = 0;
            answerBytes = 0;
        }
        if (!(watched[2].revents & (POLLIN | POLLHUP | POLLERR)) || connection.Value < 0) continue;
        char buffer[4096];
        ssize_t got = ::recv(connection.Value, buffer, sizeof buffer, 0);
        if (got <= 0) {
            ended();
            continue;
        }
        if (stalled) continue;
        received.append(buffer, std::size_t(got));
        for (std::size_t end;
             connection.Value >= 0 && (end = received.find('\n')) != std::string::npos;) {
            std::string line = received.substr(0, end);
            received.erase(0, end + 1);
            if (log.is_open()) log << line << std::endl;
            Answer answer = scope->Handle(line);
            if (answer.Bytes.empty()) continue;
            Profile pace = scope->Pace();
            ++answers;
            answerBytes += answer.Bytes.size();
            SleepFor(pace.LatencySeconds);
            std::string bytes = answer.How == Delivery::Whole
                                    ? answer.Bytes
                                    : answer.Bytes.substr(0, answer.Bytes.size() / 2);
            if (!SendPaced(connection.Value, bytes, pace))
                connection.Close();
            else if (answer.How == Delivery::ResetHalfway)
                ResetConnection(connection);
            else if (answer.How == Delivery::StallHalfway)
                stalled = true;
        }
    }
    return 0;
}
