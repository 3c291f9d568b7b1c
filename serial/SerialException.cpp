#include "serial/SerialException.h"

#include <atomic>

#include <algorithm>
#include <new>

#include "serial/SerialCodes.h"

namespace {

struct CodeText {
    int Code; // magnitude
    const char* Text;
};

// Sorted by magnitude: OS-range numbers (the runtime's texts), then the component's codes.
constexpr CodeText kTexts[] = {
    {0, "OK"},
    {2, "File not found"},
    {3, "Path not found"},
    {4, "Too many open files"},
    {5, "File access denied"},
    {6, "Invalid file handle"},
    {8, "Insufficient memory"},
    {15, "Invalid drive"},
    {18, "No more files"},
    {100, "Attempt to read beyond end of file"},
    {101, "Disk is full"},
    {102, "File/device not assigned"},
    {103, "File/device not open"},
    {104, "File/device not open for input"},
    {105, "File/device not open for output"},
    {150, "Disk is write-protected"},
    {151, "Unknown disk unit"},
    {152, "Drive is not ready"},
    {153, "Unknown command"},
    {154, "Data error"},
    {155, "Bad request structure length"},
    {156, "Seek error"},
    {157, "Unknown media type"},
    {158, "Disk sector not found"},
    {159, "Printer is out of paper"},
    {160, "Device write error"},
    {161, "Device read error"},
    {162, "General failure"},
    {1002, "Bad argument passed to function"},
    {2001, "ie_BadId - Specified comport doesn't exist"},
    {2007, "ie_NOpen - device not open"},
    {2008, "ie_Open - device already open"},
    {2011, "The ComNumber property of the TSerialComPort has not been set"},
    {3004, "Failed to put entire block"},
    {3006, "Output buffer too small for block"},
    {3007, "Buffer is empty"},
    {13868, "No memory"},
};

} // namespace

std::string SerialErrorText(int code) {
    int magnitude = code < 0 ? -code : code;
    auto found = std::lower_bound(std::begin(kTexts), std::end(kTexts), magnitude,
                                  [](const CodeText& entry, int m) { return entry.Code < m; });
    if (found != std::end(kTexts) && found->Code == magnitude) return found->Text;
    return OsErrorText(magnitude);
}

namespace {

template <typename Error> [[noreturn]] void Throw(Error error, const char* step) {
    error.Step = step;
    throw error;
}

} // namespace

void RaiseSerialError(int code, const char* step) {
    std::string text = SerialErrorText(code);
    switch (code) {
    case ecBadId: Throw(EBadId(text, code), step);
    case ecAlreadyOpen: Throw(EAlreadyOpen(text, code), step);
    case ecNoPortSelected: Throw(ENoPortSelected(text, code), step);
    case ecCommNotOpen: Throw(ECommNotOpen(text, code), step);
    case ecBadArgument: Throw(EBadArgument(text, code), step);
    case ecOutputBufferTooSmall: Throw(EOutputBufferTooSmall(text, code), step);
    case ecPutBlockFail: Throw(EPutBlockFail(text, code), step);
    case ecBufferIsEmpty: Throw(EBufferIsEmpty(text, code), step);
    case ecNoMem: Throw(ETapiNoMem(text, code), step);
    case ecOutOfMemory: throw std::bad_alloc();
    }
    if (code <= -2 && code >= -162) Throw(EInOutError(text, -code), step);
    Throw(ESerialException("Kestro exception", code), step);
}

namespace {
std::atomic<SerialErrorReport> g_report{nullptr};
}

void SetSerialErrorReport(SerialErrorReport report) { g_report = report; }

void ReportSerialError(const std::string& text) {
    if (SerialErrorReport report = g_report) report(text);
}
