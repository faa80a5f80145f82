#pragma once

#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/serial_devices.h"

class QSettings;

namespace corvane {

// The serial ports as Qt Serial Port reports them (QSerialPortInfo). Qt gives no notice when an
// adapter comes or goes, so while someone listens the catalog looks at the ports every
// `periodMs` and calls back only when the list differs from the one seen before; with no
// listener it does not look at all.
class QtSerialDeviceCatalog : public SerialDeviceCatalog {
  public:
    using Source = std::function<std::vector<SerialDeviceInfo>()>;
    static constexpr int kPeriodMs = 1500;

    QtSerialDeviceCatalog();
    // For tests: the ports from `source` instead of the system.
    QtSerialDeviceCatalog(Source source, int periodMs);

    std::vector<SerialDeviceInfo> Devices() override;
    void Listen(std::function<void()> onChange) override;
    void StopListening() override;

    bool Polling() const { return timer_.isActive(); }
    // The system's ports, sorted by path.
    static std::vector<SerialDeviceInfo> SystemDevices();

  private:
    void Poll();

    Source source_;
    QTimer timer_;
    std::function<void()> onChange_;
    std::vector<SerialDeviceInfo> seen_;
};

// The devices chosen for the COM ports, in the user's settings where Qt keeps them
// (on Linux ~/.config/Corvane/Control Centre.conf, on Windows the registry), under
// "SerialPorts/COM1", "SerialPorts/COM2".
class QtPortDeviceSettings : public PortDeviceSettings {
  public:
    QtPortDeviceSettings();
    // For tests: an INI file of its own.
    explicit QtPortDeviceSettings(const QString& iniFile);
    ~QtPortDeviceSettings() override;

    std::string Device(int portNumber) const override;
    void SetDevice(int portNumber, const std::string& device) override;

  private:
    std::unique_ptr<QSettings> settings_;
};

}  // namespace corvane

namespace corvane {

// The user's kept choices and the system's ports, attached to `ports` (and every copy of it)
// for the life of this object.
class QtPortDevices {
  public:
    explicit QtPortDevices(PortMap& ports) : ports_(ports) {
        ports_.UseSettings(&settings_);
        ports_.UseCatalog(&catalog_);
    }
    ~QtPortDevices() {
        ports_.UseSettings(nullptr);
        ports_.UseCatalog(nullptr);
    }
    QtPortDevices(const QtPortDevices&) = delete;
    QtPortDevices& operator=(const QtPortDevices&) = delete;

  private:
    PortMap& ports_;
    QtPortDeviceSettings settings_;
    QtSerialDeviceCatalog catalog_;
};

}  // namespace corvane
