#pragma once
// Who answered "*IDN?": the make, the model and the serial number, and the dialect the program
// speaks to that model. An instrument the program does not know is no guess: it is refused with
// its own answer.
#include <string>
#include <vector>

struct ScopeDialect;

struct ScopeIdentity {
    std::string Make;   // "RIGOL TECHNOLOGIES", "Siglent Technologies"
    std::string Model;  // "DS1054Z"
    std::string Serial; // "DS1ZA0000001"
    const ScopeDialect* Speaks = nullptr;

    // "RIGOL DS1054Z, n° DS1ZA0000001": the make's first word, the model and the serial number.
    std::string Text() const;
    // "RIGOL DS1054Z": what the texts that name the instrument say.
    std::string Name() const;
};

// The fields of an "*IDN?" answer, trimmed, a header "*IDN " before them skipped: make, model,
// serial number, firmware.
std::vector<std::string> IdentityFields(const std::string& answer);
