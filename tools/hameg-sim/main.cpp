// hameg-sim: an HM 305 / HM 408 on a pseudo-terminal. See --help.
//
// One loop serves everything: the commands the program sends, the control FIFO, and the bytes
// due on the line. What it sends waits in a queue and leaves at the line's pace, grouped as the
// delivery pattern says; so a control command acts at once, also in the middle of an image.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
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

using Clock = std::chrono::steady_clock;
using std::chrono::duration;
using std::chrono::milliseconds;

constexpr double kLineBytesPerSecond = 960;
constexpr std::size_t kFifoBurst = 14;            // a 16550's receive trigger level
constexpr auto kUsbPacketTime = milliseconds(16); // a USB adapter's latency timer
constexpr std::size_t kUsbPacketBytes = 62;

// Bytes on their way to the program.
struct Outgoing {
    std::vector<uint8_t> Bytes;
    bool IsImage = false;
    int Image = 0;
    std::size_t Sent = 0;
    Clock::time_point Start;
    long Packets = 0; // USB packets sent so far
};

struct Simulator {
    Options options;
    int master = -1;
    int slave = -1;
    int control = -1;
    int slaveNumber = -1;
    std::string slavePath;
    std::string lineSeen;
    bool nextIsZero = false;
    int imagesSent = 0;
    bool running = true;
    std::deque<Outgoing> queue;

    void Log(const std::string& text) {
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
    }

    void WriteLinesFile() {
        if (options.LinesDir.empty() || slaveNumber < 0) return;
        std::string path = options.LinesDir + "/pts-" + std::to_string(slaveNumber);
        std::ofstream(path + ".tmp") << options.Lines << "\n";
        std::rename((path + ".tmp").c_str(), path.c_str());
    }

    double Rate() const { return kLineBytesPerSecond * options.Speed; }

    // When byte `i` of `out` is on the line, a stall included.
    Clock::time_point DueTime(const Outgoing& out, std::size_t i) const {
        if (Rate() <= 0) return out.Start;
        auto at = out.Start + std::chrono::duration_cast<Clock::duration>(
                                  duration<double>(double(i + 1) / Rate()));
        if (out.IsImage && options.StallAfter >= 0 && long(i) >= options.StallAfter)
            at += milliseconds(options.StallMs);
        return at;
    }

    // Bytes of `out` whose time has come by `t`.
    std::size_t DueBy(const Outgoing& out, Clock::time_point t) const {
        std::size_t low = out.Sent, high = out.Bytes.size();
        while (low < high) {
            std::size_t mid = (low + high) / 2;
            if (DueTime(out, mid) <= t)
                low = mid + 1;
            else
                high = mid;
        }
        return low;
    }

    // How many bytes may leave now, by the delivery pattern; and when to look again.
    std::size_t Ready(Outgoing& out, Clock::time_point now, Clock::time_point& next) const {
        std::size_t size = out.Bytes.size(), due = DueBy(out, now);
        std::size_t ready = due;
        if (options.Delivery == DeliveryPattern::Fifo && due < size)
            ready = due / kFifoBurst * kFifoBurst;
        if (options.Delivery == DeliveryPattern::Usb && Rate() > 0) {
            long packet = long((now - out.Start) / kUsbPacketTime);
            ready = packet > out.Packets ? std::min(DueBy(out, out.Start + packet * kUsbPacketTime),
                                                    out.Sent + kUsbPacketBytes)
                                         : out.Sent;
            next = out.Start + (std::max(packet, out.Packets) + 1) * kUsbPacketTime;
            if (ready > out.Sent) out.Packets = packet;
        } else if (ready < size) {
            std::size_t waitFor = options.Delivery == DeliveryPattern::Fifo
                                      ? std::min(size, (ready / kFifoBurst + 1) * kFifoBurst) - 1
                                      : ready;
            next = DueTime(out, waitFor);
        }
        if (out.IsImage && options.HangupAfter >= 0)
            ready = std::min(ready, std::size_t(options.HangupAfter));
        return std::max(ready, out.Sent);
    }

    void Queue(std::vector<uint8_t> bytes, bool isImage) {
        Outgoing out;
        out.Bytes = std::move(bytes);
        out.IsImage = isImage;
        out.Image = imagesSent;
        out.Start = queue.empty() ? Clock::now() : std::max(Clock::now(), queue.back().Start);
        queue.push_back(std::move(out));
    }

    // Writes what is due; returns when to look again.
    Clock::time_point Pump() {
        auto now = Clock::now();
        auto next = now + milliseconds(200);
        while (!queue.empty() && master >= 0) {
            Outgoing& out = queue.front();
            if (out.Sent == 0 && out.Start > now) return out.Start;
            std::size_t ready = Ready(out, now, next);
            if (ready > out.Sent && !WriteAll(out.Bytes.data() + out.Sent, ready - out.Sent)) {
                Unplug("write failed");
                break;
            }
            out.Sent = ready;
            if (out.IsImage && options.HangupAfter >= 0 && long(out.Sent) == options.HangupAfter) {
                // Closing the master discards what the program has not read yet: the bytes
                // already sent arrive first, as they would on a wire.
                WaitUntilTaken();
                Hangup();
                break;
            }
            if (out.Sent < out.Bytes.size()) return next;
            if (out.IsImage) LastByteSent(out.Image);
            queue.pop_front();
            if (!queue.empty()) queue.front().Start = std::max(queue.front().Start, now);
        }
        return next;
    }

    void LastByteSent(int image) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        std::printf("image %d last byte at %lld.%09ld\n", image, (long long)now.tv_sec,
                    now.tv_nsec);
        std::fflush(stdout);
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
            std::this_thread::sleep_for(milliseconds(5));
        }
    }

    void CloseTerminal() {
        queue.clear();
        if (master >= 0) close(master);
        if (slave >= 0) close(slave);
        master = slave = -1;
    }

    // The line is gone for good: the simulator ends. The link goes too, so that the program
    // cannot open a terminal that another process got under the freed number since.
    void Hangup() {
        Log("hangup");
        CloseTerminal();
        if (!options.Link.empty()) unlink(options.Link.c_str());
        running = false;
    }

    // The adapter pulled out: the line vanishes until "replug" brings a new one on the same link.
    void Unplug(const std::string& why) {
        Log("unplug: " + why);
        CloseTerminal();
    }

    void SaveImage(const std::vector<uint8_t>& image) {
        if (options.SaveDir.empty()) return;
        std::string path = options.SaveDir + "/image-" + std::to_string(imagesSent) + ".bin";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), long(image.size()));
    }

    // The line as the program set it, and whether an instrument at 9600 baud, 8 data bits, no
    // parity, 1 stop bit, no flow control understands it. A pseudo-terminal always carries 8
    // bits without parity; the speed, the stop bits and the flow control are what it keeps.
    bool LineUnderstood() {
        termios line{};
        if (tcgetattr(slave, &line) != 0) return false;
        bool speed = cfgetispeed(&line) == B9600 && cfgetospeed(&line) == B9600;
        bool frame =
            (line.c_cflag & CSIZE) == CS8 && !(line.c_cflag & PARENB) && !(line.c_cflag & CSTOPB);
        bool flow = !(line.c_cflag & CRTSCTS) && !(line.c_iflag & (IXON | IXOFF));
        std::string seen = std::string(speed ? "9600" : "other-speed") + " " +
                           (frame ? "8N1" : "other-frame") + " " +
                           (flow ? "no-flow-control" : "flow-control");
        if (seen != lineSeen) Log("line " + (lineSeen = seen));
        return speed && frame && flow;
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
        Queue(std::move(answer), false);
    }

    // The generator scpi-sim plays, when it writes its output where the options say.
    void FollowGenerator() {
        double frequency = 0, peakToPeak = 0;
        int on = 0;
        std::ifstream state(options.GeneratorState);
        if (!(state >> frequency >> peakToPeak >> on) || frequency <= 0) return;
        options.Bench.Frequency = frequency;
        options.Bench.Amplitude = on ? peakToPeak / 2 : 0;
        double gain = 0, degrees = 0;
        if (state >> gain >> degrees) {
            options.Bench.Gain = gain;
            options.Bench.Degrees = degrees;
        }
    }

    void AnswerDig() {
        if (options.Bench.Kind == FilterKind::Circuit && !options.GeneratorState.empty())
            FollowGenerator();
        std::vector<uint8_t> image =
            nextIsZero ? ZeroImage(options, unsigned(imagesSent)) : SignalImage(options);
        nextIsZero = !nextIsZero && !options.NoZero;
        if (options.Truncate >= 0 && std::size_t(options.Truncate) < image.size())
            image.resize(std::size_t(options.Truncate));
        ++imagesSent;
        SaveImage(image);
        Log("image " + std::to_string(imagesSent) + ": " + std::to_string(image.size()) + " bytes");
        Queue(image, true);
        if (options.Extra > 0) Queue(std::vector<uint8_t>(std::size_t(options.Extra), 0x55), false);
    }

    void Command(const std::string& line) {
        if (options.NoAnswer || line.empty()) return;
        if (line != "ID?" && line != "DIG") return;
        if (!LineUnderstood()) {
            Log("refused " + line + ": the line is not 9600 8N1 without flow control");
            return;
        }
        if (line == "ID?")
            AnswerIdentity();
        else
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
        } else if (name == "unplug") {
            Unplug("asked");
        } else if (name == "replug") {
            if (master < 0 && !OpenTerminal()) std::perror("hameg-sim: replug");
        } else if (name == "send") {
            std::vector<uint8_t> bytes;
            for (std::size_t i = 0; i + 1 < value.size(); i += 2)
                bytes.push_back(uint8_t(std::strtol(value.substr(i, 2).c_str(), nullptr, 16)));
            if (master >= 0) WriteAll(bytes.data(), bytes.size());
        } else if (name == "flood") {
            std::vector<uint8_t> bytes(std::size_t(std::atol(value.c_str())));
            for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i);
            if (master >= 0) WriteAll(bytes.data(), bytes.size());
        } else {
            std::string error;
            if (!SetOption(options, name, value, error))
                std::fprintf(stderr, "%s\n", error.c_str());
            if (name == "lines") WriteLinesFile();
        }
        Log("control: " + line);
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
        lineSeen.clear();
        WriteLinesFile();
        if (!options.Link.empty()) {
            std::string temp = options.Link + ".new";
            unlink(temp.c_str());
            if (symlink(slavePath.c_str(), temp.c_str()) != 0 ||
                rename(temp.c_str(), options.Link.c_str()) != 0)
                return false;
        }
        Log("slave " + slavePath);
        return true;
    }

    // Whole lines out of what a descriptor gives: each one to `take`.
    template <typename Take>
    static void Lines(const char* bytes, ssize_t n, std::string& partial, Take take, bool crToo) {
        for (ssize_t i = 0; i < n; ++i) {
            char c = bytes[i];
            if (c == '\n' || (crToo && c == '\r')) {
                take(partial);
                partial.clear();
            } else if (partial.size() < 256) {
                partial += c;
            }
        }
    }

    void Run() {
        std::string line, controlLine;
        std::FILE* received =
            options.Received.empty() ? nullptr : std::fopen(options.Received.c_str(), "ab");
        while (running) {
            auto wake = Pump();
            if (!running) break;
            // To the microsecond: the line's pace is a byte every 1.04 ms.
            long long waitUs = std::clamp<long long>(
                std::chrono::duration_cast<std::chrono::microseconds>(wake - Clock::now()).count(),
                0, 200000);
            timespec timeout{time_t(waitUs / 1000000), long(waitUs % 1000000) * 1000};
            pollfd fds[2] = {{control, POLLIN, 0}, {master, POLLIN, 0}};
            nfds_t count = master >= 0 ? 2 : 1;
            if (ppoll(fds, count, &timeout, nullptr) < 0 && errno != EINTR) break;
            if (fds[0].revents & POLLIN) {
                char buffer[256];
                ssize_t n = read(control, buffer, sizeof buffer);
                Lines(
                    buffer, n, controlLine, [&](const std::string& l) { ControlCommand(l); },
                    false);
            }
            if (count == 2 && master >= 0 && (fds[1].revents & POLLIN)) {
                char buffer[256];
                ssize_t n = read(master, buffer, sizeof buffer);
                if (n <= 0) continue;
                if (received) {
                    std::fwrite(buffer, 1, std::size_t(n), received);
                    std::fflush(received);
                }
                Lines(
                    buffer, n, line, [&](const std::string& l) { Command(l); }, true);
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
    sim.Run();
    return 0;
}
