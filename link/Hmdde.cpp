#include "link/Hmdde.h"

#include <stdexcept>

#include "app/ControlIds.h"
#include "app/Hmain.h"
#include "app/SystemSettings.h"
#include "app/Text1252.h"
#include "export/Clipboard.h"
#include "export/TransferText.h"
#include "link/MacroText.h"
#include "serial/Win32System.h"
#include "ui/MessageDialog.h"
#include "ui/Wide.h"
#include "ui/Window.h"

namespace {

constexpr const char* kCurvilabService = "Curvilab";
constexpr const char* kTopic = "ServeurDDE";
constexpr const char* kItem = "ServeurItem";
constexpr DWORD kSyncTimeoutMs = 1000;
constexpr DWORD kLaunchWaitMs = 2000;
constexpr DWORD kRetryWaitMs = 1000;
constexpr std::size_t kMaxMacro = 255;

DWORD g_instance = 0;
HSZ g_service = nullptr;
HSZ g_topic = nullptr;
TFormDDE* g_server = nullptr;

// DDE names and data are 1252 text (CP_WINANSI), so the ANSI DDEML entry points carry them.
HSZ MakeString(const std::string& text) {
    return DdeCreateStringHandleA(g_instance, text.c_str(), CP_WINANSI);
}

std::string DataText(HDDEDATA data) {
    DWORD size = DdeGetData(data, nullptr, 0, 0);
    std::string bytes(size, '\0');
    if (size) DdeGetData(data, reinterpret_cast<LPBYTE>(bytes.data()), size, 0);
    return bytes.substr(0, bytes.find('\0'));
}

HDDEDATA CALLBACK DdeCallback(UINT type, UINT, HCONV, HSZ topic, HSZ service, HDDEDATA data,
                              ULONG_PTR, ULONG_PTR) {
    switch (type) {
    case XTYP_CONNECT:
        return reinterpret_cast<HDDEDATA>(
            DdeCmpStringHandles(topic, g_topic) == 0 &&
            (service == nullptr || DdeCmpStringHandles(service, g_service) == 0));
    case XTYP_EXECUTE:
        // Every execute is acknowledged, whatever the macro did.
        if (g_server) {
            try {
                g_server->ExecuteMacro(SplitCommandLines(DataText(data)));
            } catch (...) {
            }
        }
        return reinterpret_cast<HDDEDATA>(DDE_FACK);
    }
    return nullptr;
}

std::wstring Launchable(const std::string& command) { return Wide(command); }

// Starts a command line with the default show state; true when the system accepted it.
bool Launch(const std::string& command) {
    if (command.empty()) return false;
    std::wstring line = Launchable(command);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWDEFAULT;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

std::string RegistryPath(HKEY root, const wchar_t* subkey) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(root, subkey, L"Path", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return {};
    return Narrow(value).substr(0, 255);
}

// Where Curvilab's installation leaves its launch command.
std::string ReadServiceApplication() {
    HKEY curvilab = nullptr;
    std::string path;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Curvilab", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &curvilab, nullptr) == ERROR_SUCCESS) {
        path = RegistryPath(curvilab, L"Curvilab");
        RegCloseKey(curvilab);
    }
    if (path.empty()) {
        HKEY software = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_ALL_ACCESS, &software) == ERROR_SUCCESS) {
            path = RegistryPath(software, L"Curvilab");
            RegCloseKey(software);
        }
    }
    return path;
}

void FocusMainWindow(HWND main) {
    if (GetActiveWindow() == main) return;
    if (!IsWindowVisible(main) || !IsWindowEnabled(main))
        throw std::runtime_error("the main window cannot take the focus");
    SetForegroundWindow(main);
    SetFocus(main);
}

} // namespace

bool DdeLayer::Initialise() {
    if (DdeInitializeA(&g_instance, DdeCallback,
                       APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS,
                       0) != DMLERR_NO_ERROR)
        return false;
    g_service = MakeString(ServiceName());
    g_topic = MakeString(kTopic);
    DdeNameService(g_instance, g_service, nullptr, DNS_REGISTER);
    return true;
}

void DdeLayer::Uninitialise() {
    if (!g_instance) return;
    DdeNameService(g_instance, g_service, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(g_instance, g_service);
    DdeFreeStringHandle(g_instance, g_topic);
    DdeUninitialize(g_instance);
    g_instance = 0;
}

DWORD DdeLayer::Instance() { return g_instance; }

std::string DdeLayer::ServiceName() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string name = Narrow(path);
    name = name.substr(name.find_last_of("\\/") + 1);
    return name.substr(0, name.find('.'));
}

void DdeLayer::SetServer(TFormDDE* form) { g_server = form; }

TFormDDE::TFormDDE(THamegMain& main, TConstanteDlg& pageDialog)
    : main_(main), pageDialog_(pageDialog), serviceApplication_(ReadServiceApplication()) {
    RegisterWindowClass(L"TVexorFormDDE", DefWindowProcW);
    window_ = CreateWindowExW(0, L"TVexorFormDDE", L"Acquisition", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                              100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    DdeLayer::SetServer(this);
}

TFormDDE::~TFormDDE() {
    DdeLayer::SetServer(nullptr);
    Disconnect();
    if (semaphore_) CloseHandle(semaphore_);
    if (window_) DestroyWindow(window_);
}

void TFormDDE::TransferAcquisition(bool send) {
    if (!PutTextOnClipboard(TransferText(main_.Record, ProgramPath(), pageDialog_.Page)))
        ShowErrorBox(Cp1252("Le presse-papier est occupé par un autre programme : "
                            "l'acquisition n'a pas été copiée."));
    if (!send) return;
    SendMacro(pageDialog_.Page.NewFile ? "CLIP|LOAD" : "CLIP|ADD");
    pageDialog_.SetNewPageIndex(1);
}

// The semaphore "Curvilab" says Curvilab runs. The program's own handle stays open, so within a
// run only the first probe can launch it; the connect step's own launch remains.
void TFormDDE::LaunchCurvilab() {
    HANDLE semaphore = CreateSemaphoreW(nullptr, 0, 1, L"Curvilab");
    bool running = semaphore && GetLastError() == ERROR_ALREADY_EXISTS;
    if (semaphore && !semaphore_)
        semaphore_ = semaphore;
    else if (semaphore)
        CloseHandle(semaphore);
    if (running) return;
    if (Launch(serviceApplication_)) WaitProcessingMessages(nullptr, kLaunchWaitMs);
}

bool TFormDDE::Connect() {
    if (conversation_) return true;
    HSZ service = MakeString(kCurvilabService), topic = MakeString(kTopic);
    CONVCONTEXT context{};
    context.cb = sizeof context;
    context.iCodePage = CP_WINANSI;
    conversation_ = DdeConnect(g_instance, service, topic, &context);
    if (!conversation_ &&
        Launch(serviceApplication_.empty() ? std::string(kCurvilabService) + " " + kTopic
                                           : serviceApplication_))
        conversation_ = DdeConnect(g_instance, service, topic, &context);
    DdeFreeStringHandle(g_instance, service);
    DdeFreeStringHandle(g_instance, topic);
    if (!conversation_) return false;

    // A warm link on the item, then its value once; neither result is used. Pending messages are
    // served before each synchronous call: a late acknowledgment would end the next wait early.
    HSZ item = MakeString(kItem);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchThreadMessage(msg);
    if (DdeClientTransaction(nullptr, 0, conversation_, item, CF_TEXT, XTYP_ADVSTART | XTYPF_NODATA,
                             kSyncTimeoutMs, nullptr)) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchThreadMessage(msg);
        if (HDDEDATA value = DdeClientTransaction(nullptr, 0, conversation_, item, CF_TEXT,
                                                  XTYP_REQUEST, kSyncTimeoutMs, nullptr))
            DdeFreeDataHandle(value);
    }
    DdeFreeStringHandle(g_instance, item);
    return true;
}

// The execute is started and not followed up; the conversation is never used again after it.
bool TFormDDE::Execute(const std::string& macro) {
    if (!conversation_) return false;
    std::string text = macro.substr(0, kMaxMacro);
    HDDEDATA data = DdeCreateDataHandle(g_instance,
                                        reinterpret_cast<LPBYTE>(const_cast<char*>(text.c_str())),
                                        DWORD(text.size() + 1), 0, nullptr, CF_TEXT, 0);
    DWORD transaction = 0;
    return DdeClientTransaction(reinterpret_cast<LPBYTE>(data), DWORD(-1), conversation_, nullptr,
                                CF_TEXT, XTYP_EXECUTE, TIMEOUT_ASYNC, &transaction) != nullptr;
}

void TFormDDE::Disconnect() {
    if (!conversation_) return;
    DdeDisconnect(conversation_);
    conversation_ = nullptr;
}

void TFormDDE::SendMacro(const std::string& macro) {
    LaunchCurvilab();
    if (!Connect()) {
        WaitProcessingMessages(nullptr, kRetryWaitMs);
        if (!Connect()) {
            ShowNotice("Impossible de lancer Curvilab");
            return;
        }
    }
    if (!Execute(macro)) ShowNotice(macro.substr(0, kMaxMacro) + Cp1252(" non exécuté"));
    Disconnect();
}

void TFormDDE::ExecuteMacro(const std::vector<std::string>& lines) {
    if (lines.size() != 1) {
        ShowErrorBox(Cp1252("Un message à la fois SVP"));
        return;
    }
    const std::string& line = lines[0];
    try {
        std::string name = MacroFunctionName(line);
        if (name == "CONFIG|LOAD") {
            FocusMainWindow(main_.Handle());
        } else if (name == "CONFIG|SAVE") {
        } else if (name == "FOCUS") {
            pageDialog_.SetNewPageIndex(0);
            FocusMainWindow(main_.Handle());
        } else if (name == "GETDATA") {
            pageDialog_.SetNewPageIndex(1);
            PostMessageW(main_.Handle(), WM_USER, 0, 0);
        } else {
            ShowErrorBox("Fonction inconnue : " + line);
        }
    } catch (...) {
        ShowErrorBox(Cp1252("Syntaxe Macro DDE : Fonction(Paramètre)"));
    }
}
