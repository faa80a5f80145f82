#include "link/serial_device_catalog_qt.h"

#include <QSerialPortInfo>
#include <QSettings>
#include <algorithm>

namespace corvane {
namespace {

QString KeyFor(int portNumber) {
    return QStringLiteral("SerialPorts/COM%1").arg(portNumber);
}

}  // namespace

QtSerialDeviceCatalog::QtSerialDeviceCatalog() : QtSerialDeviceCatalog(SystemDevices, kPeriodMs) {}

QtSerialDeviceCatalog::QtSerialDeviceCatalog(Source source, int periodMs)
    : source_(std::move(source)) {
    timer_.setInterval(periodMs);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Poll(); });
}

std::vector<SerialDeviceInfo> QtSerialDeviceCatalog::SystemDevices() {
    std::vector<SerialDeviceInfo> devices;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        devices.push_back({port.systemLocation().toStdString(), port.description().toStdString(),
                           port.manufacturer().toStdString(), port.serialNumber().toStdString()});
    }
    std::sort(devices.begin(), devices.end(),
              [](const SerialDeviceInfo& a, const SerialDeviceInfo& b) { return a.Path < b.Path; });
    return devices;
}

std::vector<SerialDeviceInfo> QtSerialDeviceCatalog::Devices() {
    seen_ = source_();
    return seen_;
}

void QtSerialDeviceCatalog::Listen(std::function<void()> onChange) {
    onChange_ = std::move(onChange);
    seen_ = source_();
    timer_.start();
}

void QtSerialDeviceCatalog::StopListening() {
    timer_.stop();
    onChange_ = nullptr;
}

void QtSerialDeviceCatalog::Poll() {
    std::vector<SerialDeviceInfo> now = source_();
    if (now == seen_) return;
    seen_ = std::move(now);
    if (onChange_) {
        const auto onChange = onChange_;  // the listener may stop listening
        onChange();
    }
}

QtPortDeviceSettings::QtPortDeviceSettings()
    : settings_(std::make_unique<QSettings>(QStringLiteral("Corvane"),
                                            QStringLiteral("Control Centre"))) {}

QtPortDeviceSettings::QtPortDeviceSettings(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

QtPortDeviceSettings::~QtPortDeviceSettings() = default;

std::string QtPortDeviceSettings::Device(int portNumber) const {
    return settings_->value(KeyFor(portNumber)).toString().toStdString();
}

void QtPortDeviceSettings::SetDevice(int portNumber, const std::string& device) {
    settings_->setValue(KeyFor(portNumber), QString::fromStdString(device));
    settings_->sync();
}

}  // namespace corvane
