#include "instrument/VisaStream.h"

#include <cstdint>
#include <cstdio>

#include "common/Text1252.h"

namespace {

// The library's types on Windows: 32-bit sessions and status, attribute values as wide as a
// pointer, the standard calling convention.
using ViStatus = long;
using ViSession = unsigned long;
using ViAttrState = ULONG_PTR;

constexpr ViStatus kSuccess = 0;
constexpr ViStatus kTimeOut = ViStatus(0xBFFF0015);
constexpr ViStatus kNotFound = ViStatus(0xBFFF0011);
constexpr unsigned long kAttributeTimeOut = 0x3FFF001A;
constexpr unsigned long kAttributeTermCharEnabled = 0x3FFF0038;
constexpr unsigned kChunkMs = 100;

#ifdef _WIN64
constexpr const wchar_t* kLibrary = L"visa64.dll";
#else
constexpr const wchar_t* kLibrary = L"visa32.dll";
#endif

struct Visa {
    ViStatus(WINAPI* OpenDefaultRM)(ViSession*);
    ViStatus(WINAPI* FindRsrc)(ViSession, const char*, ViSession*, unsigned long*, char*);
    ViStatus(WINAPI* FindNext)(ViSession, char*);
    ViStatus(WINAPI* Open)(ViSession, const char*, unsigned long, unsigned long, ViSession*);
    ViStatus(WINAPI* Close)(ViSession);
    ViStatus(WINAPI* Read)(ViSession, unsigned char*, unsigned long, unsigned long*);
    ViStatus(WINAPI* Write)(ViSession, const unsigned char*, unsigned long, unsigned long*);
    ViStatus(WINAPI* SetAttribute)(ViSession, unsigned long, ViAttrState);
};

template <class F> bool Take(HMODULE library, const char* name, F& function) {
    function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return function != nullptr;
}

// The library, loaded once for the process from the system folder; null when there is none.
const Visa* Library() {
    static const Visa* loaded = []() -> const Visa* {
        HMODULE library = LoadLibraryExW(kLibrary, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (!library) return nullptr;
        static Visa visa;
        bool whole = Take(library, "viOpenDefaultRM", visa.OpenDefaultRM) &&
                     Take(library, "viFindRsrc", visa.FindRsrc) &&
                     Take(library, "viFindNext", visa.FindNext) &&
                     Take(library, "viOpen", visa.Open) && Take(library, "viClose", visa.Close) &&
                     Take(library, "viRead", visa.Read) && Take(library, "viWrite", visa.Write) &&
                     Take(library, "viSetAttribute", visa.SetAttribute);
        return whole ? &visa : nullptr;
    }();
    return loaded;
}

// A 32-bit library beside no 64-bit one: what a 64-bit program finds when only the 32-bit
// drivers were installed.
bool OnlyThirtyTwoBitLibrary() {
#ifdef _WIN64
    wchar_t folder[MAX_PATH] = {};
    UINT length = GetSystemWow64DirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    std::wstring path = std::wstring(folder) + L"\\visa32.dll";
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    return false;
#endif
}

// Why the library's resource manager did not open, naming the call and its status.
std::string ManagerRefused(ViStatus status) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", (unsigned long)status);
    return Cp1252("La bibliothèque VISA est chargée mais son gestionnaire de ressources ne "
                  "s'ouvre pas (viOpenDefaultRM : état ") +
           code + ")";
}

} // namespace

VisaAvailability FindVisa() {
    if (const Visa* visa = Library()) {
        ViSession manager = 0;
        ViStatus status = visa->OpenDefaultRM(&manager);
        if (status < kSuccess) return {false, ManagerRefused(status)};
        visa->Close(manager);
        return {true, ""};
    }
    if (OnlyThirtyTwoBitLibrary())
        return {false, Cp1252("Bibliothèque VISA 32 bits seulement : visa64.dll absente. "
                              "Utilisez le programme 32 bits.")};
    return {false, Cp1252("Aucune bibliothèque VISA installée (") +
                       (sizeof(void*) == 8 ? "visa64.dll" : "visa32.dll") + ")"};
}

std::vector<std::string> FindVisaInstruments() {
    std::vector<std::string> found;
    const Visa* visa = Library();
    ViSession manager = 0, list = 0;
    if (!visa || visa->OpenDefaultRM(&manager) < kSuccess) return found;
    char name[256] = {};
    unsigned long count = 0;
    if (visa->FindRsrc(manager, "USB?*INSTR", &list, &count, name) >= kSuccess) {
        for (unsigned long i = 0; i < count; ++i) {
            name[sizeof name - 1] = '\0';
            found.push_back(name);
            if (i + 1 < count && visa->FindNext(list, name) < kSuccess) break;
        }
        visa->Close(list);
    }
    visa->Close(manager);
    return found;
}

VisaStream::VisaStream(const std::string& resource, HANDLE cancel, unsigned answerMs)
    : cancel_(cancel), answerMs_(answerMs) {
    const Visa* visa = Library();
    if (!visa) throw EInstrumentError(InstrumentFault::NoVisa, FindVisa().Reason);
    if (ViStatus status = visa->OpenDefaultRM(&manager_); status < kSuccess)
        throw EInstrumentError(InstrumentFault::NoVisa, ManagerRefused(status));
    ViStatus opened = visa->Open(manager_, resource.c_str(), 0, 0, &session_);
    if (opened < kSuccess) {
        visa->Close(manager_);
        throw EInstrumentError(InstrumentFault::Unreachable, opened == kNotFound ? "absent" : "");
    }
    // Chunks of a short time-out, so that a read can be given up between two.
    visa->SetAttribute(session_, kAttributeTimeOut, kChunkMs);
    visa->SetAttribute(session_, kAttributeTermCharEnabled, 0);
}

VisaStream::~VisaStream() {
    const Visa* visa = Library();
    visa->Close(session_);
    visa->Close(manager_);
}

void VisaStream::Write(const std::string& bytes) {
    unsigned long written = 0;
    ViStatus status =
        Library()->Write(session_, reinterpret_cast<const unsigned char*>(bytes.data()),
                         (unsigned long)bytes.size(), &written);
    if (status < kSuccess) throw EInstrumentError(InstrumentFault::Reset);
}

std::size_t VisaStream::Read(uint8_t* into, std::size_t most) {
    for (unsigned waited = 0;; waited += kChunkMs) {
        if (WaitForSingleObject(cancel_, 0) == WAIT_OBJECT_0)
            throw EInstrumentError(InstrumentFault::Cancelled);
        unsigned long got = 0;
        ViStatus status = Library()->Read(
            session_, into, (unsigned long)std::min<std::size_t>(most, 1 << 20), &got);
        if (got > 0) return got;
        if (status != kTimeOut && status < kSuccess) throw EInstrumentError(InstrumentFault::Reset);
        if (waited >= answerMs_) throw EInstrumentError(InstrumentFault::Silent);
    }
}
