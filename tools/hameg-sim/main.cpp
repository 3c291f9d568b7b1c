// hameg-sim: an HM 305 / HM 408 on a pseudo-terminal. See --help.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

#include "tools/hameg-sim/Image.h"
#include "tools/hameg-sim/Options.h"

namespace {

constexpr double kLineBytesPerSecond = 960;

struct Simulator {
    Options options;
    int master = -1;
    int slave = -1;
    int control = -1;
    int slaveNumber = -1;
    std::string slavePath;
    bool nextIsZero = false;
    int imagesSent = 0;
    bool running = true;

    void WriteLinesFile() {
        if (options.LinesDir.empty()) return;
        std::string path = options.LinesDir + "/pts-" + std::to_string(slaveNumber);
        std::ofstream(path + ".tmp") << options.Lines << "\n";
        std::rename((path + ".tmp").c_str(), path.c_str());
    }

    // Writes bytes at the line's pace; false once the line is closed.
    bool Send(const std::vector<uint8_t>& bytes, bool isImage) {
        auto start = std::chrono::steady_clock::now();
        double rate = kLineBytesPerSecond * options.Speed;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (isImage && options.HangupAfter >= 0 && long(i) == options.HangupAfter) {
                // Closing the master discards what the program has not read yet: the bytes
                // already sent arrive first, as they would on a wire.
                WaitUntilTaken();
                Hangup();
                return false;
            }
            if (isImage && options.StallAfter >= 0 && long(i) == options.StallAfter) {
                std::this_thread::sleep_for(std::chrono::milliseconds(options.StallMs));
                start = std::chrono::steady_clock::now() -
                        std::chrono::microseconds(long(i * 1e6 / std::max(rate, 1.0)));
            }
            if (rate > 0)
                std::this_thread::sleep_until(
                    start + std::chrono::microseconds(long((i + 1) * 1e6 / rate)));
            std::size_t chunk = rate > 0 ? 1 : bytes.size() - i;
            if (isImage && options.HangupAfter >= 0)
                chunk = std::min(chunk, std::size_t(options.HangupAfter) - i);
            if (isImage && options.StallAfter >= 0 && long(i) < options.StallAfter)
                chunk = std::min(chunk, std::size_t(options.StallAfter) - i);
            if (!WriteAll(bytes.data() + i, chunk)) return false;
            i += chunk - 1;
        }
        return true;
    }

    bool WriteAll(const uint8_t* data, std::size_t n) {
        while (n > 0) {
            ssize_t written = write(master, data, n);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return false;
            data += written;
            n -= std::size_t(written);
        }
        return true;
    }

    // Waits (at most ten seconds) until the program has read every byte sent so far.
    void WaitUntilTaken() {
        for (int i = 0; i < 2000; ++i) {
            int unread = 0;
            if (ioctl(slave, FIONREAD, &unread) != 0 || unread == 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    void Hangup() {
        std::printf("hangup\n");
        std::fflush(stdout);
        close(master);
        master = -1;
        running = false;
    }

    void SaveImage(const std::vector<uint8_t>& image) {
        if (options.SaveDir.empty()) return;
        std::string path = options.SaveDir + "/image-" + std::to_string(imagesSent) + ".bin";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), long(image.size()));
    }

    void AnswerIdentity() {
        std::vector<uint8_t> answer;
        for (long i = 0; i < options.Garbage; ++i) answer.push_back(uint8_t(0x80 + i % 100));
        std::string id =
            options.Identity.empty() ? (options.Hm408 ? "HM408" : "HM305") : options.Identity;
        answer.insert(answer.end(), id.begin(), id.end());
        answer.push_back('\r');
        answer.push_back('\n');
        nextIsZero = false;
        Send(answer, false);
    }

    void AnswerDig() {
        std::vector<uint8_t> image =
            nextIsZero ? ZeroImage(options, unsigned(imagesSent)) : SignalImage(options);
        nextIsZero = !nextIsZero;
        if (options.Truncate >= 0 && std::size_t(options.Truncate) < image.size())
            image.resize(std::size_t(options.Truncate));
        ++imagesSent;
        SaveImage(image);
        std::printf("image %d: %zu bytes\n", imagesSent, image.size());
        std::fflush(stdout);
        if (!Send(image, true)) return;
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        std::printf("image %d last byte at %lld.%09ld\n", imagesSent, (long long)now.tv_sec,
                    now.tv_nsec);
        std::fflush(stdout);
        std::vector<uint8_t> extra(std::size_t(options.Extra), 0x55);
        Send(extra, false);
    }

    void Command(const std::string& line) {
        if (options.NoAnswer || line.empty()) return;
        if (line == "ID?")
            AnswerIdentity();
        else if (line == "DIG")
            AnswerDig();
    }

    void ControlCommand(const std::string& line) {
        auto space = line.find(' ');
        std::string name = line.substr(0, space);
        std::string value = space == std::string::npos ? "" : line.substr(space + 1);
        if (name == "quit") {
            running = false;
        } else if (name == "hangup") {
            Hangup();
        } else if (name == "send") {
            std::vector<uint8_t> bytes;
            for (std::size_t i = 0; i + 1 < value.size(); i += 2)
                bytes.push_back(uint8_t(std::strtol(value.substr(i, 2).c_str(), nullptr, 16)));
            WriteAll(bytes.data(), bytes.size());
        } else if (name == "flood") {
            std::vector<uint8_t> bytes(std::size_t(std::atol(value.c_str())));
            for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i);
            WriteAll(bytes.data(), bytes.size());
        } else {
            std::string error;
            if (!SetOption(options, name, value, error))
                std::fprintf(stderr, "%s\n", error.c_str());
            if (name == "lines") WriteLinesFile();
        }
        std::printf("control: %s\n", line.c_str());
        std::fflush(stdout);
    }

    bool OpenTerminal() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return false;
        slavePath = ptsname(master);
        slaveNumber = std::atoi(slavePath.c_str() + std::strlen("/dev/pts/"));
        // Holding the slave open keeps the master readable while no program has the port, and
        // a raw slave never echoes the images back.
        slave = open(slavePath.c_str(), O_RDWR | O_NOCTTY);
        if (slave < 0) return false;
        termios raw{};
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
        WriteLinesFile();
        if (!options.Link.empty()) {
            std::string temp = options.Link + ".new";
            unlink(temp.c_str());
            if (symlink(slavePath.c_str(), temp.c_str()) != 0 ||
                rename(temp.c_str(), options.Link.c_str()) != 0)
                return false;
        }
        return true;
    }

    void Run() {
        std::string line, controlLine;
        std::FILE* received =
            options.Received.empty() ? nullptr : std::fopen(options.Received.c_str(), "ab");
        while (running && master >= 0) {
            pollfd fds[2] = {{master, POLLIN, 0}, {control, POLLIN, 0}};
            int count = control >= 0 ? 2 : 1;
            if (poll(fds, nfds_t(count), 200) < 0 && errno != EINTR) break;
            if (fds[0].revents & POLLIN) {
                uint8_t buffer[256];
                ssize_t n = read(master, buffer, sizeof buffer);
                if (n <= 0) continue;
                if (received) {
                    std::fwrite(buffer, 1, std::size_t(n), received);
                    std::fflush(received);
                }
                for (ssize_t i = 0; i < n; ++i) {
                    if (buffer[i] == '\r' || buffer[i] == '\n') {
                        Command(line);
                        line.clear();
                    } else if (line.size() < 256) {
                        line += char(buffer[i]);
                    }
                }
            }
            if (count == 2 && (fds[1].revents & POLLIN)) {
                char buffer[256];
                ssize_t n = read(control, buffer, sizeof buffer);
                for (ssize_t i = 0; i < n; ++i) {
                    if (buffer[i] == '\n') {
                        ControlCommand(controlLine);
                        controlLine.clear();
                    } else {
                        controlLine += buffer[i];
                    }
                }
            }
        }
        if (received) std::fclose(received);
    }
};

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    Simulator sim;
    std::string error;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(HelpText(), stdout);
            return 0;
        }
        if (arg.rfind("--", 0) != 0) {
            std::fprintf(stderr, "hameg-sim: unexpected argument %s (see --help)\n", arg.c_str());
            return 2;
        }
        std::string name = arg.substr(2);
        // A following argument that is not an option is the value; a lone flag means "on".
        std::string value;
        if (i + 1 < argc && std::string(argv[i + 1]).rfind("--", 0) != 0) value = argv[++i];
        bool ok = name == "config" ? ReadConfigFile(sim.options, value, error)
                                   : SetOption(sim.options, name, value, error);
        if (!ok) {
            std::fprintf(stderr, "hameg-sim: %s\n", error.c_str());
            return 2;
        }
    }
    if (!sim.options.Control.empty()) {
        unlink(sim.options.Control.c_str());
        if (mkfifo(sim.options.Control.c_str(), 0600) != 0) {
            std::perror("hameg-sim: control FIFO");
            return 1;
        }
        // Read and write, so the FIFO never reports end-of-file between writers.
        sim.control = open(sim.options.Control.c_str(), O_RDWR | O_NONBLOCK);
    }
    if (!sim.OpenTerminal()) {
        std::perror("hameg-sim: pseudo-terminal");
        return 1;
    }
    std::printf("slave %s\n", sim.slavePath.c_str());
    std::fflush(stdout);
    sim.Run();
    return 0;
}
