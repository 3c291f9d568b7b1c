// A sweep's points against their floor, the sweep's own code over the real sockets to scpi-sim
// (started by bench/run with a generator and a low-pass, at the scope family's pace):
//   sweep_benchmark <scope port> <generator port> <points> <latency s> <bytes/s>
// prints "sweep_point_ratio": the median over the points of a point's wall time against its
// floor (the settling wait, each capture's screen and one period, the bytes at the profile's rate
// and the round trips at its latency); "captures_per_point", "round_trips_per_point", and for a
// 41-point sweep from 10 Hz to 100 kHz "sweep_41_s".
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/Seconds.h"
#include "instrument/ScopeControl.h"
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
    if (argc != 6) return std::fprintf(stderr, "usage: see the file's head\n"), 2;
    int scopePort = std::atoi(argv[1]), generatorPort = std::atoi(argv[2]);
    int count = std::atoi(argv[3]);
    double latency = std::atof(argv[4]), rate = std::atof(argv[5]);
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    HANDLE cancel = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    try {
        TcpStream scopeSocket("127.0.0.1", scopePort, cancel, 2000, 3000);
        TcpStream generatorSocket("127.0.0.1", generatorPort, cancel, 2000, 3000);
        CountingStream scopeStream(scopeSocket);
        CountingSession scope(scopeStream);
        StreamSession generatorSession(generatorSocket);
        ScopeIdentity scopeIdentity = IdentifyScope(scope.Query("*IDN?")).value();
        GeneratorIdentity generatorIdentity =
            IdentifyGenerator(generatorSession.Query("*IDN?")).value();
        ScopeControl control(scope, scopeIdentity, Wait);
        std::unique_ptr<Generator> generator =
            MakeGenerator(generatorSession, generatorIdentity, 1);
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
            double start = Seconds();
            SweepPoint point = sweeper.Measure(f, {});
            double took = Seconds() - start;
            double window = control.DivisionsAcross() * TimeBaseFor(f, control.DivisionsAcross());
            int pointTrips = scope.RoundTrips - tripsBefore;
            double floor =
                SettlingSeconds(f, settings.SettlingMs / 1000, settings.SettlingPeriods) +
                point.Captures * (window + 1 / f) + double(scopeStream.Bytes - bytesBefore) / rate +
                pointTrips * latency;
            ratios.push_back(took / floor);
            captures += point.Captures;
            trips += pointTrips;
            total += took;
        }
        sweeper.End();
        std::sort(ratios.begin(), ratios.end());
        std::printf("sweep_point_ratio %.4f\n", ratios[ratios.size() / 2]);
        std::printf("captures_per_point %.3f\n", captures / double(frequencies.size()));
        std::printf("round_trips_per_point %.3f\n", trips / double(frequencies.size()));
        if (frequencies.size() == 41) std::printf("sweep_41_s %.3f\n", total);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "sweep_benchmark: %s\n", error.what());
        return 1;
    }
    return 0;
}
