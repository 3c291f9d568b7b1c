// A sweep's points against their floor, the sweep's own code over the real sockets to scpi-sim
// (started by bench/run with a generator and a low-pass, at the scope family's pace):
//   sweep_benchmark <scope port> <generator port | own> <points> <latency s> <bytes/s>
//                   [<suffix> [<generator pause ms>]]
// prints "sweep_point_ratio<suffix>": the median over the points of a point's wall time against
// its floor (the settling wait, each capture's screen and one period, the bytes at the profile's
// rate, the scope's round trips at its latency, and each generator query's pause after a
// command, as a DG1022 needs); "captures_per_point", "round_trips_per_point", and for a 41-point
// sweep from 10 Hz to 100 kHz "sweep_41_s". "own": the scope's own generator, on its connection.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/Seconds.h"
#include "instrument/ScopeControl.h"
#include "instrument/ScopeDialect.h"
#include "instrument/Sweeper.h"
#include "instrument/TcpStream.h"

namespace {

class CountingStream : public ByteStream {
public:
    explicit CountingStream(ByteStream& inner) : inner_(inner) {}
    void Write(const std::string& bytes) override { inner_.Write(bytes); }
    std::size_t Read(uint8_t* into, std::size_t most) override {
        std::size_t got = inner_.Read(into, most);
        Bytes += got;
        return got;
    }
    std::size_t Bytes = 0;

private:
    ByteStream& inner_;
};

class CountingSession : public ScpiSession {
public:
    explicit CountingSession(ByteStream& stream) : session_(stream) {}
    void Send(const std::string& command) override { session_.Send(command); }
    std::string Query(const std::string& command) override {
        ++RoundTrips;
        return session_.Query(command);
    }
    std::vector<uint8_t> QueryBlock(const std::string& command,
                                    const BlockRequest& request) override {
        ++RoundTrips;
        return session_.QueryBlock(command, request);
    }
    int RoundTrips = 0;

private:
    StreamSession session_;
};

void Wait(double seconds) {
    if (seconds > 0) Sleep(DWORD(seconds * 1000 + 0.999));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 6 || argc > 8) return std::fprintf(stderr, "usage: see the file's head\n"), 2;
    int scopePort = std::atoi(argv[1]);
    bool own = std::string(argv[2]) == "own";
    int generatorPort = own ? 0 : std::atoi(argv[2]);
    int count = std::atoi(argv[3]);
    double latency = std::atof(argv[4]), rate = std::atof(argv[5]);
    std::string suffix = argc > 6 ? argv[6] : "";
    double pause = argc > 7 ? std::atof(argv[7]) / 1000 : 0;
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    HANDLE cancel = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    try {
        TcpStream scopeSocket("127.0.0.1", scopePort, cancel, 2000, 3000);
        CountingStream scopeStream(scopeSocket);
        CountingSession scope(scopeStream);
        ScopeIdentity scopeIdentity = IdentifyScope(scope.Query("*IDN?")).value();
        std::unique_ptr<TcpStream> generatorSocket;
        std::unique_ptr<CountingSession> generatorSession;
        GeneratorIdentity generatorIdentity;
        if (own) {
            const GeneratorDialect* dialect =
                scopeIdentity.Speaks->OwnGenerator(scope, scopeIdentity);
            if (!dialect) throw std::runtime_error("no generator of its own");
            generatorIdentity = {scopeIdentity.Make, scopeIdentity.Model, scopeIdentity.Serial,
                                 dialect};
        } else {
            generatorSocket =
                std::make_unique<TcpStream>("127.0.0.1", generatorPort, cancel, 2000, 3000);
            generatorSession = std::make_unique<CountingSession>(*generatorSocket);
            generatorIdentity = IdentifyGenerator(generatorSession->Query("*IDN?")).value();
        }
        ScopeControl control(scope, scopeIdentity, Wait);
        std::unique_ptr<Generator> generator = MakeGenerator(
            own ? static_cast<ScpiSession&>(scope) : *generatorSession, generatorIdentity, 1);
        SweepSettings settings;
        Sweeper sweeper(*generator, control, settings, Wait);
        sweeper.Begin();
        std::vector<double> ratios;
        double captures = 0, trips = 0, total = 0;
        std::vector<double> frequencies = SweepFrequencies(10, 100000, count == 41 ? 10 : 5);
        frequencies.resize(std::min<std::size_t>(frequencies.size(), std::size_t(count)));
        for (double f : frequencies) {
            std::size_t bytesBefore = scopeStream.Bytes;
            int tripsBefore = scope.RoundTrips;
            int generatorBefore = generatorSession ? generatorSession->RoundTrips : 0;
            double start = Seconds();
            SweepPoint point = sweeper.Measure(f, {});
            double took = Seconds() - start;
            double window = control.DivisionsAcross() * TimeBaseFor(f, control.DivisionsAcross());
            int pointTrips = scope.RoundTrips - tripsBefore;
            int generatorQueries =
                generatorSession ? generatorSession->RoundTrips - generatorBefore : 0;
            double floor =
                SettlingSeconds(f, settings.SettlingMs / 1000, settings.SettlingPeriods) +
                point.Captures * (window + 1 / f) + double(scopeStream.Bytes - bytesBefore) / rate +
                pointTrips * latency + generatorQueries * pause;
            ratios.push_back(took / floor);
            captures += point.Captures;
            trips += pointTrips;
            total += took;
        }
        sweeper.End();
        std::sort(ratios.begin(), ratios.end());
        const char* x = suffix.c_str();
        std::printf("sweep_point_ratio%s %.4f\n", x, ratios[ratios.size() / 2]);
        std::printf("captures_per_point%s %.3f\n", x, captures / double(frequencies.size()));
        std::printf("round_trips_per_point%s %.3f\n", x, trips / double(frequencies.size()));
        if (frequencies.size() == 41) std::printf("sweep_41_s%s %.3f\n", x, total);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "sweep_benchmark: %s\n", error.what());
        return 1;
    }
    return 0;
}
