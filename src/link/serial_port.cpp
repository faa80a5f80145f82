#include "link/serial_port.h"

#include <QFileInfo>
#include <QSerialPort>

#include "framework/operator_prompts.h"
#include "link/serial_adapters.h"

namespace corvane {
namespace {

QSerialPort::Parity ParityOf(char parity) {
    switch (parity) {
        case 'E': return QSerialPort::EvenParity;
        case 'O': return QSerialPort::OddParity;
        case 'M': return QSerialPort::MarkParity;
        case 'S': return QSerialPort::SpaceParity;
        default: return QSerialPort::NoParity;
    }
}

// The reason a failure of `kind` is given in the box: for what a technician can put right, the
// advice in words that say what to do; otherwise the system's own text. A busy device names the
// programs that hold it, where they can be seen.
std::string ReasonText(PortFailureKind kind, const QSerialPort& port, const std::string& holders) {
    switch (kind) {
        case PortFailureKind::Missing: return CSerialPort::kMissingText;
        case PortFailureKind::Busy: {
            if (holders.empty()) return CSerialPort::kBusyText;
            return "The device is in use by another program (" + holders +
                   "). Close that program, then press Apply on the Communications page.";
        }
        case PortFailureKind::Permission: return CSerialPort::kPermissionText;
        case PortFailureKind::GoneAway: return CSerialPort::kGoneText;
        default: return port.errorString().toStdString();
    }
}

}  // namespace

CSerialPort::CSerialPort(fw::OperatorPrompts& prompts, PortMap ports)
    : prompts_(prompts), ports_(std::move(ports)), port_(std::make_unique<QSerialPort>()) {
    QObject::connect(port_.get(), &QSerialPort::readyRead, port_.get(),
                     [this] { ReadAvailable(); });
    QObject::connect(
        port_.get(), &QSerialPort::errorOccurred, port_.get(),
        [this](QSerialPort::SerialPortError error) { OnError(static_cast<int>(error)); });
}

CSerialPort::~CSerialPort() {
    if (port_->isOpen()) port_->close();
}

void CSerialPort::Close() {
    wanted_ = false;
    receiver_ = nullptr;
    if (port_->isOpen()) port_->close();
}

bool CSerialPort::IsOpen() const {
    return port_->isOpen();
}

std::string CSerialPort::ErrorText(const std::string& whatHappened, const std::string& device,
                                   const std::string& reason, int portNumber) {
    // Not cut to a fixed length: a long /dev/serial/by-id path must not cost the advice.
    return "The serial port COM" + std::to_string(portNumber) + " (" + device + ") " +
           whatHappened + "." + kReasonLead + reason;
}

// One box an outage: the outage ends when a request goes out again, and its box, should it still
// be open, goes then too.
void CSerialPort::Report(PortFailureKind kind, const std::string& whatHappened,
                         const std::string& reason, const std::string& holders) {
    if (observer_) observer_({kind, settings_.PortNumber, device_, whatHappened, reason, holders});
    prompts_.PostBox({ErrorText(whatHappened, device_, reason, settings_.PortNumber), kErrorCaption,
                      fw::Icon::Stop, fw::Buttons::Ok},
                     [](fw::Answer) {});
}

bool CSerialPort::Open(const PortSettings& settings, ByteReceiver& receiver) {
    settings_ = settings;
    receiver_ = &receiver;
    wanted_ = true;
    EndOutage();  // a port opened anew starts without the last one's outage, or its box
    return OpenDevice(true);
}

bool CSerialPort::OpenDevice(bool reportFailure) {
    if (port_->isOpen()) port_->close();
    device_ = ports_.DeviceFor(settings_.PortNumber);
    port_->setPortName(QString::fromStdString(device_));
    if (!port_->open(QIODevice::ReadWrite)) {
        if (reportFailure) {
            const PortFailureKind kind = OpenFailureKind();
            const std::string holders =
                kind == PortFailureKind::Busy ? HoldersText(HoldersOf(device_)) : std::string();
            Report(kind, "could not be opened", ReasonText(kind, *port_, holders), holders);
        }
        outage_ = true;  // reported: the writes that follow do not report it again
        return false;
    }
    EndOutage();  // the device is back: its box goes, before anything new is reported
    const bool applied =
        port_->setBaudRate(settings_.BaudRate) &&
        port_->setDataBits(settings_.DataBits == 7 ? QSerialPort::Data7 : QSerialPort::Data8) &&
        port_->setParity(ParityOf(settings_.Parity)) &&
        port_->setStopBits(settings_.StopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
        port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!applied) {
        Report(PortFailureKind::Other, kSettingsRefused, port_->errorString().toStdString());
    } else if (!port_->setRequestToSend(true) &&
               port_->error() != QSerialPort::UnsupportedOperationError) {
        // Pseudo-terminals have no modem lines; real ports must take RTS.
        Report(PortFailureKind::Other, kSettingsRefused, port_->errorString().toStdString());
    }
    port_->clearError();
    port_->clear(QSerialPort::AllDirections);
    return true;
}

// Why the device would not open.
PortFailureKind CSerialPort::OpenFailureKind() const {
    switch (port_->error()) {
        case QSerialPort::DeviceNotFoundError: return PortFailureKind::Missing;
        case QSerialPort::PermissionError: {
            // Qt reports a device held by another program (busy, or locked) the same way.
            const QFileInfo file(QString::fromStdString(device_));
            return file.isReadable() && file.isWritable() ? PortFailureKind::Busy
                                                          : PortFailureKind::Permission;
        }
        default: return PortFailureKind::Other;
    }
}

void CSerialPort::Write(std::span<const std::uint8_t> bytes) {
    if (!port_->isOpen()) {
        if (!wanted_ || !OpenDevice(!outage_)) {
            outage_ = true;
            return;
        }
        EndOutage();
    }
    port_->clear(QSerialPort::Input);
    if (!port_->isOpen()) return;  // the device went away just now (reported)
    port_->readAll();              // bytes that arrived but were not yet delivered
    const auto written = port_->write(reinterpret_cast<const char*>(bytes.data()),
                                      static_cast<qint64>(bytes.size()));
    if (written != static_cast<qint64>(bytes.size())) {
        LoseDevice("failed while sending a request");
    }
}

void CSerialPort::EndOutage() {
    if (!outage_) return;
    outage_ = false;
    prompts_.WithdrawBoxes(kErrorCaption);
}

// The device failed under us: close it (the next write opens it again) and say so once. The
// system's text for this ("Input/output error", "Inappropriate ioctl for device") says nothing
// to an operator; what happened is that the device went away.
void CSerialPort::LoseDevice(const std::string& whatHappened) {
    if (port_->isOpen()) port_->close();
    if (!outage_) Report(PortFailureKind::GoneAway, whatHappened, kGoneText);
    outage_ = true;
}

void CSerialPort::ReadAvailable() {
    const QByteArray bytes = port_->readAll();
    for (const char byte : bytes) {
        if (receiver_ != nullptr) {
            receiver_->OnSerialByte(static_cast<std::uint8_t>(byte), settings_.PortNumber);
        }
    }
}

void CSerialPort::OnError(int error) {
    switch (static_cast<QSerialPort::SerialPortError>(error)) {
        case QSerialPort::NoError:
        case QSerialPort::DeviceNotFoundError:  // reported by Open
        case QSerialPort::PermissionError:
        case QSerialPort::OpenError:
        case QSerialPort::UnsupportedOperationError:
        case QSerialPort::TimeoutError: return;
        case QSerialPort::ResourceError:
        case QSerialPort::ReadError: LoseDevice("failed while reading the sensor's reply"); return;
        case QSerialPort::WriteError: LoseDevice("failed while sending a request"); return;
        default:
            Report(PortFailureKind::Other, "reported a fault", port_->errorString().toStdString());
            return;
    }
}

}  // namespace corvane
