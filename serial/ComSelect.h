#pragma once
// Which serial ports exist, and the small form that lets the user pick one when the port
// component is asked to open without a number.
#include <cstdint>
#include <vector>

constexpr uint16_t kHighestProbedPort = 50;

// Port n exists: its device opens as a serial port, or another program holds it.
bool PortPresent(uint16_t number);

// The present ports among COM1..COM50, in order.
std::vector<uint16_t> PresentPorts();

// TComSelectForm ("Select Port"): shown modally; the chosen number, or 0 when the user cancelled
// or no port is present.
uint16_t ChoosePortWithSelectForm();
