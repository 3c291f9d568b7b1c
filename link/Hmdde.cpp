#include "link/Hmdde.h"

#include <stdexcept>

#include "common/Text1252.h"
#include "export/Clipboard.h"
#include "export/TransferText.h"
#include "link/MacroText.h"
#include "ui/MessageDialog.h"
#include "ui/MessageLoop.h"
#include "ui/SystemSettings.h"
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

void FreeDdeString(HSZ text) { DdeFreeStringHandle(g_instance, text); }
using DdeString = UniqueHandle<NullEmptyTraits<HSZ, FreeDdeString>>;

DdeString g_service, g_topic;
TFormDDE* g_server = nullptr;

// DDE names and data are 1252 text (CP_WINANSI), so the ANSI DDEML entry points carry them.
DdeString MakeString(const std::string& text) {
    return DdeString(DdeCreateStringHandleA(g_instance, text.c_str(), CP_WINANSI));
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
            DdeCmpStringHandles(topic, g_topic.get()) == 0 &&
            (service == nullptr || DdeCmpStringHandles(service, g_service.get()) == 0));
    case XTYP_EXECUTE:
        // Every execute is acknowledged, whatever the macro did or let out.
        if (g_server)
            CallGuarded(
                [&] {
                    g_server->ExecuteMacro(SplitCommandLines(DataText(data)));
                    return LRESULT(0);
                },
                ShowErrorBox);
        return reinterpret_cast<HDDEDATA>(DDE_FACK);
    }
    return nullptr;
}

// Starts a command line with the default show state; true when the system accepted it.
bool Launch(std::wstring command) {
    if (command.empty()) return false;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWDEFAULT;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return false;
    OwnedProcess started(info); // not followed: only its handles are given back
    return true;
}

std::wstring RegistryPath(HKEY root, const wchar_t* subkey) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(root, subkey, L"Path", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return {};
    return std::wstring(value).substr(0, 255);
}

// The key under the current user's hive with full access; created when `create` is set.
UniqueRegistryKey UserKey(const wchar_t* name, bool create) {
    HKEY key = nullptr;
    LONG result = create ? RegCreateKeyExW(HKEY_CURRENT_USER, name, 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &key, nullptr)
                         : RegOpenKeyExW(HKEY_CURRENT_USER, name, 0, KEY_ALL_ACCESS, &key);
    return UniqueRegistryKey(result == ERROR_SUCCESS ? key : nullptr);
}

// Where Curvilab's installation leaves its launch command.
std::wstring ReadServiceApplication() {
    std::wstring path;
    if (UniqueRegistryKey curvilab = UserKey(L"Software\\Curvilab", true))
        path = RegistryPath(curvilab.get(), L"Curvilab");
    if (path.empty())
        if (UniqueRegistryKey software = UserKey(L"Software", false))
            path = RegistryPath(software.get(), L"Curvilab");
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

DdeLayer::DdeLayer() {
    if (DdeInitializeA(&g_instance, DdeCallback,
                       APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS,
                       0) != DMLERR_NO_ERROR) {
        g_instance = 0;
        return;
    }
    g_service = MakeString(ServiceName());
    g_topic = MakeString(kTopic);
    DdeNameService(g_instance, g_service.get(), nullptr, DNS_REGISTER);
}

DdeLayer::~DdeLayer() {
    if (!g_instance) return;
    DdeNameService(g_instance, g_service.get(), nullptr, DNS_UNREGISTER);
    g_service.reset();
    g_topic.reset();
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

TFormDDE::TFormDDE(HWND mainWindow, TConstanteDlg& pageDialog, CommandState& state)
    : mainWindow_(mainWindow), pageDialog_(pageDialog), state_(state),
      serviceApplication_(ReadServiceApplication()) {
    RegisterWindowClass(L"TVexorFormDDE", DefWindowProcW);
    window_.reset(CreateWindowExW(0, L"TVexorFormDDE", L"Acquisition", WS_OVERLAPPEDWINDOW, 0, 0,
                                  100, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    g_server = this;
}

TFormDDE::~TFormDDE() { g_server = nullptr; }

bool TFormDDE::PutOnClipboard(const std::function<void(TextSink&)>& write,
                              const std::string& what) {
    if (PutTextOnClipboard(window_.get(), write)) return true;
    ShowErrorBox(Cp1252("Le presse-papier est occupé par un autre programme : ") + what +
                 Cp1252(" n'a pas été copiée."));
    return false;
}

void TFormDDE::TransferAcquisition(bool send) {
    if (!acquisition_) return;
    AcquisitionPtr acquisition = acquisition_; // as it is now, whatever happens meanwhile
    auto write = [&](TextSink& out) {
        WriteTransferText(out, *acquisition, ProgramPath(), pageDialog_.Page);
    };
    if (!PutOnClipboard(write, "l'acquisition") || !send) return;
    SendMacro(pageDialog_.Page.NewFile ? "CLIP|LOAD" : "CLIP|ADD");
    pageDialog_.SetNewPageIndex(1);
}

void TFormDDE::TransferPage(const std::string& text, const std::string& what) {
    if (PutOnClipboard([&text](TextSink& out) { out.Write(text); }, what)) SendMacro("CLIP|LOAD");
}

// The semaphore "Curvilab" says Curvilab runs. The probe's handle is closed at once: held, it would
// keep the semaphore alive after Curvilab quits, and a Curvilab that guards its single instance
// with it would refuse to start.
void TFormDDE::LaunchCurvilab() {
    UniqueKernelHandle semaphore(CreateSemaphoreW(nullptr, 0, 1, L"Curvilab"));
    bool running = semaphore && GetLastError() == ERROR_ALREADY_EXISTS;
    semaphore.reset();
    if (running) return;
    if (Launch(serviceApplication_)) WaitProcessingMessages(nullptr, kLaunchWaitMs);
}

// A link is set afresh for every macro; none is set once the program is quitting.
bool TFormDDE::Connect() {
    conversation_.reset();
    if (QuitRequested()) return false;
    DdeString service = MakeString(kCurvilabService), topic = MakeString(kTopic);
    CONVCONTEXT context{};
    context.cb = sizeof context;
    context.iCodePage = CP_WINANSI;
    conversation_.reset(DdeConnect(g_instance, service.get(), topic.get(), &context));
    if (!conversation_ &&
        Launch(serviceApplication_.empty() ? L"Curvilab ServeurDDE" : serviceApplication_))
        conversation_.reset(DdeConnect(g_instance, service.get(), topic.get(), &context));
    if (!conversation_) return false;

    // A warm link on the item, then its value once; neither result is used. Pending messages are
    // served before each synchronous call: a late acknowledgment would end the next wait early.
    DdeString item = MakeString(kItem);
    if (!DispatchPending()) return false;
    if (DdeClientTransaction(nullptr, 0, conversation_.get(), item.get(), CF_TEXT,
                             XTYP_ADVSTART | XTYPF_NODATA, kSyncTimeoutMs, nullptr)) {
        if (!DispatchPending()) return false;
        if (HDDEDATA value = DdeClientTransaction(nullptr, 0, conversation_.get(), item.get(),
                                                  CF_TEXT, XTYP_REQUEST, kSyncTimeoutMs, nullptr))
            DdeFreeDataHandle(value);
    }
    return true;
}

// The execute is started and not followed up; the conversation is never used again after it.
bool TFormDDE::Execute(const std::string& macro) {
    if (!conversation_) return false;
    std::string text = macro.substr(0, kMaxMacro);
    HDDEDATA data =
        DdeCreateDataHandle(g_instance, reinterpret_cast<LPBYTE>(const_cast<char*>(text.c_str())),
                            DWORD(text.size() + 1), 0, nullptr, CF_TEXT, 0);
    DWORD transaction = 0;
    return DdeClientTransaction(reinterpret_cast<LPBYTE>(data), DWORD(-1), conversation_.get(),
                                nullptr, CF_TEXT, XTYP_EXECUTE, TIMEOUT_ASYNC,
                                &transaction) != nullptr;
}

void TFormDDE::SendMacro(const std::string& macro) {
    if (state_.Sending() || state_.Closing()) return;
    auto sending = state_.Begin(ProgramState::Sending);
    struct Disconnect {
        DdeConversation& Conversation;
        ~Disconnect() { Conversation.reset(); }
    } disconnect{conversation_};

    LaunchCurvilab();
    if (!Connect()) {
        WaitProcessingMessages(nullptr, kRetryWaitMs);
        if (!Connect()) {
            ShowNotice("Impossible de lancer Curvilab");
            return;
        }
    }
    if (!Execute(macro)) ShowNotice(macro.substr(0, kMaxMacro) + Cp1252(" non exécuté"));
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
            FocusMainWindow(mainWindow_);
        } else if (name == "CONFIG|SAVE") {
        } else if (name == "FOCUS") {
            pageDialog_.SetNewPageIndex(0);
            FocusMainWindow(mainWindow_);
        } else if (name == "GETDATA") {
            pageDialog_.SetNewPageIndex(1);
            PostMessageW(mainWindow_, WM_USER, 0, 0);
        } else {
            ShowErrorBox("Fonction inconnue : " + line.substr(0, kMaxMacro));
        }
    } catch (const std::exception&) {
        ShowErrorBox(Cp1252("Syntaxe Macro DDE : Fonction(Paramètre)"));
    }
}
