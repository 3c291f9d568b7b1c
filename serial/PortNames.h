#pragma once
// The names the program gives serial ports: "COM" followed by the number.
#include <cstdint>
#include <string>

std::string PortName(uint16_t number);

// The number in an entry "COM12" (from its fourth character on); 0 when there is none.
uint16_t SelectedPort(const std::string& entry);
