#pragma once
// What the program says, in French (1252), when a network or USB scope could not be read, or the
// generator of a sweep could not be driven.
#include <string>

#include "instrument/ScpiSession.h"

enum class InstrumentRole { Scope, Generator };

// "de l'oscilloscope", "du générateur" (UTF-8).
const char* OfTheInstrument(InstrumentRole role);

// The sentence for `error`, naming `address` where the place matters.
std::string InstrumentErrorText(const EInstrumentError& error, const std::string& address,
                                InstrumentRole role = InstrumentRole::Scope);
