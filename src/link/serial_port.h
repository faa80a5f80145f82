#pragma once

#include <memory>
#include <string>

#include "link/serial_channel.h"
#include "link/serial_devices.h"

class QSerialPort;

namespace corvane {

namespace fw {
class OperatorPrompts;
}

// The serial channel on a real port (QSerialPort, on the user-interface thread).
//
// Open applies baud rate, parity, data and stop bits, raises RTS and purges the port; every
// byte read is handed to the receiver one at a time, in order. Every write first discards
// input that has arrived but was not yet delivered. A failing port operation is reported in the
// box "Corvane Comms Error" with the system's own error text; the channel carries on. Where the
// system's text would not tell a technician what to do, the box says it instead: a device this
// user may not open (how to join the dialout group), one in use by another program, one that is
// not there. When the device goes away (unplugged adapter, the other end of a pseudo-terminal
// hung up) the box says so, and the port is closed and opened again with the same settings at
// the next write; such an outage is reported once, not at every write.
class CSerialPort : public SerialChannel {
  public:
    CSerialPort(fw::OperatorPrompts& prompts, PortMap ports);
    ~CSerialPort() override;

    bool Open(const PortSettings& settings, ByteReceiver& receiver) override;
    void Write(std::span<const std::uint8_t> bytes) override;
    void SetFailureObserver(FailureObserver observer) override { observer_ = std::move(observer); }

    // Closes the device and stops delivering; a write does not open it again until the next
    // Open.
    void Close();
    bool IsOpen() const;
    const std::string& Device() const { return device_; }

    // The box text for a port that failed, as the operator reads it: which port and device,
    // what went wrong ("could not be opened"), and the reason (the system's text, or the advice
    // given in its place) after "Reason: ".
    static std::string ErrorText(const std::string& whatHappened, const std::string& device,
                                 const std::string& reason, int portNumber);
    static constexpr const char* kReasonLead = "\nReason: ";
    static constexpr const char* kErrorCaption = "Corvane Comms Error";
    static constexpr const char* kSettingsRefused =
        "would not take the line settings (baud rate, data bits, parity, stop bits)";
    // The reasons given in place of the system's text.
    static constexpr const char* kPermissionText =
        "Permission denied: this user may not use the device. Add the user to the dialout group "
        "(sudo usermod -aG dialout $USER), then log out and in again.";
    static constexpr const char* kBusyText =
        "The device is in use by another program. Close that program, then press Apply on the "
        "Communications page.";
    static constexpr const char* kMissingText =
        "No such device. Plug in the adapter, or choose its device on the Communications page.";
    static constexpr const char* kGoneText =
        "The device has gone away: the adapter was unplugged or the other end hung up. The port "
        "is opened again when the device is back.";

  private:
    bool OpenDevice(bool reportFailure);
    void ReadAvailable();
    void OnError(int error);
    void LoseDevice(const std::string& whatHappened);
    void EndOutage();
    void Report(PortFailureKind kind, const std::string& whatHappened, const std::string& reason,
                const std::string& holders = {});
    PortFailureKind OpenFailureKind() const;

    fw::OperatorPrompts& prompts_;
    FailureObserver observer_;
    PortMap ports_;
    std::unique_ptr<QSerialPort> port_;
    PortSettings settings_;
    ByteReceiver* receiver_ = nullptr;
    std::string device_;
    bool wanted_ = false;  // opened by the engine and not yet replaced
    bool outage_ = false;  // the device went away; reported once
};

}  // namespace corvane
