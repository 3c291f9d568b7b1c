#include "tools/hameg-sim/Options.h"

#include <fstream>
#include <sstream>

namespace {

bool ParseSignal(const std::string& text, ChannelSignal& signal) {
    // shape[:amplitude[:periods[:offset]]]
    std::stringstream in(text);
    std::string shape;
    std::getline(in, shape, ':');
    if (shape == "sine")
        signal.Shape = Wave::Sine;
    else if (shape == "square")
        signal.Shape = Wave::Square;
    else if (shape == "triangle")
        signal.Shape = Wave::Triangle;
    else if (shape == "flat")
        signal.Shape = Wave::Flat;
    else
        return false;
    double* fields[] = {&signal.Amplitude, &signal.Periods, &signal.Offset};
    std::string part;
    for (double* field : fields) {
        if (!std::getline(in, part, ':')) break;
        try {
            *field = std::stod(part);
        } catch (...) {
            return false;
        }
    }
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
    } else if (name == "ground-noise") {
        long v = 0;
        ok = ParseLong(value, v);
        o.GroundNoise = int(v);
    } else if (name == "channels") {
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
  --ch1 / --ch2 SHAPE[:AMP[:PERIODS[:OFFSET]]]
                         sine, square, triangle or flat; amplitude and offset in screen
                         divisions (25 counts around 127), periods over 2048 samples
  --ground-offset N      zero image = 127 + N ...
  --ground-noise N       ... + noise of +-N counts
  --channels 1|2         HM 408 header byte 2 (default 2)
  --short                HM 408 header byte 8 = 1 (short record)
  --hold-up              HM 408 header byte 9 = 1 in the signal image (HOLD not pressed)
  --zero-hold-up         the same in the zero image
  --settings TEXT        HM 408 settings text (default "CH1=500mV CH2=2V TB=2us")
  --empty                STOR. not pressed: empty memory
  --truncate N           send only the first N bytes of each image
  --stall-after N --stall-ms M   pause M ms after N bytes of an image
  --garbage N            N noise bytes before the identity answer
  --extra N              N more bytes after each image
  --no-answer            answer nothing
  --hangup-after N       close the line after N bytes of an image, then exit
  --lines "CTS DSR CD"   modem input lines; "BUSY" makes the shim refuse opening the device
)";
}
