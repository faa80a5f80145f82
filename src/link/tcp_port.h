#pragma once

#include <memory>
#include <string>

#include "link/serial_channel.h"
#include "link/serial_devices.h"

class QTcpSocket;

namespace corvane {

namespace fw {
class OperatorPrompts;
}

// The serial channel through a serial device server: the RTU frames travel in a TCP connection
// to "tcp://HOST:PORT", and the server puts them on its RS-485 line. The line settings are the
// server's own (set up on the server); the connection only carries the bytes.
//
// It behaves as the serial port does: Open starts connecting and takes the receiver; every
// byte received is handed over one at a time, in order; a write first discards input not yet
// delivered, and bytes written while the connection is still being made go out once it stands.
// A connection that is refused, cannot be made or drops is reported once in the box
// "Corvane Comms Error", and made again at the next write.
class CTcpPort : public SerialChannel {
  public:
    CTcpPort(fw::OperatorPrompts& prompts, PortMap ports);
    ~CTcpPort() override;

    bool Open(const PortSettings& settings, ByteReceiver& receiver) override;
    void Write(std::span<const std::uint8_t> bytes) override;
    void SetFailureObserver(FailureObserver observer) override { observer_ = std::move(observer); }
    // Drops the connection and stops delivering; a write does not connect again until the next
    // Open.
    void Close();

    // True for a device that names a device server ("tcp://...").
    static bool NamesServer(const std::string& device);
    // Host and port of "tcp://HOST:PORT"; false when the text is not one (no host, a port
    // outside 1..65535).
    static bool ParseAddress(const std::string& device, std::string& host, int& port);

    static constexpr const char* kBadAddressText =
        "Not a device server address: give it as tcp://HOST:PORT, for example "
        "tcp://192.168.1.50:4001.";
    static constexpr const char* kClosedText =
        "The device server closed the connection. It is made again at the next request.";

  private:
    bool Connect(bool reportFailure);
    void ReadAvailable();
    void OnError();
    void Report(PortFailureKind kind, const std::string& whatHappened, const std::string& text);

    fw::OperatorPrompts& prompts_;
    FailureObserver observer_;
    PortMap ports_;
    std::unique_ptr<QTcpSocket> socket_;
    PortSettings settings_;
    ByteReceiver* receiver_ = nullptr;
    std::string device_;
    bool wanted_ = false;  // opened by the engine and not yet replaced
    bool outage_ = false;  // the connection failed; reported once until it stands again
};

}  // namespace corvane
