#pragma once
// Who answered "*IDN?": the make, the model and the serial number, and the dialect the program
// speaks to that model. An instrument the program does not know is no guess: it is refused with
// its own answer.
#include <optional>
#include <string>
#include <vector>

enum class Dialect {
    RigolDs1000z, // DS1054Z, DS1074Z, DS1104Z and their Plus, -S and MSO kin
    RigolDho,     // DHO800 and DHO900
    SiglentSdsE,  // SDS1000X-E (SDS1104X-E, SDS1202X-E...), SDS2000X-E: C1:WF? DAT2
    SiglentSdsHd, // SDS800X HD, SDS1000X HD, SDS2000X Plus, SDS2000X HD: :WAVeform:PREamble?
};

struct ScopeIdentity {
    std::string Make;   // "RIGOL TECHNOLOGIES", "Siglent Technologies"
    std::string Model;  // "DS1054Z"
    std::string Serial; // "DS1ZA0000001"
    Dialect Speaks = Dialect::RigolDs1000z;

    // "RIGOL DS1054Z, n° DS1ZA0000001": the make's first word, the model and the serial number.
    std::string Text() const;
    // "RIGOL DS1054Z": what the texts that name the instrument say.
    std::string Name() const;
};

// The scope an "*IDN?" answer names, or none: "RIGOL TECHNOLOGIES,DS1054Z,DS1ZA0000001,00.04.04".
std::optional<ScopeIdentity> IdentifyScope(const std::string& answer);

// The fields of an "*IDN?" answer, trimmed, a header "*IDN " before them skipped: make, model,
// serial number, firmware.
std::vector<std::string> IdentityFields(const std::string& answer);
std::string UpperCase(std::string text);
