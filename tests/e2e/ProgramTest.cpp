#include "tests/e2e/ProgramTest.h"

#include "app/ControlIds.h"
#include "common/NumberText.h"
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
        EXPECT_EQ(vexor->Close(main), 0u);
    }
    ForgetCurvilab();
    DeleteFileW(CurvilabLog.c_str());
}

HWND ProgramTest::Start(std::initializer_list<std::string> commands, const std::string& title) {
    for (const auto& command : commands) SimControl(command);
    WriteSettings(std::to_string(SimCom()));
    vexor = std::make_unique<VexorProcess>();
    main = vexor->WaitForMainWindow(title, 15000);
    return main;
}

bool ProgramTest::Read(const char* zeroAnswer) {
    bool held = HoldsAcquisition();
    UiDriver::Click(main, idEnregistreBtn);
    if (held) {
        HWND confirm = UiDriver::WaitForMessageBox("Confirmation", 15000);
        if (!confirm || !UiDriver::ClickButton(confirm, "&Oui")) return false;
    }
    HWND prompt = UiDriver::WaitForMessageBox("Information", 15000);
    if (!prompt || !UiDriver::ClickButton(prompt, zeroAnswer)) return false;
    UiDriver::WaitUntilGone(prompt, 3000);
    return WaitUntilIdle() && HoldsAcquisition();
}

bool ProgramTest::WaitUntilIdle(DWORD ms) {
    return PumpUntil([&] { return UiDriver::Control(main, idEnregistreBtn).Visible; }, int(ms));
}

bool ProgramTest::HoldsAcquisition() { return UiDriver::Control(main, idClipSaveBtn).Visible; }

void ProgramTest::RegisterCurvilab(const std::wstring& options) {
    std::wstring command = L"\"" + BuildTreeFile(L"fake-curvilab.exe") + L"\" " + options +
                           L" --log \"" + CurvilabLog + L"\"";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Curvilab", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   DWORD((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

std::unique_ptr<FakeCurvilabProcess> ProgramTest::RunCurvilab(const std::wstring& options) {
    return std::make_unique<FakeCurvilabProcess>(options + L" --log \"" + CurvilabLog + L"\"");
}

int ProgramTest::CurvilabLogCount(const std::string& text) const {
    return CountOf(FileText(CurvilabLog), text);
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
