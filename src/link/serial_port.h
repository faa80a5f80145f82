#pragma once

#include <map>
#include <memory>
#include <string>

#include "link/serial_channel.h"

class QSerialPort;

namespace corvane {

namespace fw {
class Host;
}

// Which device each COM port number opens: "COM%d" on Windows; on Linux the devices given on
// the command line (--com1, --com2), by default the first USB serial adapters
// (/dev/ttyUSB0 for COM1, /dev/ttyUSB1 for COM2, and so on).
class PortMap {
  public:
    void Set(int portNumber, std::string device) { devices_[portNumber] = std::move(device); }
    std::string DeviceFor(int portNumber) const;

  private:
    std::map<int, std::string> devices_;
};

// The serial channel on a real port (QSerialPort, on the user-interface thread).
//
// Open applies baud rate, parity, data and stop bits, raises RTS and purges the port; every
// byte read is handed to the receiver one at a time, in order. Every write first discards
// input that has arrived but was not yet delivered. A failing port operation is reported in the
// box "Corvane Comms Error" with the system's own error text; the channel carries on. When the
// device goes away (unplugged adapter, closed pseudo-terminal) the port is closed and opened
// again with the same settings at the next write; such an outage is reported once, not at
// every write.
class CSerialPort : public SerialChannel {
  public:
    CSerialPort(fw::Host& host, PortMap ports);
    ~CSerialPort() override;

    bool Open(const PortSettings& settings, ByteReceiver& receiver) override;
    void Write(std::span<const std::uint8_t> bytes) override;

    bool IsOpen() const;
    const std::string& Device() const { return device_; }

    // The box text for a failing operation, as the operator sees it.
    static std::string ErrorText(const std::string& operation, const std::string& systemText,
                                 int portNumber);

  private:
    bool OpenDevice(bool reportFailure);
    void ReadAvailable();
    void OnError(int error);
    void LoseDevice(const std::string& operation);
    void Report(const std::string& operation, const std::string& systemText);

    fw::Host& host_;
    PortMap ports_;
    std::unique_ptr<QSerialPort> port_;
    PortSettings settings_;
    ByteReceiver* receiver_ = nullptr;
    std::string device_;
    bool wanted_ = false;  // opened by the engine and not yet replaced
    bool outage_ = false;  // the device went away; reported once
};

}  // namespace corvane
