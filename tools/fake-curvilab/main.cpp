// fake-curvilab.exe: stands in for Curvilab in the tests. It registers the DDE service
// "Curvilab", topic "ServeurDDE", answers the warm link and the request on "ServeurItem", and
// logs every macro it receives, with the clipboard text it finds for the CLIP macros.
//
//   fake-curvilab --log FILE [--semaphore | --guard] [--refuse] [--slow MS] [--quit-after MS]
//                 [--refuse-advise] [--request-timeout] [--slow-execute MS] [--die-on-execute]
//       --refuse-advise refuses the warm link; --request-timeout answers the request only after
//       1500 ms (longer than a partner waits); --slow-execute acknowledges each execute MS ms
//       after it came; while busy so it serves only the messages other threads send
//       --semaphore holds the semaphore "Curvilab" while it runs; --guard too, as Curvilab's own
//       single-instance guard: when the semaphore exists already it logs "REFUSED" and ends
//       (code 4) without starting its service
//   fake-curvilab --send SERVICE MACRO [N]  executes a macro (N times, on one conversation) on
//                                           SERVICE|ServeurDDE and ends; the exit code is the
//                                           number not acknowledged (N + 1 without a conversation)
//   fake-curvilab --send-random SERVICE N SEED   executes N random texts (0 to 10,000 random
//                                           bytes, line ends among them) on one conversation;
//                                           the exit code is the number not acknowledged
//
// The log gets "LAUNCHED" as the process starts, "STARTED" once the service is registered,
// "ENDED" when it is withdrawn, and one line per execute: "EXECUTE <macro>", then for CLIP|LOAD
// and CLIP|ADD the clipboard text between "CLIPBOARD <n bytes>" and "END".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <ddeml.h>
#include <string>

#include "tools/ui-driver/UiDriver.h"
#include "ui/Wide.h"

namespace {

DWORD g_instance = 0;
HSZ g_topic = nullptr;
bool g_refuse = false;
bool g_refuseAdvise = false;
bool g_lateRequest = false;  // answers the request only after kLateRequestMs
DWORD g_executeMs = 0;       // acknowledges each execute only after this long
bool g_dieOnExecute = false; // ends the process in the middle of the first execute
constexpr DWORD kLateRequestMs = 1500;
std::wstring g_log;

// One write per entry on a handle opened for appending only: the system appends it whole, also
// when several stand-ins share the log.
void Log(const std::string& text) {
    HANDLE file = CreateFileW(g_log.c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(file);
}

// Busy with a transaction for `ms`, as Curvilab can be: serves only the messages other threads
// send (a connect's broadcast), so nobody's DdeConnect waits for this thread; what partners post
// waits its turn.
void Busy(DWORD ms) {
    ULONGLONG deadline = GetTickCount64() + ms;
    for (ULONGLONG now; (now = GetTickCount64()) < deadline;) {
        if (MsgWaitForMultipleObjectsEx(0, nullptr, DWORD(deadline - now), QS_SENDMESSAGE, 0) ==
            WAIT_OBJECT_0) {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}

HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ topic, HSZ, HDDEDATA data, ULONG_PTR,
                           ULONG_PTR) {
    switch (type) {
    case XTYP_CONNECT:
        return reinterpret_cast<HDDEDATA>(!g_refuse && DdeCmpStringHandles(topic, g_topic) == 0);
    case XTYP_ADVSTART: return reinterpret_cast<HDDEDATA>(!g_refuseAdvise);
    case XTYP_REQUEST: {
        if (g_lateRequest) Busy(kLateRequestMs);
        const char value[] = "ok";
        return DdeCreateDataHandle(g_instance, (LPBYTE)value, sizeof value, 0, nullptr, CF_TEXT, 0);
    }
    case XTYP_EXECUTE: {
        DWORD size = DdeGetData(data, nullptr, 0, 0);
        std::string macro(size, '\0');
        DdeGetData(data, reinterpret_cast<LPBYTE>(macro.data()), size, 0);
        macro = macro.substr(0, macro.find('\0'));
        std::string entry = "EXECUTE " + macro + "\n";
        if (macro == "CLIP|LOAD" || macro == "CLIP|ADD") {
            std::string text = UiDriver::ClipboardText();
            entry += "CLIPBOARD " + std::to_string(text.size()) + "\n" + text + "\nEND\n";
        }
        Log(entry);
        if (g_dieOnExecute) {
            Log("DYING\n");
            ExitProcess(3);
        }
        if (g_executeMs) Busy(g_executeMs);
        return reinterpret_cast<HDDEDATA>(DDE_FACK);
    }
    }
    return nullptr;
}

bool Execute(HCONV conversation, const std::string& text) {
    std::string bytes = text + '\0';
    return DdeClientTransaction(reinterpret_cast<LPBYTE>(bytes.data()), DWORD(bytes.size()),
                                conversation, nullptr, CF_TEXT, XTYP_EXECUTE, 60000,
                                nullptr) != nullptr;
}

HCONV ConnectTo(const std::string& service) {
    HSZ serviceName = DdeCreateStringHandleA(g_instance, service.c_str(), CP_WINANSI);
    return DdeConnect(g_instance, serviceName, g_topic, nullptr);
}

int Send(const std::string& service, const std::string& macro, int count) {
    HCONV conversation = ConnectTo(service);
    if (!conversation) return count + 1;
    int missing = 0;
    for (int i = 0; i < count; ++i) missing += !Execute(conversation, macro);
    DdeDisconnect(conversation);
    return missing;
}

int SendRandom(const std::string& service, int count, unsigned seed) {
    HCONV conversation = ConnectTo(service);
    if (!conversation) return count;
    std::srand(seed);
    int missing = 0;
    for (int i = 0; i < count; ++i) {
        std::string text(std::size_t(std::rand() % 10001), '\0');
        for (char& c : text) {
            int pick = std::rand() % 50;
            c = pick == 0 ? '\r' : pick == 1 ? '\n' : char(1 + std::rand() % 255);
        }
        if (!Execute(conversation, text)) ++missing;
    }
    DdeDisconnect(conversation);
    std::printf("%d executes, %d not acknowledged\n", count, missing);
    return missing;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::string sendService, sendMacro;
    int randomCount = 0, sendCount = 1;
    unsigned randomSeed = 1;
    bool semaphore = false, guard = false;
    DWORD slowMs = 0, quitAfterMs = 0;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == L"--log" && hasValue)
            g_log = argv[++i];
        else if (arg == L"--semaphore")
            semaphore = true;
        else if (arg == L"--guard")
            guard = true;
        else if (arg == L"--refuse")
            g_refuse = true;
        else if (arg == L"--refuse-advise")
            g_refuseAdvise = true;
        else if (arg == L"--request-timeout")
            g_lateRequest = true;
        else if (arg == L"--slow-execute" && hasValue)
            g_executeMs = DWORD(_wtoi(argv[++i]));
        else if (arg == L"--die-on-execute")
            g_dieOnExecute = true;
        else if (arg == L"--slow" && hasValue)
            slowMs = DWORD(_wtoi(argv[++i]));
        else if (arg == L"--quit-after" && hasValue)
            quitAfterMs = DWORD(_wtoi(argv[++i]));
        else if (arg == L"--send-random" && i + 3 < argc) {
            sendService = Narrow(argv[++i]);
            randomCount = _wtoi(argv[++i]);
            randomSeed = unsigned(_wtoi(argv[++i]));
        } else if (arg == L"--send" && i + 2 < argc) {
            sendService = Narrow(argv[++i]);
            sendMacro = Narrow(argv[++i]);
            if (i + 1 < argc && argv[i + 1][0] != L'-') sendCount = _wtoi(argv[++i]);
        }
    }
    bool sending = randomCount > 0 || !sendService.empty();
    HANDLE running = nullptr;
    if (!sending) {
        Log("LAUNCHED\n");
        running = semaphore || guard ? CreateSemaphoreW(nullptr, 0, 1, L"Curvilab") : nullptr;
        if (guard && running && GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(running);
            Log("REFUSED\n");
            return 4;
        }
        // Still loading: no DDE yet (an instance whose thread does not serve its messages
        // would hold up every DdeConnect of the machine).
        if (slowMs) Sleep(slowMs);
    }
    if (DdeInitializeA(&g_instance, Callback, APPCLASS_STANDARD, 0) != DMLERR_NO_ERROR) return 3;
    g_topic = DdeCreateStringHandleA(g_instance, "ServeurDDE", CP_WINANSI);
    if (randomCount > 0) return SendRandom(sendService, randomCount, randomSeed);
    if (!sendService.empty()) return Send(sendService, sendMacro, sendCount);

    HSZ service = DdeCreateStringHandleA(g_instance, "Curvilab", CP_WINANSI);
    DdeNameService(g_instance, service, nullptr, DNS_REGISTER);
    Log("STARTED\n");
    if (quitAfterMs) SetTimer(nullptr, 0, quitAfterMs, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER) break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    DdeNameService(g_instance, service, nullptr, DNS_UNREGISTER);
    DdeUninitialize(g_instance);
    if (running) CloseHandle(running);
    Log("ENDED\n");
    return 0;
}
