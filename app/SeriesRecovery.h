#pragma once
// The running series kept between its rows, so that a program killed loses none. Each run keeps
// its series in a file of its own in the Curvilab application-data folder, named after the run
// (its process id and creation time: the system reuses process ids), and holds a mutex of that
// name while it lives. A file whose run holds no mutex any more was interrupted; the series window
// offers the newest one the first time it opens in a later run. A run deletes only the file it
// wrote itself, or one whose offer the user answered; a file that does not read as a series is
// renamed aside (".bad"), never deleted.
#include <windows.h>
#include <optional>
#include <string>
#include <vector>

#include "export/SeriesTable.h"
#include "ui/Handles.h"

class SeriesRecovery {
public:
    SeriesRecovery();

    // Writes the running series to this run's file; false when it cannot be written.
    bool Keep(const std::vector<std::string>& channelNames, const std::vector<SeriesRow>& rows);
    // This run's file goes, when this run wrote one: its series was saved or cleared.
    void Forget();

    struct Interrupted {
        std::wstring Path;
        RecoveredSeries Series;
    };
    // The newest series another run left behind, if any.
    std::optional<Interrupted> FindInterrupted() const;
    // The user answered the offer of `series`: its file goes.
    static void Drop(const Interrupted& series);

private:
    std::wstring path_;
    UniqueKernelHandle alive_;
    bool written_ = false;
};
