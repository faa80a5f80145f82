#include "link/tcp_port.h"

#include <QTcpSocket>
#include <charconv>

#include "framework/operator_prompts.h"
#include "link/serial_port.h"

namespace corvane {
namespace {

constexpr std::string_view kScheme = "tcp://";

}  // namespace

CTcpPort::CTcpPort(fw::OperatorPrompts& prompts, PortMap ports)
    : prompts_(prompts), ports_(std::move(ports)), socket_(std::make_unique<QTcpSocket>()) {
    QObject::connect(socket_.get(), &QTcpSocket::readyRead, socket_.get(),
                     [this] { ReadAvailable(); });
    QObject::connect(socket_.get(), &QTcpSocket::errorOccurred, socket_.get(),
                     [this](QAbstractSocket::SocketError) { OnError(); });
    QObject::connect(socket_.get(), &QTcpSocket::connected, socket_.get(),
                     [this] { outage_ = false; });
}

CTcpPort::~CTcpPort() {
    socket_->abort();
}

bool CTcpPort::NamesServer(const std::string& device) {
    return device.starts_with(kScheme);
}

bool CTcpPort::ParseAddress(const std::string& device, std::string& host, int& port) {
    if (!NamesServer(device)) return false;
    const std::string rest = device.substr(kScheme.size());
    const auto colon = rest.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    host = rest.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);  // [::1]
    }
    const std::string digits = rest.substr(colon + 1);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    return error == std::errc{} && end == digits.data() + digits.size() && port >= 1 &&
           port <= 65535 && !host.empty();
}

void CTcpPort::Report(PortFailureKind kind, const std::string& whatHappened,
                      const std::string& text) {
    if (observer_) observer_({kind, settings_.PortNumber, device_, whatHappened, text});
    prompts_.PostBox({CSerialPort::ErrorText(whatHappened, device_, text, settings_.PortNumber),
                      CSerialPort::kErrorCaption, fw::Icon::Stop, fw::Buttons::Ok},
                     [](fw::Answer) {});
}

bool CTcpPort::Open(const PortSettings& settings, ByteReceiver& receiver) {
    settings_ = settings;
    receiver_ = &receiver;
    wanted_ = true;
    outage_ = false;
    return Connect(true);
}

bool CTcpPort::Connect(bool reportFailure) {
    socket_->abort();
    device_ = ports_.DeviceFor(settings_.PortNumber);
    std::string host;
    int port = 0;
    if (!ParseAddress(device_, host, port)) {
        if (reportFailure) Report(PortFailureKind::Other, "could not be opened", kBadAddressText);
        return false;
    }
    socket_->connectToHost(QString::fromStdString(host), static_cast<quint16>(port));
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    return true;
}

void CTcpPort::Close() {
    wanted_ = false;
    receiver_ = nullptr;
    socket_->abort();
}

void CTcpPort::Write(std::span<const std::uint8_t> bytes) {
    if (socket_->state() == QAbstractSocket::UnconnectedState) {
        if (!wanted_ || !Connect(!outage_)) {
            outage_ = true;
            return;
        }
    }
    socket_->readAll();  // bytes that arrived but were not yet delivered
    socket_->write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

void CTcpPort::ReadAvailable() {
    const QByteArray bytes = socket_->readAll();
    for (const char byte : bytes) {
        if (receiver_ != nullptr) {
            receiver_->OnSerialByte(static_cast<std::uint8_t>(byte), settings_.PortNumber);
        }
    }
}

void CTcpPort::OnError() {
    const bool closed = socket_->error() == QAbstractSocket::RemoteHostClosedError;
    if (!outage_) {
        Report(closed ? PortFailureKind::GoneAway : PortFailureKind::Other,
               closed ? "lost its device server" : "could not reach its device server",
               closed ? kClosedText : socket_->errorString().toStdString());
    }
    outage_ = true;
    socket_->abort();
}

}  // namespace corvane
