#pragma once
// The serial component's exceptions: a negative result code becomes one of these.
#include <stdexcept>
#include <string>

class ESerialException : public std::runtime_error {
public:
    ESerialException(const std::string& message, int code)
        : std::runtime_error(message), Code(code) {}
    int Code;
    std::string Step; // the system call that failed ("SetCommState"), when one did
};

#define VEXOR_SERIAL_EXCEPTION(Name, Base)                                                         \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        using Base::Base;                                                                          \
    };

VEXOR_SERIAL_EXCEPTION(EOpenComm, ESerialException)
VEXOR_SERIAL_EXCEPTION(EGeneral, ESerialException)
VEXOR_SERIAL_EXCEPTION(ESerialIO, ESerialException)
VEXOR_SERIAL_EXCEPTION(ETapiNoMem, ESerialException)
VEXOR_SERIAL_EXCEPTION(EBadId, EOpenComm)
VEXOR_SERIAL_EXCEPTION(EAlreadyOpen, EOpenComm)
VEXOR_SERIAL_EXCEPTION(ENoPortSelected, EOpenComm)
VEXOR_SERIAL_EXCEPTION(ECommNotOpen, EOpenComm)
VEXOR_SERIAL_EXCEPTION(EBadArgument, EGeneral)
VEXOR_SERIAL_EXCEPTION(EOutputBufferTooSmall, ESerialIO)
VEXOR_SERIAL_EXCEPTION(EPutBlockFail, ESerialIO)
VEXOR_SERIAL_EXCEPTION(EBufferIsEmpty, ESerialIO)
#undef VEXOR_SERIAL_EXCEPTION

// The runtime's input/output error for an OS error number: not a serial exception.
class EInOutError : public std::runtime_error {
public:
    EInOutError(const std::string& message, int errorCode)
        : std::runtime_error(message), ErrorCode(errorCode) {}
    int ErrorCode;
    std::string Step; // as ESerialException's
};

// The message of a code: the component's own texts, the runtime's texts for OS error numbers,
// else the operating system's text for the number.
std::string SerialErrorText(int code);

// Throws the exception of a negative code (std::bad_alloc for -8), naming the system call that
// failed when there was one. The message is the code's, whatever the step.
[[noreturn]] void RaiseSerialError(int code, const char* step = "");

// The operating system's text for an error number, one line; supplied per platform.
std::string OsErrorText(int number);

// Where the component shows an error no caller asked for: a worker that failed, an exception out
// of an event handler. The program hands in its general error box; until then nothing is shown.
using SerialErrorReport = void (*)(const std::string& text);
void SetSerialErrorReport(SerialErrorReport report);
void ReportSerialError(const std::string& text);
