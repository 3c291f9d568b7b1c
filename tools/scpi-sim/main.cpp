// scpi-sim: a network instrument on loopback TCP. See --help.
//
// One connection at a time, as the program makes one for each read. Command lines end with LF;
// each answer leaves after the profile's latency and at its byte rate. The control FIFO takes the
// same "name value" options as the command line, at any time between two commands.
#include <cerrno>
#include <chrono>
#include <cmath>
#include <complex>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <iomanip>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "tools/scpi-sim/Generator.h"
#include "tools/scpi-sim/Scope.h"

namespace {

const char* kHelp = R"(scpi-sim: a network oscilloscope on 127.0.0.1, one connection at a time.
  --model M           rigol-ds1054z, rigol-dho804, siglent-sds1104x-e, siglent-sds2104x-plus,
                      siglent-sds1104x-hd, tektronix-tbs1052b, tektronix-tbs2104,
                      keysight-dsox1204g (with its WaveGen), keysight-dsox2002a,
                      rigol-ds1104z-s (with its source) (first option)
  --port N            listen on port N (default: one the system chooses)
  --port-file F       write the port listened on to F once listening
  Each connection's end is said on stderr as "connection: answers N bytes B floor_ms F": F is
  what its answers cost at the profile's latency and byte rate.
  --control F         a FIFO taking "name value" lines at run time, each acknowledged on stderr
                      as "control: <line>" once in force
  --log F             append each command line received to F
  --generator M       also a function generator, siglent-sdg1032x, rigol-dg812,
                      keysight-33522b, rigol-dg1022, tektronix-afg1022 or keysight-33220a, on a
                      port of its own; the scope's CH1 then shows its output and CH2 the
                      circuit's
  --generator-port-file F, --generator-log F: as --port-file and --log, for the generator
  --serial-generator M  a generator on a serial line instead, feeltech-fy6900, jds6600 or
                      gwinstek-afg2125: a
                      pseudo-terminal linked from --serial-link PATH, its modem lines for the
                      test shim in --lines-dir DIR; its commands logged to --generator-log
  --generator-state F after each command to the wired generator, and before its answer, write
                      its output to F as "FREQUENCY VPP ON" (ON 1 or 0), followed by the
                      circuit's gain and phase in degrees at that frequency once one is wired:
                      hameg-sim's --generator-state reads it, so that an HM shows them too
  --circuit C         lowpass, highpass or bandpass between generator and scope, of --r OHMS,
                      --c FARADS and, for the band-pass, --l HENRIES (a series RLC, CH2
                      across R); without it the scope shows its own waveforms
  On the control FIFO, "generator.fault none|ignore-frequency|ignore-frequencies|drop|late" and
  "generator.model M" go to the generator (late: each answer 1.5 s late); "circuit lowpass|highpass|bandpass R C [L]" wires
  the scope to it, "circuit-own lowpass R C" to the scope's own generator, "circuit none" unwires.
  Scope options, as "--name value" here or "name value" on the control FIFO:
  idn TEXT, state run|stop|single, sweep auto|normal|single (the trigger's), headers short|off
  (Siglent's and Tektronix's reply headers), timebase S, rate SA_PER_S, record N (a TBS2000's
  and a Keysight's points), first-answer S, noise V, noise-counts N, seed N,
  pace none|real, dump PREFIX, fault none|stall|reset|short|bad-header|huge|bad-preamble|
  silence|unanswered|length-quirk, and per channel (1 to 4): shownN on|off,
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

using Clock = std::chrono::steady_clock;

// Sends `bytes` at the profile's rate, the first of them the profile's latency after `received`,
// when the command came: the instrument's own work (a trace made, its volts dumped) is part of
// its latency, as a real instrument's is. False when the connection went away.
bool SendPaced(int socket, const std::string& bytes, const Profile& pace,
               Clock::time_point received) {
    constexpr std::size_t kChunk = 1460;
    auto start = received +
                 std::chrono::duration_cast<Clock::duration>(
                     std::chrono::duration<double>(pace.LatencySeconds + pace.FirstAnswerSeconds));
    std::this_thread::sleep_until(start);
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

// "circuit lowpass|highpass|bandpass R C [L]" wires the scope to the generator through that
// circuit; "circuit none" gives the scope its own waveforms again.
bool Rewire(Scope& scope, FunctionGenerator* generator, const std::string& value,
            std::string& error) {
    std::istringstream words(value);
    std::string kind;
    words >> kind;
    if (kind == "none") return scope.Wire(nullptr, {}), true;
    Circuit circuit;
    if (!generator || !CircuitKindNamed(kind, circuit.Kind) || !(words >> circuit.R >> circuit.C))
        return error = "bad circuit: " + value, false;
    words >> circuit.L;
    scope.Wire([generator] { return generator->Output(); }, circuit);
    return true;
}

void ApplyControl(Scope& scope, FunctionGenerator* generator, std::string& pending, int fifo) {
    char buffer[512];
    ssize_t got = ::read(fifo, buffer, sizeof buffer);
    if (got <= 0) return;
    pending.append(buffer, std::size_t(got));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        std::size_t space = line.find(' ');
        std::string error, name = line.substr(0, space);
        Instrument* instrument = &scope;
        if (generator && name.rfind("generator.", 0) == 0) {
            instrument = generator;
            name = name.substr(10);
        }
        bool taken = space != std::string::npos &&
                     (name == "circuit" ? Rewire(scope, generator, line.substr(space + 1), error)
                                        : instrument->Set(name, line.substr(space + 1), error));
        if (!taken)
            std::fprintf(stderr, "scpi-sim: %s\n", error.empty() ? line.c_str() : error.c_str());
        // Said once the setting is in force, for a test that waits for it.
        std::fprintf(stderr, "control: %s\n", line.c_str());
    }
}

// "FREQUENCY VPP ON", and the wired circuit's gain and phase (degrees) at that frequency.
void WriteGeneratorState(const std::string& path, const GeneratorOutput& output,
                         const std::optional<Circuit>& circuit) {
    std::string temporary = path + ".part";
    {
        std::ofstream state(temporary);
        state << std::setprecision(17) << output.Frequency << ' ' << output.Amplitude << ' '
              << (output.On ? 1 : 0);
        if (circuit) {
            std::complex<double> h = circuit->Response(output.Frequency);
            state << ' ' << std::abs(h) << ' ' << std::arg(h) * 180 / M_PI;
        }
        state << '\n';
    }
    std::rename(temporary.c_str(), path.c_str());
}

// One instrument's listener and its one connection at a time.
struct Server {
    Instrument* Plays = nullptr;
    const char* Name = "";
    Fd Listener, Connection;
    std::string Received;
    bool Stalled = false;
    std::ofstream Log;
    std::function<void()> Handled; // after each command, before its answer
    // What the connection's answers cost at the profile's pace, said when it ends: a read's
    // floor, for the benchmarks.
    long Answers = 0;
    std::size_t AnswerBytes = 0;

    bool Listen(int port, const std::string& portFile) {
        Listener.Value = ::socket(AF_INET, SOCK_STREAM, 0);
        int yes = 1;
        ::setsockopt(Listener.Value, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(uint16_t(port));
        if (::bind(Listener.Value, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(Listener.Value, 4) != 0) {
            std::fprintf(stderr, "scpi-sim: cannot listen on port %d: %s\n", port,
                         std::strerror(errno));
            return false;
        }
        socklen_t length = sizeof address;
        ::getsockname(Listener.Value, reinterpret_cast<sockaddr*>(&address), &length);
        if (!portFile.empty()) {
            std::string temporary = portFile + ".part";
            std::ofstream(temporary) << ntohs(address.sin_port) << '\n';
            std::rename(temporary.c_str(), portFile.c_str());
        }
        return true;
    }

    void Accept() {
        if (Connection.Value >= 0) return;
        int yes = 1;
        Connection.Value = ::accept(Listener.Value, nullptr, nullptr);
        ::setsockopt(Connection.Value, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        Plays->Reconnected();
        Stalled = false;
        Received.clear();
        Answers = 0;
        AnswerBytes = 0;
    }

    void Ended() {
        Profile pace = Plays->Pace();
        double floor = double(Answers) * pace.LatencySeconds +
                       (Answers > 0 ? pace.FirstAnswerSeconds : 0) +
                       (pace.BytesPerSecond > 0 ? double(AnswerBytes) / pace.BytesPerSecond : 0);
        std::fprintf(stderr, "connection: %sanswers %ld bytes %zu floor_ms %.3f\n", Name, Answers,
                     AnswerBytes, floor * 1000);
        Connection.Close();
    }

    void Serve() {
        char buffer[4096];
        ssize_t got = ::recv(Connection.Value, buffer, sizeof buffer, 0);
        if (got <= 0) return Ended();
        if (Stalled) return;
        Received.append(buffer, std::size_t(got));
        for (std::size_t end;
             Connection.Value >= 0 && (end = Received.find('\n')) != std::string::npos;) {
            std::string line = Received.substr(0, end);
            Received.erase(0, end + 1);
            Clock::time_point received = Clock::now();
            if (Log.is_open()) Log << line << std::endl;
            Answer answer = Plays->Handle(line);
            if (Handled) Handled();
            if (answer.Bytes.empty() && answer.How == Delivery::Whole) continue;
            Profile pace = Plays->Pace();
            if (Answers > 0) pace.FirstAnswerSeconds = 0;
            ++Answers;
            AnswerBytes += answer.Bytes.size();
            std::string bytes = answer.How == Delivery::Whole
                                    ? answer.Bytes
                                    : answer.Bytes.substr(0, answer.Bytes.size() / 2);
            if (!SendPaced(Connection.Value, bytes, pace, received))
                Connection.Close();
            else if (answer.How == Delivery::ResetHalfway)
                ResetConnection(Connection);
            else if (answer.How == Delivery::StallHalfway)
                Stalled = true;
        }
    }
};

// An instrument on a pseudo-terminal, as a serial line carries it: lines in, its answers out.
struct PtyServer {
    Instrument* Plays = nullptr;
    Fd Master, Slave;
    std::string Received;
    std::ofstream Log;
    std::function<void()> Handled; // after each command, before its answer

    bool Open(const std::string& link, const std::string& linesDir) {
        Master.Value = posix_openpt(O_RDWR | O_NOCTTY);
        if (Master.Value < 0 || grantpt(Master.Value) != 0 || unlockpt(Master.Value) != 0)
            return false;
        std::string slave = ptsname(Master.Value);
        // Held open, raw: the master stays readable while no program has the line, and nothing
        // is echoed back.
        Slave.Value = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
        if (Slave.Value < 0) return false;
        termios raw{};
        tcgetattr(Slave.Value, &raw);
        cfmakeraw(&raw);
        tcsetattr(Slave.Value, TCSANOW, &raw);
        if (!linesDir.empty()) {
            std::string lines = linesDir + "/pts-" + slave.substr(slave.rfind('/') + 1);
            std::ofstream(lines + ".tmp") << "CTS DSR CD\n";
            std::rename((lines + ".tmp").c_str(), lines.c_str());
        }
        std::string temporary = link + ".new";
        ::unlink(temporary.c_str());
        if (::symlink(slave.c_str(), temporary.c_str()) != 0 ||
            std::rename(temporary.c_str(), link.c_str()) != 0)
            return false;
        std::fprintf(stderr, "slave %s\n", slave.c_str());
        return true;
    }

    void Serve() {
        char buffer[1024];
        ssize_t got = ::read(Master.Value, buffer, sizeof buffer);
        if (got <= 0) return;
        Received.append(buffer, std::size_t(got));
        for (std::size_t end; (end = Received.find('\n')) != std::string::npos;) {
            std::string line = Received.substr(0, end);
            Received.erase(0, end + 1);
            if (Log.is_open()) Log << line << std::endl;
            std::string bytes = Plays->Handle(line).Bytes;
            if (Handled) Handled();
            for (std::size_t at = 0; at < bytes.size();) {
                ssize_t sent = ::write(Master.Value, bytes.data() + at, bytes.size() - at);
                if (sent <= 0) break;
                at += std::size_t(sent);
            }
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    int port = 0;
    std::string portFile, controlPath, logPath, generatorModel, generatorPortFile, generatorLog;
    std::string serialModel, serialLink, linesDir, generatorState;
    Circuit circuit;
    bool wired = false; // the scope shows the generator through the circuit from the start
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
        double number = std::atof(value.c_str());
        if (name == "port")
            port = std::atoi(value.c_str());
        else if (name == "port-file")
            portFile = value;
        else if (name == "control")
            controlPath = value;
        else if (name == "log")
            logPath = value;
        else if (name == "generator")
            generatorModel = value;
        else if (name == "generator-port-file")
            generatorPortFile = value;
        else if (name == "generator-log")
            generatorLog = value;
        else if (name == "serial-generator")
            serialModel = value;
        else if (name == "serial-link")
            serialLink = value;
        else if (name == "lines-dir")
            linesDir = value;
        else if (name == "generator-state")
            generatorState = value;
        else if (name == "circuit" && CircuitKindNamed(value, circuit.Kind))
            wired = true;
        else if ((name == "r" || name == "c" || name == "l") && number > 0)
            (name == "r" ? circuit.R : name == "c" ? circuit.C : circuit.L) = number;
        else if (!scope->Set(name, value, error))
            return std::fprintf(stderr, "scpi-sim: %s\n", error.c_str()), 2;
    }
    std::signal(SIGTERM, [](int) { stopping = 1; });
    std::signal(SIGINT, [](int) { stopping = 1; });

    std::unique_ptr<FunctionGenerator> generator;
    if (!generatorModel.empty()) {
        GeneratorFamily family;
        if (!GeneratorModel(generatorModel, family))
            return std::fprintf(stderr, "scpi-sim: unknown generator %s\n", generatorModel.c_str()),
                   2;
        generator = std::make_unique<FunctionGenerator>(family);
    }
    // The generator on a serial line, when there is one, is the one wired to the scope.
    std::unique_ptr<FunctionGenerator> serialGenerator;
    PtyServer line;
    if (!serialModel.empty()) {
        GeneratorFamily family;
        if (!GeneratorModel(serialModel, family) || serialLink.empty())
            return std::fprintf(stderr, "scpi-sim: unknown serial generator %s\n",
                                serialModel.c_str()),
                   2;
        serialGenerator = std::make_unique<FunctionGenerator>(family);
        line.Plays = serialGenerator.get();
        if (!generatorLog.empty()) line.Log.open(generatorLog, std::ios::app);
        if (!line.Open(serialLink, linesDir))
            return std::fprintf(stderr, "scpi-sim: no serial line at %s\n", serialLink.c_str()), 1;
    }
    FunctionGenerator* wiredGenerator = serialGenerator ? serialGenerator.get() : generator.get();
    if (wired && wiredGenerator)
        scope->Wire([wiredGenerator] { return wiredGenerator->Output(); }, circuit);
    std::vector<std::unique_ptr<Server>> servers;
    auto serve = [&](Instrument* instrument, const char* name, int on, const std::string& file,
                     const std::string& log) {
        auto server = std::make_unique<Server>();
        server->Plays = instrument;
        server->Name = name;
        if (!log.empty()) server->Log.open(log, std::ios::app);
        bool listening = server->Listen(on, file);
        servers.push_back(std::move(server));
        return listening;
    };
    if (!serve(scope.get(), "", port, portFile, logPath)) return 1;
    if (generator && !serve(generator.get(), "generator ", 0, generatorPortFile, generatorLog))
        return 1;
    std::function<void()> writeState = [] {};
    if (wiredGenerator && !generatorState.empty()) {
        writeState = [wiredGenerator, generatorState, &scope] {
            WriteGeneratorState(generatorState, wiredGenerator->Output(), scope->Wired());
        };
        writeState();
        (serialGenerator ? line.Handled : servers.back()->Handled) = writeState;
    }
    Fd control;
    if (!controlPath.empty()) {
        ::mkfifo(controlPath.c_str(), 0600);
        control.Value = ::open(controlPath.c_str(), O_RDWR | O_NONBLOCK);
    }

    std::string controlPending;
    while (!stopping) {
        std::vector<pollfd> watched{{control.Value, POLLIN, 0}, {line.Master.Value, POLLIN, 0}};
        for (const auto& server : servers) {
            watched.push_back({server->Listener.Value, POLLIN, 0});
            watched.push_back({server->Connection.Value, POLLIN, 0});
        }
        if (::poll(watched.data(), watched.size(), 200) < 0) continue;
        if (watched[0].revents & POLLIN) {
            ApplyControl(*scope, wiredGenerator, controlPending, control.Value);
            writeState();
        }
        if (watched[1].revents & POLLIN) line.Serve();
        for (std::size_t i = 0; i < servers.size(); ++i) {
            Server& server = *servers[i];
            if (watched[2 + 2 * i].revents & POLLIN) server.Accept();
            if ((watched[3 + 2 * i].revents & (POLLIN | POLLHUP | POLLERR)) &&
                server.Connection.Value >= 0)
                server.Serve();
        }
    }
    return 0;
}
