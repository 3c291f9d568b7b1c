#pragma once
// The circuit between the simulated generator and the scope: CH1 on the generator's output, CH2
// on the circuit's, as on a filter lab's bench.
#include <complex>
#include <string>

enum class CircuitKind { LowPass, HighPass, BandPass };

struct Circuit {
    CircuitKind Kind = CircuitKind::LowPass;
    double R = 1000, C = 1.5915494309189535e-6, L = 0.1; // a 100 Hz RC by default

    // The output over the input at `frequency`: the first-order RC low-pass and high-pass, the
    // series RLC band-pass across its R.
    std::complex<double> Response(double frequency) const;
    // The time constant its transients die away with: RC, or 2L/R for the band-pass.
    double TimeConstant() const;
};

// "lowpass", "highpass", "bandpass"; false for another name.
bool CircuitKindNamed(const std::string& name, CircuitKind& kind);

// What the generator drives into the circuit.
struct GeneratorOutput {
    bool On = false;
    double Frequency = 1000;
    double Amplitude = 2; // volts peak to peak
    double Offset = 0;
    double SinceChange = 1e9;     // seconds since the frequency last changed
    double PreviousFrequency = 0; // before that change
};
