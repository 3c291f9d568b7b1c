#pragma once
// The serial port component: one RS232 port as an object. It opens "\\.\COMn", keeps received
// bytes in the dispatcher's InputRing, queues bytes for sending, and raises OnTriggerAvail on the
// thread that opened it when bytes arrive. Every call comes from that one thread.
#include <windows.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "serial/LineSettings.h"
#include "serial/SerialException.h"
#include "serial/SerialPort.h"
#include "serial/TickTimer.h"
#include "serial/Win32Dispatcher.h"
#include "ui/Handles.h"

enum class TLinkState { LinkClosed, LinkClosing, LinkOpen };
enum class TParity { pNone, pOdd, pEven, pMark, pSpace };
enum class TSWFlowOptions { swfNone, swfReceive, swfTransmit, swfBoth };

class TSerialCustomComPort : public TSerialPort {
public:
    TSerialCustomComPort();
    ~TSerialCustomComPort() override;
    TSerialCustomComPort(const TSerialCustomComPort&) = delete;
    TSerialCustomComPort& operator=(const TSerialCustomComPort&) = delete;

    uint16_t ComNumber() const override { return comNumber_; }
    void SetComNumber(uint16_t number);
    int32_t Baud() const { return line_.Baud; }
    void SetBaud(int32_t baud);
    TParity Parity() const { return TParity(line_.Parity.value_or(0)); }
    void SetParity(TParity parity);
    uint16_t DataBits() const { return line_.DataBits.value_or(8); }
    void SetDataBits(uint16_t bits);
    uint16_t StopBits() const { return line_.StopBits.value_or(1); }
    void SetStopBits(uint16_t bits);
    uint16_t InSize() const { return inSize_; }
    void SetInSize(uint16_t size);
    uint16_t OutSize() const { return outSize_; }
    void SetOutSize(uint16_t size);
    bool Open() const { return open_; }
    void SetOpen(bool open) override;
    bool AutoOpen = true;
    bool PromptForPort = true;
    bool DTR() const { return dtr_; }
    void SetDTR(bool on);
    bool RTS() const { return rts_; }
    void SetRTS(bool on);
    THWFlowOptionSet HWFlowOptions() const { return hwFlow_; }
    void SetHWFlowOptions(THWFlowOptionSet options);
    TSWFlowOptions SWFlowOptions() const { return swFlow_; }
    void SetSWFlowOptions(TSWFlowOptions options);
    char XOnChar() const { return xon_; }
    void SetXOnChar(char c);
    char XOffChar() const { return xoff_; }
    void SetXOffChar(char c);
    uint16_t BufferFull() const { return bufferFull_; }
    void SetBufferFull(uint16_t level);
    uint16_t BufferResume() const { return bufferResume_; }
    void SetBufferResume(uint16_t level);
    const TTriggerAvailEvent& OnTriggerAvail() const { return onTriggerAvail_; }
    void SetOnTriggerAvail(TTriggerAvailEvent handler) override;

    TLinkState LinkState() const { return linkState_; }

    void SendString(std::string_view bytes) override;
    bool ByteReady() override;
    uint8_t ReadByte() override;
    uint32_t BytesWaiting();
    void DiscardOutput() override;
    void DiscardInput() override;
    void YieldToPort() override;
    bool DeviceLost() const override;

    // How an open with ComNumber 0 asks the user for a port: the chosen number, or 0 when the
    // user cancelled. Unset, such an open fails with ENoPortSelected.
    static std::function<uint16_t()> ChoosePort;

private:
    static LRESULT CALLBACK NotifyWindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);

    TSerialWin32Dispatcher* Active();
    // The dispatcher while the port is open, else null: settings then only wait for the open.
    TSerialWin32Dispatcher* OpenDispatcher() const;
    void OpenPort();
    void ClosePort();
    void FinishClose();
    void ApplyFlowThresholds();
    void ApplySoftwareFlow();
    void HandleNotification(UINT message, WPARAM wParam, LPARAM lParam);
    static void Check(int code);

    uint16_t comNumber_ = 0;
    LineOptions line_;
    uint16_t inSize_ = 4096, outSize_ = 4096;
    bool open_ = false;
    bool dtr_ = true, rts_ = true;
    THWFlowOptionSet hwFlow_ = 0;
    TSWFlowOptions swFlow_ = TSWFlowOptions::swfNone;
    char xon_ = 17, xoff_ = 19;
    uint16_t bufferFull_ = 0, bufferResume_ = 0;
    TTriggerAvailEvent onTriggerAvail_;

    TLinkState linkState_ = TLinkState::LinkClosed;
    uint16_t availThreshold_ = 1; // the trigger setup carried over a close and the next open
    bool openRequested_ = false;
    bool inHandler_ = false; // OnTriggerAvail runs
    std::unique_ptr<TSerialWin32Dispatcher> dispatcher_;
    UniqueWindow notifyWindow_;
};

class TSerialComPort : public TSerialCustomComPort {};
