#pragma once
// What a serial test needs from the instrument simulator that tests/serial/with-sim started.
#include <windows.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "ui/MessageLoop.h"

// The simulator's COM number; with "with-sim --two", simulator 2 is on another one (0: none).
inline uint16_t SimCom(int simulator = 1) {
    const char* com = std::getenv(simulator == 1 ? "VEXOR_TEST_COM" : "VEXOR_TEST_COM2");
    return com ? uint16_t(std::atoi(com)) : 0;
}
inline uint16_t SimCom2() { return SimCom(2); }

inline std::string SimPath(const std::string& name, int simulator = 1) {
    const char* dir = std::getenv(simulator == 1 ? "VEXOR_SIM_DIR" : "VEXOR_SIM2_DIR");
    return std::string(dir ? dir : ".") + "\\" + name;
}

inline std::string SimLog(int simulator = 1) {
    std::ifstream in(SimPath("sim.log", simulator), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// How often the simulator's log holds `text`.
inline int SimLogCount(const std::string& text, int simulator = 1) {
    std::string log = SimLog(simulator);
    int count = 0;
    for (std::size_t at = 0; (at = log.find(text, at)) != std::string::npos; ++at) ++count;
    return count;
}

// One command to the simulator's control FIFO ("hangup-after 1000", "model hm408" ...), waiting
// until the simulator has taken it: a command to the instrument sent right after must find it
// in force. A command it never takes ends the test program: the harness itself is broken.
// Commands that keep the simulator busy ("flood") are acknowledged once done, so they are not
// waited for.
inline void SimControl(const std::string& command, int simulator = 1) {
    std::string acknowledgement = "control: " + command + "\n";
    int seen = SimLogCount(acknowledgement, simulator);
    std::ofstream(SimPath("control", simulator), std::ios::binary) << command << "\n";
    if (command.rfind("flood", 0) == 0 || command == "hangup") return;
    for (int i = 0; i < 3000; ++i) {
        if (SimLogCount(acknowledgement, simulator) > seen) return;
        Sleep(10);
    }
    std::fprintf(stderr, "the simulator did not take \"%s\" within 30 s\n", command.c_str());
    std::abort();
}

// Images the simulator has begun to send: each answer to "DIG", counted as soon as it is asked.
inline int SimImagesSent() {
    std::istringstream log(SimLog());
    int count = 0;
    for (std::string line; std::getline(log, line);)
        count += line.rfind("image ", 0) == 0 && line.find(": ") != std::string::npos;
    return count;
}

inline std::vector<uint8_t> SimFile(const std::string& name) {
    std::ifstream in(SimPath(name), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// How often the bytes the simulator received hold `text` ("ID?\r\n": the identifications).
inline int SimReceivedCount(const std::string& text) {
    std::vector<uint8_t> bytes = SimFile("received.bin");
    std::string received(bytes.begin(), bytes.end());
    int count = 0;
    for (std::size_t at = 0; (at = received.find(text, at)) != std::string::npos; ++at) ++count;
    return count;
}

// The network scope "with-sim --scpi" started: its loopback port (0: none).
inline int ScpiPort() {
    const char* port = std::getenv("VEXOR_SCPI_PORT");
    return port ? std::atoi(port) : 0;
}

// The function generator beside it: its loopback port (0: none).
inline int GeneratorPort() {
    const char* port = std::getenv("VEXOR_GENERATOR_PORT");
    return port ? std::atoi(port) : 0;
}

// The COM number of the serial generator "with-sim --serial-generator" started (0: none).
inline int GeneratorCom() {
    const char* com = std::getenv("VEXOR_GENERATOR_COM");
    return com ? std::atoi(com) : 0;
}

// One "name value" setting to the network scope, in force once this returns; "generator.name
// value" to the generator, "circuit lowpass R C" to what lies between them.
inline void ScpiControl(const std::string& command) {
    auto count = [&] {
        std::ifstream in(SimPath("scpi.log"), std::ios::binary);
        std::string log(std::istreambuf_iterator<char>(in), {});
        int found = 0;
        for (std::size_t at = 0;
             (at = log.find("control: " + command + "\n", at)) != std::string::npos; ++at)
            ++found;
        return found;
    };
    int seen = count();
    std::ofstream(SimPath("scpi-control"), std::ios::binary) << command << "\n";
    for (int i = 0; i < 3000; ++i) {
        if (count() > seen) return;
        Sleep(10);
    }
    std::fprintf(stderr, "the network scope did not take \"%s\" within 30 s\n", command.c_str());
    std::abort();
}

// The volts the network scope last sent for `channel`, and the seconds between them (first).
inline std::vector<double> ScpiSent(int channel) {
    std::ifstream in(SimPath("scpi.ch" + std::to_string(channel)));
    std::vector<double> values;
    for (double value; in >> value;) values.push_back(value);
    return values;
}

// Serves this thread's messages until `done` or the time-out; false on time-out.
inline bool PumpUntil(const std::function<bool()>& done, int ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        WaitProcessingMessages(nullptr, 5);
    }
    return true;
}
