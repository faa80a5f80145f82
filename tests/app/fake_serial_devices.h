#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "link/serial_devices.h"

namespace corvane::testing {

// The system's serial ports as a test sets them: adapters are plugged in and pulled out by
// hand, and a listener hears of it at once.
class FakeSerialDeviceCatalog : public SerialDeviceCatalog {
  public:
    std::vector<SerialDeviceInfo> Devices() override { return devices_; }
    void Listen(std::function<void()> onChange) override { onChange_ = std::move(onChange); }
    void StopListening() override { onChange_ = nullptr; }

    bool Listening() const { return static_cast<bool>(onChange_); }
    void Plug(SerialDeviceInfo device) {
        devices_.push_back(std::move(device));
        std::sort(devices_.begin(), devices_.end(),
                  [](const auto& a, const auto& b) { return a.Path < b.Path; });
        Changed();
    }
    void Unplug(const std::string& path) {
        std::erase_if(devices_, [&](const auto& device) { return device.Path == path; });
        Changed();
    }

  private:
    void Changed() {
        if (onChange_) onChange_();
    }

    std::vector<SerialDeviceInfo> devices_;
    std::function<void()> onChange_;
};

// The user's settings in memory.
class FakePortDeviceSettings : public PortDeviceSettings {
  public:
    std::string Device(int portNumber) const override {
        const auto found = kept.find(portNumber);
        return found == kept.end() ? std::string() : found->second;
    }
    void SetDevice(int portNumber, const std::string& device) override {
        kept[portNumber] = device;
        ++writes;
    }

    std::map<int, std::string> kept;
    int writes = 0;
};

}  // namespace corvane::testing
