#include "tools/hameg-sim/Options.h"

#include <cmath>
#include <fstream>
#include <sstream>

namespace {

bool ParseDouble(const std::string& text, double& out) {
    try {
        std::size_t used = 0;
        double value = std::stod(text, &used);
        if (used != text.size() || !std::isfinite(value)) return false;
        out = value;
        return true;
    } catch (...) {
        return false;
    }
}

bool ParseSignal(const std::string& text, ChannelSignal& signal) {
    // shape[:amplitude[:periods[:offset[:phase[:duty]]]]], all or nothing
    std::stringstream in(text);
    std::string shape;
    std::getline(in, shape, ':');
    ChannelSignal parsed = signal; // the fields left out keep their values
    if (shape == "sine")
        parsed.Shape = Wave::Sine;
    else if (shape == "square")
        parsed.Shape = Wave::Square;
    else if (shape == "triangle")
        parsed.Shape = Wave::Triangle;
    else if (shape == "flat")
        parsed.Shape = Wave::Flat;
    else if (shape == "pulse")
        parsed.Shape = Wave::Pulse;
    else
        return false;
    double* fields[] = {&parsed.Amplitude, &parsed.Periods, &parsed.Offset, &parsed.Phase,
                        &parsed.Duty};
    std::string part;
    for (double* field : fields) {
        if (!std::getline(in, part, ':')) break;
        if (!ParseDouble(part, *field)) return false;
    }
    if (std::getline(in, part, ':') || parsed.Duty < 0 || parsed.Duty > 100) return false;
    signal = parsed;
    return true;
}

// none, circuit, low-pass:FC or high-pass:FC.
bool ParseFilter(const std::string& text, FilterBench& bench) {
    if (text == "none") return bench.Kind = FilterKind::None, true;
    if (text == "circuit") return bench.Kind = FilterKind::Circuit, true;
    auto colon = text.find(':');
    std::string kind = text.substr(0, colon);
    double cutoff = 0;
    if (colon == std::string::npos || !ParseDouble(text.substr(colon + 1), cutoff) || cutoff <= 0)
        return false;
    if (kind != "low-pass" && kind != "high-pass") return false;
    bench.Kind = kind == "low-pass" ? FilterKind::LowPass : FilterKind::HighPass;
    bench.Cutoff = cutoff;
    return true;
}

// HZ[:VOLTS]
bool ParseGenerator(const std::string& text, FilterBench& bench) {
    auto colon = text.find(':');
    double frequency = 0, amplitude = bench.Amplitude;
    if (!ParseDouble(text.substr(0, colon), frequency) || frequency <= 0) return false;
    if (colon != std::string::npos &&
        (!ParseDouble(text.substr(colon + 1), amplitude) || amplitude < 0))
        return false;
    bench.Frequency = frequency, bench.Amplitude = amplitude;
    return true;
}

bool ParsePositive(const std::string& text, double& out) {
    double value = 0;
    if (!ParseDouble(text, value) || value <= 0) return false;
    out = value;
    return true;
}

bool ParseLong(const std::string& text, long& out) {
    try {
        std::size_t used = 0;
        out = std::stol(text, &used);
        return used == text.size();
    } catch (...) {
        return false;
    }
}

bool ParseBool(const std::string& text, bool& out) {
    if (text.empty() || text == "1" || text == "yes" || text == "on") return out = true, true;
    if (text == "0" || text == "no" || text == "off") return out = false, true;
    return false;
}

} // namespace

bool SetOption(Options& o, const std::string& name, const std::string& value, std::string& error) {
    bool ok = true;
    long number = 0;
    auto withNumber = [&](long& field) {
        ok = ParseLong(value, number);
        if (ok) field = number;
    };
    if (name == "link")
        o.Link = value;
    else if (name == "lines-dir")
        o.LinesDir = value;
    else if (name == "control")
        o.Control = value;
    else if (name == "save-dir")
        o.SaveDir = value;
    else if (name == "received")
        o.Received = value;
    else if (name == "model") {
        ok = value == "hm305" || value == "hm408";
        o.Hm408 = value == "hm408";
    } else if (name == "id")
        o.Identity = value;
    else if (name == "speed") {
        try {
            o.Speed = std::stod(value);
        } catch (...) {
            ok = false;
        }
    } else if (name == "delivery") {
        ok = value == "byte" || value == "fifo" || value == "usb";
        o.Delivery = value == "fifo"  ? DeliveryPattern::Fifo
                     : value == "usb" ? DeliveryPattern::Usb
                                      : DeliveryPattern::Byte;
    } else if (name == "ch1")
        ok = ParseSignal(value, o.Channel[0]);
    else if (name == "ch2")
        ok = ParseSignal(value, o.Channel[1]);
    else if (name == "ground-offset") {
        long v = 0;
        ok = ParseLong(value, v);
        o.GroundOffset = int(v);
    } else if (name == "no-zero") {
        ok = ParseBool(value, o.NoZero);
    } else if (name == "ground-noise") {
        long v = 0;
        ok = ParseLong(value, v);
        o.GroundNoise = int(v);
    } else if (name == "signal-noise") {
        long v = 0;
        ok = ParseLong(value, v) && v >= 0;
        if (ok) o.SignalNoise = int(v);
    } else if (name == "signal-gauss")
        ok = ParseDouble(value, o.SignalGauss) && o.SignalGauss >= 0;
    else if (name == "noise-seed") {
        long v = 0;
        ok = ParseLong(value, v) && v >= 0;
        if (ok) o.NoiseSeed = unsigned(v);
    } else if (name == "generator-state") {
        o.GeneratorState = value;
        ok = !value.empty();
    } else if (name == "filter")
        ok = ParseFilter(value, o.Bench);
    else if (name == "generator")
        ok = ParseGenerator(value, o.Bench);
    else if (name == "time-base")
        ok = ParsePositive(value, o.Bench.TimeBase);
    else if (name == "sensitivity1")
        ok = ParsePositive(value, o.Bench.Sensitivity[0]);
    else if (name == "sensitivity2")
        ok = ParsePositive(value, o.Bench.Sensitivity[1]);
    else if (name == "channels") {
        ok = value == "1" || value == "2";
        o.TwoChannels = value == "2";
    } else if (name == "short")
        ok = ParseBool(value, o.ShortRecord);
    else if (name == "hold-up")
        ok = ParseBool(value, o.HoldUp);
    else if (name == "zero-hold-up")
        ok = ParseBool(value, o.ZeroHoldUp);
    else if (name == "settings")
        o.Settings = value;
    else if (name == "empty")
        ok = ParseBool(value, o.Empty);
    else if (name == "truncate")
        withNumber(o.Truncate);
    else if (name == "stall-after")
        withNumber(o.StallAfter);
    else if (name == "stall-ms")
        withNumber(o.StallMs);
    else if (name == "garbage")
        withNumber(o.Garbage);
    else if (name == "extra")
        withNumber(o.Extra);
    else if (name == "no-answer")
        ok = ParseBool(value, o.NoAnswer);
    else if (name == "hangup-after")
        withNumber(o.HangupAfter);
    else if (name == "lines")
        o.Lines = value;
    else {
        error = "unknown option: " + name;
        return false;
    }
    if (!ok) error = "bad value for " + name + ": " + value;
    return ok;
}

bool ReadConfigFile(Options& options, const std::string& path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        auto space = line.find(' ');
        std::string name = line.substr(0, space);
        std::string value = space == std::string::npos ? "" : line.substr(space + 1);
        if (!SetOption(options, name, value, error)) return false;
    }
    return true;
}

const char* HelpText() {
    return R"(hameg-sim: plays a Hameg HM 305 or HM 408 oscilloscope on a pseudo-terminal.

It opens a pseudo-terminal pair, prints the path of the end a program should open ("slave
/dev/pts/N") and answers on it: "ID?" with the identity line (CR LF), "DIG" with the memory
image, paced like the real 9600-baud line. Images alternate: the first DIG after an "ID?" or
after a zero image gets the signal image, the next the grounded (zero) image. Like the real
instrument it answers only a line set to 9600 baud, 8 data bits, no parity, 1 stop bit and no
flow control; it logs the line as it finds it ("line 9600 8N1 no-flow-control") and each
command it refuses.

Options (--name value; a boolean option given alone is on):
  --config FILE          more options, one "name value" per line
  --link PATH            symlink re-pointed at the slave end
  --lines-dir DIR        write DIR/pts-N with the modem input lines for the test shim
  --control PATH         FIFO read for "name value" commands while running; the extra
                         commands, which act at once, also in the middle of an image: "hangup"
                         (close the line and exit), "unplug" (the line vanishes), "replug" (a
                         new line on the same --link), "quit", "send HEX" (raw bytes, e.g.
                         "send 0d0a"), "flood N" (N bytes 0,1,2... at full speed)
  --save-dir DIR         write every image sent as DIR/image-K.bin (K from 1)
  --received FILE        append every byte received to FILE
  --model hm305|hm408    default hm305
  --id TEXT              identity line (default "HM305" / "HM408")
  --speed F              1 = 960 bytes/s (default); 0 = unpaced
  --delivery PATTERN     byte (default: one by one, a bare UART), fifo (bursts of 14, a
                         16550), usb (a packet of up to 62 bytes every 16 ms)
  --ch1 / --ch2 SHAPE[:AMP[:PERIODS[:OFFSET[:PHASE[:DUTY]]]]]
                         sine, square, triangle, pulse or flat; amplitude and offset in
                         screen divisions (25 counts around 127), periods over 2048
                         samples, phase in degrees added to the argument (-45: a lag of
                         45 degrees), duty in percent of each period a pulse spends at
                         +AMP (default 50; the rest at -AMP); e.g. "pulse:3.2:20:0:0:2"
  --signal-noise N       noise of +-N counts (uniform) on every signal sample
  --signal-gauss S       Gaussian noise of deviation S counts on every signal sample
  --noise-seed K         the signal noise's seed (default 1): the same seed, the same image
  --ground-offset N      zero image = 127 + N ...
  --ground-noise N       ... + noise of +-N counts
  --no-zero              every DIG gets the signal image, none the zero image: a series of
                         points, whose reads ask for no zero
  --channels 1|2         HM 408 header byte 2 (default 2)
  --short                HM 408 header byte 8 = 1 (short record)
  --hold-up              HM 408 header byte 9 = 1 in the signal image (HOLD not pressed)
  --zero-hold-up         the same in the zero image
  --settings TEXT        HM 408 settings text (default "CH1=500mV CH2=2V TB=2us"); with
                         the filter bench on, the bench's own settings in that form
  --empty                STOR. not pressed: empty memory
  --truncate N           send only the first N bytes of each image
  --stall-after N --stall-ms M   pause M ms after N bytes of an image
  --garbage N            N noise bytes before the identity answer
  --extra N              N more bytes after each image
  --no-answer            answer nothing
  --hangup-after N       close the line after N bytes of an image, then exit
  --lines "CTS DSR CD"   modem input lines; "BUSY" makes the shim refuse opening the device

Filter bench (a first-order filter driven by a sine generator; channel 1 shows the
generator, channel 2 the filter's output, in place of --ch1 and --ch2):
  --filter KIND          none (default: the bench is off), circuit (the gain and phase of
                         the circuit --generator-state gives), low-pass:FC or high-pass:FC,
                         FC the cut-off frequency in Hz; gain 1/sqrt(1+(f/FC)^2) and phase
                         -atan(f/FC) (low-pass), or (f/FC)/sqrt(1+(f/FC)^2) and +atan(FC/f)
  --generator F[:A]      the generator's frequency in Hz and peak amplitude in volts
                         (default 1000:1)
  --generator-state F    with --filter circuit, before each image, the generator's frequency,
                         peak-to-peak volts, output (1 on, 0 off) and the circuit's gain and
                         phase from F, as scpi-sim's --generator-state writes them; absent or
                         unreadable, the bench keeps its own
  --time-base S          seconds per division the program is set to (default 1e-3): a
                         sample every S x 10 / 2000 s; an HM 408 states it in its header
                         ("TB=..."), an HM 305 leaves it to the program's selector
  --sensitivity1 V       volts per division of channel 1 (default 1)
  --sensitivity2 V       the same for channel 2; volts become counts at 25 a division
                         around 127, clipped to 0..255; an HM 408 states both in its
                         header ("CH1=... CH2=...")
)";
}
