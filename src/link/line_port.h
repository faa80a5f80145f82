#pragma once

#include <memory>

#include "link/serial_channel.h"
#include "link/serial_devices.h"

namespace corvane {

namespace fw {
class OperatorPrompts;
}

class CSerialPort;
class CTcpPort;

// The channel a COM port number stands for: a serial device ("/dev/ttyUSB0", "COM3") through
// the serial port, or a serial device server ("tcp://HOST:PORT") through a TCP connection. The
// choice is made at every opening, from the device the port map gives then, so a device chosen
// on the Communications page takes effect at the next Apply like any other.
class CLinePort : public SerialChannel {
  public:
    CLinePort(fw::OperatorPrompts& prompts, PortMap ports);
    ~CLinePort() override;

    bool Open(const PortSettings& settings, ByteReceiver& receiver) override;
    void Write(std::span<const std::uint8_t> bytes) override;
    void SetFailureObserver(FailureObserver observer) override;

  private:
    PortMap ports_;
    std::unique_ptr<CSerialPort> serial_;
    std::unique_ptr<CTcpPort> tcp_;
    SerialChannel* open_ = nullptr;
};

}  // namespace corvane
