#pragma once
// A port's line: its speed and character frame, and the flow-control options of the component.
#include <cstdint>
#include <optional>

struct LineOptions {
    uint32_t Baud = 19200;
    // Each absent field keeps the device's own value.
    std::optional<int> Parity = 0;        // NOPARITY .. SPACEPARITY
    std::optional<uint16_t> DataBits = 8; // 5 .. 8
    std::optional<uint16_t> StopBits = 1; // 1 or 2
};

// Hardware flow control: which lines the port drives, and which the device must raise.
enum THWFlowOption : unsigned {
    hwfUseDTR = 1,
    hwfUseRTS = 2,
    hwfRequireDSR = 4,
    hwfRequireCTS = 8
};
using THWFlowOptionSet = unsigned;

// Software flow control: XON/XOFF on what the port sends, on what it receives.
enum TSWFlowBits : unsigned { swfTransmitXonXoff = 1, swfReceiveXonXoff = 2 };
