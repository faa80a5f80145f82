#include "link/line_port.h"

#include "link/serial_port.h"
#include "link/tcp_port.h"

namespace corvane {

CLinePort::CLinePort(fw::OperatorPrompts& prompts, PortMap ports)
    : ports_(ports),
      serial_(std::make_unique<CSerialPort>(prompts, ports)),
      tcp_(std::make_unique<CTcpPort>(prompts, ports)) {}

CLinePort::~CLinePort() = default;

bool CLinePort::Open(const PortSettings& settings, ByteReceiver& receiver) {
    const bool server = CTcpPort::NamesServer(ports_.DeviceFor(settings.PortNumber));
    SerialChannel& chosen = server ? static_cast<SerialChannel&>(*tcp_) : *serial_;
    // The other transport stops delivering: it is replaced, as a reopening replaces the
    // earlier opening.
    if (server) {
        serial_->Close();
    } else {
        tcp_->Close();
    }
    open_ = &chosen;
    return chosen.Open(settings, receiver);
}

void CLinePort::Write(std::span<const std::uint8_t> bytes) {
    if (open_ != nullptr) open_->Write(bytes);
}

void CLinePort::SetFailureObserver(FailureObserver observer) {
    serial_->SetFailureObserver(observer);
    tcp_->SetFailureObserver(std::move(observer));
}

}  // namespace corvane
