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
    int Channels = 2; // its inputs: 2 or 4

    // "RIGOL DS1054Z, n° DS1ZA0000001": the make's first word, the model and the serial number.
    std::string Text() const;
    // "RIGOL DS1054Z": what the texts that name the instrument say.
    std::string Name() const;
};

// The inputs of a model, as its number tells them: the last digit of its first number is 4 on a
// four-channel scope ("DS1054Z", "TBS2104", "RTB2004", "GDS-1054B"), anything else on a two-channel
// one ("SDS1202X-E", "HMO1202", "DSO-X 2002A").
int ChannelsOfModel(const std::string& model);

// The fields of an "*IDN?" answer, trimmed, a header "*IDN " before them skipped: make, model,
// serial number, firmware.
std::vector<std::string> IdentityFields(const std::string& answer);
