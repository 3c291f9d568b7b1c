#include "app/SeriesRecovery.h"

#include <cwchar>
#include <iterator>
#include <utility>

#include "common/Folders.h"
#include "export/FileSave.h"

namespace {

constexpr std::size_t kKeptFileLimit = 1 << 20;
const std::wstring kFilePrefix = L"serie-", kFileSuffix = L".txt", kMutexPrefix = L"VexorSerie-";

// This run among every run of the program, ever: "1234-01DB2F3A9C8E7F00".
std::wstring ThisRun() {
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    wchar_t run[48];
    std::swprintf(run, std::size(run), L"%lu-%08lX%08lX", GetCurrentProcessId(),
                  created.dwHighDateTime, created.dwLowDateTime);
    return run;
}

std::wstring RunOfFile(const std::wstring& name) {
    return name.substr(kFilePrefix.size(), name.size() - kFilePrefix.size() - kFileSuffix.size());
}

bool RunAlive(const std::wstring& run) {
    return bool(UniqueKernelHandle(OpenMutexW(SYNCHRONIZE, FALSE, (kMutexPrefix + run).c_str())));
}

void SetAside(const std::wstring& path) {
    MoveFileExW(path.c_str(), (path + L".bad").c_str(), MOVEFILE_REPLACE_EXISTING);
}

} // namespace

SeriesRecovery::SeriesRecovery() {
    std::wstring run = ThisRun();
    path_ = AppDataDir + kFilePrefix + run + kFileSuffix;
    alive_.reset(CreateMutexW(nullptr, FALSE, (kMutexPrefix + run).c_str()));
}

bool SeriesRecovery::Keep(const std::vector<std::string>& channelNames,
                          const std::vector<SeriesRow>& rows) {
    try {
        WriteFileAtomically(path_, SeriesRecoveryText(channelNames, rows));
        written_ = true;
        return true;
    } catch (const ESaveError&) {
        return false; // like the settings file: a folder the user cannot act on
    }
}

void SeriesRecovery::Forget() {
    if (std::exchange(written_, false)) DeleteFileW(path_.c_str());
}

std::optional<SeriesRecovery::Interrupted> SeriesRecovery::FindInterrupted() const {
    std::optional<Interrupted> newest;
    FILETIME newestTime{};
    WIN32_FIND_DATAW found{};
    UniqueFindHandle search(
        FindFirstFileW((AppDataDir + kFilePrefix + L"*" + kFileSuffix).c_str(), &found));
    if (!search) return newest;
    do {
        std::wstring name = found.cFileName, path = AppDataDir + name;
        if (!name.ends_with(kFileSuffix) || path == path_ || RunAlive(RunOfFile(name))) continue;
        if (newest && CompareFileTime(&found.ftLastWriteTime, &newestTime) <= 0) continue;
        std::optional<RecoveredSeries> series;
        try {
            series = ReadSeriesRecovery(ReadFileBytes(path, kKeptFileLimit));
        } catch (const ESaveError&) {
            continue; // cannot be read now: left where it is
        }
        if (!series || series->Rows.empty()) {
            SetAside(path);
            continue;
        }
        newest = Interrupted{path, std::move(*series)};
        newestTime = found.ftLastWriteTime;
    } while (FindNextFileW(search.get(), &found));
    return newest;
}

void SeriesRecovery::Drop(const Interrupted& series) { DeleteFileW(series.Path.c_str()); }
