#include "tests/e2e/VexorProcess.h"

#include <shlobj.h>
#include <sstream>
#include <tlhelp32.h>

#include "app/ControlIds.h"
#include "app/Preview.h"
#include "common/NumberText.h"
#include "common/Text1252.h"
#include "export/Clipboard.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"
#include "ui/MessageLoop.h"
#include "ui/SystemSettings.h"
#include "ui/Wide.h"
#include "ui/Window.h"

namespace {

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find(separator, at)) != std::string::npos;
         at = end + separator.size())
        parts.push_back(text.substr(at, end - at));
    parts.push_back(text.substr(at));
    return parts;
}

std::wstring Quoted(const std::string& argument) { return L" \"" + Wide(argument) + L"\""; }

} // namespace

std::wstring BuildTreeFile(const std::wstring& name) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    path.resize(path.find_last_of(L'\\'));     // the test program's folder
    path.resize(path.find_last_of(L'\\') + 1); // the build tree
    return path + name;
}

std::string SettingsFile() {
    return Narrow(SpecialFolderPath(CSIDL_APPDATA)) + "Curvilab\\vexor.ini";
}

void WriteSettings(const std::string& number) {
    std::wstring path = Wide(SettingsFile());
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
    RemoveDirectoryW(path.c_str());
    if (number.empty()) return;
    CreateDirectoryW((SpecialFolderPath(CSIDL_APPDATA) + L"Curvilab").c_str(), nullptr);
    WritePrivateProfileStringW(L"COM", L"Number", Wide(number).c_str(), path.c_str());
}

std::string ReadSettingsNumber() {
    wchar_t text[64] = {};
    GetPrivateProfileStringW(L"COM", L"Number", L"", text, 64, Wide(SettingsFile()).c_str());
    return Narrow(text);
}

void WriteSettingsResource(const std::string& resource) {
    WritePrivateProfileStringW(L"Instrument", L"Resource", Wide(resource).c_str(),
                               Wide(SettingsFile()).c_str());
}

std::vector<std::vector<double>> SeriesValueRows(const std::string& text,
                                                 const std::string& firstRowAfter) {
    std::vector<std::vector<double>> rows;
    std::size_t at = text.find(firstRowAfter);
    if (at == std::string::npos) return rows;
    std::istringstream lines(text.substr(text.find('\n', at) + 1));
    for (std::string line; std::getline(lines, line) && line.size() > 2;) {
        std::vector<double> values;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) {
            if (field == "\r" || field.empty()) continue;
            for (char& c : field)
                if (c == ',') c = '.';
            values.push_back(std::stod(field));
        }
        if (values.size() != 5) break;
        rows.push_back(values);
    }
    return rows;
}

HWND OpenSeriesWindow(HWND mainWindow) {
    UiDriver::Click(mainWindow, idPreviewBtn);
    HWND preview = UiDriver::WaitForWindow(Cp1252("Aperçu de l'acquisition"), 15000);
    if (!preview) return nullptr;
    UiDriver::Click(preview, TPreviewForm::idSeriesBtn);
    return UiDriver::WaitForWindow(Cp1252("Série de mesures"), 15000);
}

void ForgetKeptSeries() {
    std::wstring folder = Wide(SettingsFile());
    folder.resize(folder.find_last_of(L'\\') + 1);
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"serie-*.txt").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do DeleteFileW((folder + found.cFileName).c_str());
    while (FindNextFileW(search, &found));
    FindClose(search);
}

std::string ReadSettingsResource() {
    wchar_t text[512] = {};
    GetPrivateProfileStringW(L"Instrument", L"Resource", L"", text, 512,
                             Wide(SettingsFile()).c_str());
    return Narrow(text);
}

void EndStandIns() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32FirstW(snapshot, &entry); ok; ok = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, L"fake-curvilab.exe") != 0) continue;
        UniqueKernelHandle process(
            OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (!process) continue;
        TerminateProcess(process.get(), 0);
        WaitForSingleObject(process.get(), 10000);
    }
    CloseHandle(snapshot);
}

ChildProcess::ChildProcess(std::wstring commandLine, UINT exitCodeIfEnded)
    : exitCodeIfEnded_(exitCodeIfEnded) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return;
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    id_ = info.dwProcessId;
}

ChildProcess::~ChildProcess() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.get(), exitCodeIfEnded_);
        WaitForSingleObject(process_.get(), 5000);
    }
}

DWORD ChildProcess::WaitForExit(DWORD ms) {
    if (!process_ || !WaitProcessingMessages(process_.get(), ms)) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

FakeCurvilabProcess::FakeCurvilabProcess(const std::wstring& options)
    : ChildProcess(L"\"" + BuildTreeFile(L"fake-curvilab.exe") + L"\" " + options, 0) {}

std::string FileText(const std::wstring& path) {
    UniqueKernelHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    std::string bytes(GetFileSize(file.get(), nullptr), '\0');
    DWORD got = 0;
    ReadFile(file.get(), bytes.data(), DWORD(bytes.size()), &got, nullptr);
    bytes.resize(got);
    return bytes;
}

bool PutTextOnClipboardFromElsewhere(const std::string& text) {
    UniqueWindow owner(CreateMessageOnlyWindow());
    return owner && PutTextOnClipboard(owner.get(), text);
}

void ForgetCurvilab() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Curvilab");
    EndStandIns();
}

namespace {

std::wstring VexorCommandLine(const std::vector<std::string>& arguments) {
    std::wstring command = L"\"" + BuildTreeFile(L"vexor.exe") + L"\"";
    for (const auto& argument : arguments) command += Quoted(argument);
    return command;
}

} // namespace

VexorProcess::VexorProcess(const std::vector<std::string>& arguments)
    : ChildProcess(VexorCommandLine(arguments), 1) {}

HWND VexorProcess::WaitForMainWindow(const std::string& titlePrefix, DWORD ms) {
    return UiDriver::WaitForWindow(titlePrefix, ms);
}

int VexorProcess::AnswerBoxes(DWORD ms) {
    int answered = 0;
    ULONGLONG deadline = GetTickCount64() + ms;
    auto owned = [this](HWND window) {
        DWORD owner = 0;
        if (window) GetWindowThreadProcessId(window, &owner);
        return window && owner == Id();
    };
    while (GetTickCount64() < deadline) {
        HWND box = UiDriver::WaitForMessageBox("", 50);
        if (owned(box) && UiDriver::ClickButton(box, "OK")) {
            ++answered;
            UiDriver::WaitUntilGone(box, 2000);
        }
        HWND portDialog = UiDriver::WaitForWindow("Configuration du port RS232", 50);
        if (owned(portDialog) && UiDriver::ClickButton(portDialog, "Annuler")) {
            ++answered;
            UiDriver::WaitUntilGone(portDialog, 2000);
        }
    }
    return answered;
}

HWND VexorProcess::WaitForAnyMainWindow(DWORD ms) {
    ULONGLONG deadline = GetTickCount64() + ms;
    while (GetTickCount64() < deadline) {
        AnswerBoxes(300);
        for (const char* title : {"Lecture oscillo", "Oscillo non", "Acquisition avec"}) {
            HWND found = UiDriver::WaitForWindow(Cp1252(title), 0);
            DWORD owner = 0;
            if (found) GetWindowThreadProcessId(found, &owner);
            if (found && owner == Id() && IsWindowEnabled(found)) return found;
        }
    }
    return nullptr;
}

DWORD VexorProcess::Close(HWND mainWindow) {
    PostMessageW(mainWindow, WM_CLOSE, 0, 0);
    ULONGLONG deadline = GetTickCount64() + 20000;
    DWORD code;
    while ((code = WaitForExit(200)) == STILL_ACTIVE && GetTickCount64() < deadline)
        AnswerBoxes(100);
    return code;
}

std::string AnswerBox(const std::string& title, const char* button, DWORD ms) {
    HWND box = UiDriver::WaitForMessageBox(title, ms);
    if (!box) return {};
    std::string text = UiDriver::MessageBoxText(box);
    UiDriver::ClickButton(box, button);
    UiDriver::WaitUntilGone(box, 5000);
    return text;
}

bool AnswerLossAndZero(bool holdsData, const char* zeroAnswer, std::string* prompt) {
    if (holdsData && AnswerBox("Confirmation", "&Oui") != Cp1252("Perte des données courantes"))
        return false;
    std::string text = AnswerBox("Information", zeroAnswer);
    if (prompt) *prompt = text;
    return !text.empty();
}

bool ReadThroughTheWindow(HWND mainWindow, const char* zeroAnswer, std::string* prompt) {
    bool held = UiDriver::Control(mainWindow, idClipSaveBtn).Visible;
    UiDriver::Click(mainWindow, idEnregistreBtn);
    return AnswerLossAndZero(held, zeroAnswer, prompt) &&
           PumpUntil(
               [&] {
                   return UiDriver::Control(mainWindow, idClipSaveBtn).Visible &&
                          UiDriver::Control(mainWindow, idEnregistreBtn).Visible;
               },
               20000);
}

bool AboutBoxOpensAndCloses(HWND mainWindow) {
    UiDriver::Click(mainWindow, idAideBtn);
    HWND about = UiDriver::WaitForWindow("A propos", 15000);
    return about && UiDriver::ClickButton(about, "OK") && UiDriver::WaitUntilGone(about, 3000);
}

std::string CopiedAcquisition(HWND mainWindow) {
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    UiDriver::Click(mainWindow, idClipSaveBtn);
    std::string text;
    // Looks at the clipboard now and then only: the program may be holding it.
    PumpUntil(
        [&] {
            Sleep(50);
            return !(text = UiDriver::ClipboardText()).empty();
        },
        5000);
    return text;
}

RowCheck CheckRows(const std::string& clipboardText, const std::vector<uint8_t>& image,
                   const std::vector<uint8_t>& zero, int header, int channels, float sensitivity1,
                   float sensitivity2, float timeStep) {
    RowCheck check;
    auto lines = Split(clipboardText, "\r\n");
    if (lines.size() < 6u + 2048u) {
        check.Problem = "only " + std::to_string(lines.size()) + " lines";
        return check;
    }
    if (lines[3] != (channels == 2 ? "t\tV1\tV2" : "t\tV1"))
        check.Problem = "names line: " + lines[3];
    std::size_t needed = std::size_t(header + channels * 2048);
    if (image.size() < needed || (!zero.empty() && zero.size() < needed)) {
        check.Problem = "the simulator's images are too short";
        return check;
    }
    for (int i = 0; i < 2048; ++i) {
        auto fields = Split(lines[std::size_t(6 + i)], "\t");
        if (int(fields.size()) != 1 + channels) {
            check.Problem = "row " + std::to_string(i) + ": " + lines[std::size_t(6 + i)];
            return check;
        }
        if (fields[0] != FormatRealDot(i * double(timeStep)))
            check.Problem = "time of row " + std::to_string(i) + ": " + fields[0];
        for (int c = 0; c < channels; ++c) {
            std::size_t k = std::size_t(header + c * 2048 + i);
            int zeroByte = zero.empty() ? 127 : zero[k];
            float sensitivity = c == 0 ? sensitivity1 : sensitivity2;
            long double volts = (long double)(image[k] - zeroByte) * (long double)sensitivity / 25;
            ++check.Compared;
            check.Mismatched +=
                fields[std::size_t(1 + c)] != FormatGeneral(volts, 5, 1, DecimalSeparator());
        }
    }
    return check;
}
