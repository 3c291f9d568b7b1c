#pragma once
// Settings an instrument had before the program changed them, each with the command that puts
// it back.
#include <string>
#include <vector>

#include "instrument/ScpiSession.h"

struct SavedSetting {
    std::string Name;    // 1252, as the program says what it could not put back: "fréquence"
    std::string Command; // "C1:BSWV FRQ,1000"
};

// What an instrument had before a sweep: each setting read first, with the command that puts it
// back. Only what the sweep then changed is put back (a setting it never changed is not written),
// in the order kept: a mode before the run command that would override it.
class SettingsFound {
public:
    // `key` names the setting for Changed ("C1:VDIV", "21"); `name` is what the program says when
    // it could not put it back.
    void Keep(std::string key, std::string name, std::string command);
    // A setting kept is changed; nothing for one that was not kept.
    void Changed(const std::string& key);
    // The command that puts back the setting of `key`; "" for one not kept.
    std::string CommandOf(const std::string& key) const;
    // What was changed since it was kept, in the order kept.
    std::vector<SavedSetting> ToPutBack() const;
    void Clear() { kept_.clear(); }

private:
    struct Kept {
        std::string Key;
        SavedSetting Setting;
        bool Changed = false;
    };
    std::vector<Kept> kept_;
};

// Sends each command in turn, then "*OPC?" for a sign that they arrived; returns the names of
// those the connection did not carry: from the first that failed, or all of them when no sign
// came.
std::vector<std::string> PutBack(ScpiSession& session, const std::vector<SavedSetting>& saved);

// The number at the start of a generator's value, with its multiplier: "1000HZ", "1.25KHZ",
// "2V", "+1.000000E+03"; throws EInstrumentError(BadPreamble) for none.
double ValueNumber(const std::string& value);
// The same for an instrument that answers each command: each must answer `acknowledgement` (""
// for a bare line end); once one is not answered at all, the rest are not sent.
std::vector<std::string> PutBackAcknowledged(ScpiSession& session,
                                             const std::vector<SavedSetting>& saved,
                                             const std::string& acknowledgement);

// A number as the generators take it: up to 10 significant digits, no unit.
std::string NumberText(double value);
