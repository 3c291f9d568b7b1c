#pragma once
// The 256-byte header an HM 408 sends before its samples: flag bytes, and from byte 1 on a
// 255-character text carrying the instrument's settings as key/value pairs ("CH1=500mV ...").
#include <string>

#include "acquisition/Record.h"

constexpr int kHm408HeaderBytes = 256;
constexpr int kHeaderTextLength = 255;

// What the header sets besides the record: the texts of BaseDeTempsEdit, GammeEditCH1 and
// GammeEditCH2, and whether the instrument's HOLD button was up ("Appuyez sur le bouton HOLD et
// recommencez").
struct HeaderSettings {
    std::string BaseDeTemps;
    std::string GammeCH1;
    std::string GammeCH2;
    bool HoldNotPressed = false;
};

// The value text after `key` in `headerText` (positions 1..255 at index 0..254): the character
// just after the key, then every following value character ("+-.0123456789Eekmuµ"). Each "u"
// taken after the first character becomes "µ" in headerText itself. Empty when the key is absent
// or ends the text.
std::string FindHeaderValue(std::string& headerText, const std::string& key);

// Reads the header of the image in RawData: channel count, short record, the sensitivities and
// the time step.
HeaderSettings ParseHeader(AcquisitionRecord& record);
