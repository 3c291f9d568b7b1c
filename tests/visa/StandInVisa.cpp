// A stand-in for a VISA library, built as visa32.dll and visa64.dll for the tests of the USB
// path: one USB instrument, VEXOR_VISA_RESOURCE (a Rigol DS1054Z's resource text unless set),
// whose bytes travel to and from the network scope that tests/serial/with-sim --scpi started
// (VEXOR_SCPI_PORT on the loopback interface). Reads wait at most the session's time-out and
// give what has come, as a USB read does. VEXOR_VISA_MANAGER_STATUS, when set, is the status the
// resource manager fails to open with.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

namespace {

using ViStatus = long;
using ViSession = unsigned long;

constexpr ViStatus kSuccess = 0;
constexpr ViStatus kTimeOut = ViStatus(0xBFFF0015);
constexpr ViStatus kNotFound = ViStatus(0xBFFF0011);
constexpr ViStatus kInvalidObject = ViStatus(0xBFFF000E);
constexpr ViStatus kIoError = ViStatus(0xBFFF003E);
constexpr unsigned long kAttributeTimeOut = 0x3FFF001A;
constexpr ViSession kManager = 1, kFindList = 2;

struct Session {
    SOCKET Socket = INVALID_SOCKET;
    unsigned long TimeOutMs = 2000;
};

SRWLOCK lock = SRWLOCK_INIT;
std::map<ViSession, Session> sessions;

struct Guard {
    Guard() { AcquireSRWLockExclusive(&lock); }
    ~Guard() { ReleaseSRWLockExclusive(&lock); }
};
ViSession nextSession = 100;

std::string Resource() {
    const char* text = std::getenv("VEXOR_VISA_RESOURCE");
    return text ? text : "USB0::0x1AB1::0x04CE::DS1ZA0000001::INSTR";
}

void CopyName(char* into) {
    std::string name = Resource();
    std::strncpy(into, name.c_str(), 255);
    into[255] = '\0';
}

SOCKET ConnectToScope() {
    const char* port = std::getenv("VEXOR_SCPI_PORT");
    if (!port) return INVALID_SOCKET;
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(u_short(std::atoi(port)));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

} // namespace

extern "C" {

__declspec(dllexport) ViStatus WINAPI viOpenDefaultRM(ViSession* manager) {
    if (const char* refused = std::getenv("VEXOR_VISA_MANAGER_STATUS"))
        return ViStatus(std::strtoul(refused, nullptr, 0));
    *manager = kManager;
    return kSuccess;
}

__declspec(dllexport) ViStatus WINAPI
    viFindRsrc(ViSession, const char*, ViSession* list, unsigned long* count, char* name) {
    *list = kFindList;
    *count = 1;
    CopyName(name);
    return kSuccess;
}

__declspec(dllexport) ViStatus WINAPI viFindNext(ViSession, char* name) {
    CopyName(name);
    return kNotFound;
}

__declspec(dllexport) ViStatus WINAPI
    viOpen(ViSession, const char* name, unsigned long, unsigned long, ViSession* session) {
    if (_stricmp(name, Resource().c_str()) != 0) return kNotFound;
    SOCKET s = ConnectToScope();
    if (s == INVALID_SOCKET) return kNotFound;
    Guard guard;
    *session = nextSession++;
    sessions[*session].Socket = s;
    return kSuccess;
}

__declspec(dllexport) ViStatus WINAPI viClose(ViSession object) {
    Guard guard;
    auto found = sessions.find(object);
    if (found != sessions.end()) {
        closesocket(found->second.Socket);
        sessions.erase(found);
    }
    return kSuccess;
}

__declspec(dllexport) ViStatus WINAPI
    viSetAttribute(ViSession object, unsigned long attribute, ULONG_PTR value) {
    Guard guard;
    auto found = sessions.find(object);
    if (found == sessions.end()) return object == kManager ? kSuccess : kInvalidObject;
    if (attribute == kAttributeTimeOut) found->second.TimeOutMs = (unsigned long)value;
    return kSuccess;
}

__declspec(dllexport) ViStatus WINAPI viWrite(ViSession object, const unsigned char* bytes,
                                              unsigned long count, unsigned long* written) {
    SOCKET s;
    {
        Guard guard;
        auto found = sessions.find(object);
        if (found == sessions.end()) return kInvalidObject;
        s = found->second.Socket;
    }
    int sent = send(s, reinterpret_cast<const char*>(bytes), int(count), 0);
    if (sent < 0) return kIoError;
    *written = (unsigned long)sent;
    return kSuccess;
}

__declspec(dllexport) ViStatus WINAPI
    viRead(ViSession object, unsigned char* into, unsigned long count, unsigned long* got) {
    SOCKET s;
    unsigned long timeOutMs;
    {
        Guard guard;
        auto found = sessions.find(object);
        if (found == sessions.end()) return kInvalidObject;
        s = found->second.Socket;
        timeOutMs = found->second.TimeOutMs;
    }
    *got = 0;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval wait{long(timeOutMs / 1000), long(timeOutMs % 1000) * 1000};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) return kTimeOut;
    int received = recv(s, reinterpret_cast<char*>(into), int(count), 0);
    if (received <= 0) return kIoError;
    *got = (unsigned long)received;
    return kSuccess;
}

} // extern "C"
