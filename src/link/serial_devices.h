#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace corvane {

// One serial port of the system, as the operating system describes it.
struct SerialDeviceInfo {
    std::string Path;          // what is opened: "/dev/ttyUSB0", "COM3"
    std::string Description;   // "FT232R USB UART"
    std::string Maker;         // "FTDI"
    std::string SerialNumber;  // the adapter's own serial number, "A10K3XYZ"

    bool operator==(const SerialDeviceInfo&) const = default;
};

// How a device is offered to the operator: "/dev/ttyUSB0 — FT232R USB UART (FTDI, A10K3XYZ)";
// the parts the system does not know are left out ("/dev/ttyS0" alone for a bare port).
std::string DeviceEntryText(const SerialDeviceInfo& device);

// The serial ports present on this machine.
//
// Contract:
// - Devices lists the ports present now, sorted by path.
// - Listen makes the catalog call `onChange` on the user-interface thread whenever the list
//   differs from the one last seen (an adapter plugged in or pulled out), until StopListening.
//   A second Listen replaces the first listener. The catalog never calls back from inside
//   Listen or StopListening, and costs nothing while nobody listens.
class SerialDeviceCatalog {
  public:
    virtual ~SerialDeviceCatalog() = default;
    virtual std::vector<SerialDeviceInfo> Devices() = 0;
    virtual void Listen(std::function<void()> onChange) = 0;
    virtual void StopListening() = 0;
};

// The device the operator chose for each COM port number, kept in the user's settings from run
// to run (not in the application state file, whose values are fixed).
class PortDeviceSettings {
  public:
    virtual ~PortDeviceSettings() = default;
    // The device kept for `portNumber`; empty when none was chosen.
    virtual std::string Device(int portNumber) const = 0;
    virtual void SetDevice(int portNumber, const std::string& device) = 0;
};

// Which device each COM port number opens, in this order:
// 1. the device given for this run (the command line's --com1 and --com2, the simulator),
// 2. the device the operator chose and the settings keep,
// 3. the default: "COM%d" on Windows; on Linux the USB serial adapters in turn
//    (/dev/ttyUSB0 for COM1, /dev/ttyUSB1 for COM2, and so on).
// Copies share one set of devices, so a choice made on the Communications page reaches the port
// that holds a copy. The settings and the catalog are optional and must outlive every copy.
class PortMap {
  public:
    // The device of `portNumber` for this run only; the kept choice is left as it is.
    void Set(int portNumber, std::string device);
    std::string DeviceFor(int portNumber) const;
    // The operator's choice: kept in the settings and used from now on, ahead of a device given
    // for this run.
    void Choose(int portNumber, const std::string& device);

    void UseSettings(PortDeviceSettings* settings) { state_->settings = settings; }
    void UseCatalog(SerialDeviceCatalog* catalog) { state_->catalog = catalog; }
    SerialDeviceCatalog* Catalog() const { return state_->catalog; }

  private:
    struct State {
        std::map<int, std::string> thisRun;
        PortDeviceSettings* settings = nullptr;
        SerialDeviceCatalog* catalog = nullptr;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace corvane
