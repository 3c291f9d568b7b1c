#include "tests/e2e/ProgramTest.h"

#include "app/ControlIds.h"
#include "common/NumberText.h"
#include "common/Text1252.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"
#include "ui/SystemSettings.h"
#include "ui/Wide.h"

namespace {

std::wstring FreshTempFile(const std::wstring& name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring path = temp + name + std::to_wstring(GetCurrentProcessId()) + L".log";
    DeleteFileW(path.c_str());
    return path;
}

int CountOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

} // namespace

void ProgramTest::SetUp() {
    if (SimCom() == 0) GTEST_SKIP() << "run through tests/serial/with-sim";
    SetDecimalSeparator(LocaleDecimalSeparator()); // as the program reads it
    ForgetCurvilab();
    CurvilabLog = FreshTempFile(L"fake-curvilab-");
}

void ProgramTest::TearDown() {
    if (vexor && main) {
        EXPECT_EQ(Close(), 0u);
    }
    ForgetCurvilab();
    DeleteFileW(CurvilabLog.c_str());
}

void ProgramTest::Launch(std::initializer_list<std::string> commands) {
    for (const auto& command : commands) SimControl(command);
    WriteSettings(std::to_string(SimCom()));
    if (!Resource.empty()) WriteSettingsResource(Resource);
    vexor = std::make_unique<VexorProcess>();
}

HWND ProgramTest::Start(std::initializer_list<std::string> commands, const std::string& title) {
    Launch(commands);
    main = vexor->WaitForMainWindow(title, 15000);
    return main;
}

void SeriesProgramTest::SetUp() {
    ProgramTest::SetUp();
    ForgetKeptSeries();
}

void SeriesProgramTest::TearDown() {
    ProgramTest::TearDown();
    ForgetKeptSeries();
}

bool ProgramTest::Read(const char* zeroAnswer) {
    return ReadThroughTheWindow(main, zeroAnswer, &ZeroPrompt);
}

bool ProgramTest::WaitUntilIdle(DWORD ms) {
    return PumpUntil([&] { return UiDriver::Control(main, idEnregistreBtn).Visible; }, int(ms));
}

bool ProgramTest::HoldsAcquisition() { return UiDriver::Control(main, idClipSaveBtn).Visible; }

DWORD ProgramTest::Close() {
    DWORD code = vexor->Close(main);
    main = nullptr;
    return code;
}

bool ProgramTest::ChooseFile(HWND owner, int button, const char* title, const std::wstring& path) {
    UiDriver::Click(owner, button);
    HWND dialog = UiDriver::WaitForWindow(Cp1252(title), 15000);
    return dialog && UiDriver::SaveAs(dialog, path) && UiDriver::WaitUntilGone(dialog, 10000);
}

std::wstring ProgramTest::TempFilePath(const wchar_t* name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring path = std::wstring(temp) + name;
    DeleteFileW(path.c_str());
    return path;
}

HWND ProgramTest::OpenPageDialog(DWORD ms) {
    UiDriver::Click(main, idSendToCurvilabBtn);
    return UiDriver::WaitForWindow("Renseignements sur la page courante", ms);
}

bool ProgramTest::SendThroughThePageDialog() {
    HWND dialog = OpenPageDialog();
    return dialog && UiDriver::ClickButton(dialog, "OK") && UiDriver::WaitUntilGone(dialog, 15000);
}

void SetCurvilabPath(const wchar_t* key, const std::wstring& command) {
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &opened, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(opened, L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   DWORD((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(opened);
}

void ProgramTest::RegisterCurvilab(const std::wstring& options, const wchar_t* key) {
    SetCurvilabPath(key, L"\"" + BuildTreeFile(L"fake-curvilab.exe") + L"\" " + options +
                             L" --log \"" + CurvilabLog + L"\"");
}

std::unique_ptr<FakeCurvilabProcess> SendToProgram(const std::string& macro, int times) {
    return std::make_unique<FakeCurvilabProcess>(L"--send vexor \"" + Wide(macro) + L"\" " +
                                                 std::to_wstring(times));
}

std::unique_ptr<FakeCurvilabProcess> ProgramTest::RunCurvilab(const std::wstring& options) {
    return std::make_unique<FakeCurvilabProcess>(options + L" --log \"" + CurvilabLog + L"\"");
}

int ProgramTest::CurvilabLogCount(const std::string& text) const {
    return CountOf(FileText(CurvilabLog), text);
}

bool ProgramTest::CurvilabLogReaches(const std::string& text, int count, int ms) const {
    return PumpUntil([&] { return CurvilabLogCount(text) >= count; }, ms);
}

std::string ProgramTest::CurvilabClipboard(int n) const {
    std::string log = FileText(CurvilabLog);
    std::size_t at = 0;
    for (int i = 0; i < n; ++i)
        if ((at = log.find("\nCLIPBOARD ", at + 1)) == std::string::npos) return {};
    std::size_t size = std::stoul(log.substr(at + 11));
    std::size_t start = log.find('\n', at + 1) + 1;
    return log.substr(start, size);
}
