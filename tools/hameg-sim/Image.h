#pragma once
// The memory images hameg-sim sends.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/hameg-sim/Options.h"

constexpr int kChannelSamples = 2048;
constexpr int kHeaderBytes = 256;

// The signal image (4096 bytes, or 256 + 4096 for an HM 408).
std::vector<uint8_t> SignalImage(const Options& options);
// The HM 408's settings text: the filter bench's when it is on, else options.Settings.
std::string SettingsText(const Options& options);
// The image with both inputs grounded.
std::vector<uint8_t> ZeroImage(const Options& options, unsigned seed);
