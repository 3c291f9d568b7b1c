#include "tools/scpi-sim/Circuit.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
}

std::complex<double> Circuit::Response(double frequency) const {
    const std::complex<double> j(0, 1);
    double w = 2 * kPi * frequency;
    switch (Kind) {
    case CircuitKind::LowPass: return 1.0 / (1.0 + j * w * R * C);
    case CircuitKind::HighPass: return j * w * R * C / (1.0 + j * w * R * C);
    case CircuitKind::BandPass: return R / (R + j * w * L + 1.0 / (j * w * C));
    }
    return 1;
}

double Circuit::TimeConstant() const { return Kind == CircuitKind::BandPass ? 2 * L / R : R * C; }

bool CircuitKindNamed(const std::string& name, CircuitKind& kind) {
    if (name == "lowpass") return kind = CircuitKind::LowPass, true;
    if (name == "highpass") return kind = CircuitKind::HighPass, true;
    if (name == "bandpass") return kind = CircuitKind::BandPass, true;
    return false;
}
