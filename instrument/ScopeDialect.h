#pragma once
// A scope family the program reads: one row each, defined in the family's own file from its
// programming guide and listed in one table (ScopeDialect.cpp) that the rest of the program walks.
// A row says which models it serves, how it reads the channels shown, and the words a read and a
// sweep need: the reply headers, the run state, the settings a sweep changes.
//
// Every read leaves the scope as it was found: ReadScope turns the reply headers off and holds a
// running scope still, and puts both back after the read, after a failed one too as far as the
// connection still carries it.
#include <optional>
#include <string>
#include <vector>

#include "instrument/ScopeRead.h"

struct GeneratorDialect;

enum class OffsetMeaning { CentreLevel, CentreLevelNegated, DivisionsUp };

// What a sweep sets and reads on a scope; "%d" stands for a channel's number. A setting is read by
// "<setting>?" and set by "<setting> <value>".
struct ScopeSettingWords {
    const char* TimeBase;
    const char* Scale; // at the probe's tip
    const char* Offset;
    const char* Probe;   // a query: the probe's factor
    bool ProbeAsGain;    // the query answers the probe's gain instead: 0.1 for a x10
    const char* Shown;   // the channel on the screen
    const char* ShownOn; // the value that shows it: "ON", "1"
    // What the offset setting holds: the level the centre line shows, its opposite (the trace
    // moved down by the offset), or the trace's position in divisions.
    OffsetMeaning OffsetIs;
    // The trigger's settings, each with the value a sweep sets ("%s" the level), the trigger's
    // sweep last: it is put back after the others, before the run state.
    std::vector<std::pair<const char*, const char*>> Trigger;
    const char* Run; // runs the scope for a sweep's capture, in the automatic sweep it set
    const char* Stop;
};

struct ScopeDialect {
    const char* Family; // "Siglent SDS1000X-E"
    const char* Guide;  // the programming guide its words and scaling come from
    // Whether it serves a model, from the "*IDN?" answer's make and model, both in upper case.
    bool (*Serves)(const std::string& make, const std::string& model);
    // Reads the channels shown among the scope's inputs, the scope held still, and the screen they
    // were shown on (its time base and the seconds between two points); throws EInstrumentError.
    std::vector<ScopeChannel> (*ReadChannels)(ScpiSession& session, const ScopeIdentity& identity,
                                              ScopeScreen& screen, const ScopeRequest& request);
    // The command that puts the scope back into the run state it is found in: running in its
    // trigger's sweep, or a single shot armed; "" for a stopped scope.
    std::string (*Resume)(ScpiSession& session);
    // The reply headers' command ("CHDR"): read, turned "OFF" for the read and put back; null
    // when the family's answers carry none.
    const char* Headers;
    ScopeSettingWords Settings;
    int DivisionsAcross;
    std::vector<int> Ports; // the raw socket's, tried in order when a resource gives none
    // The scope's own generator, asked of the scope: its family, or null when it has none; null
    // for a family without one.
    const GeneratorDialect* (*OwnGenerator)(ScpiSession& session, const ScopeIdentity& identity);
};

// Every family the program reads, in the order an identification tries them.
const std::vector<const ScopeDialect*>& ScopeDialects();

// The raw socket ports of every family, in the table's order, each once: what a resource without
// a port tries.
std::vector<int> ScopePorts();

// The scope an "*IDN?" answer names, among `dialects`, or none:
// "RIGOL TECHNOLOGIES,DS1054Z,DS1ZA0000001,00.04.04".
std::optional<ScopeIdentity>
IdentifyScope(const std::string& answer,
              const std::vector<const ScopeDialect*>& dialects = ScopeDialects());

// The reply headers turned off when they were on; the command that puts them back, or "" when
// they were off already or the family has none.
std::string TurnHeadersOff(ScpiSession& session, const ScopeDialect& dialect);

// Reads the channels the scope shows from one trigger, in its own dialect: a running scope is
// stopped for the read and set running again, a stopped one read as it stands, a single shot that
// was waiting armed again; reply headers as they were. Throws EInstrumentError.
AcquisitionPtr ReadScope(ScpiSession& session, const ScopeIdentity& identity,
                         const ScopeRequest& request);
