#include "link/serial_devices.h"

namespace corvane {

std::string DeviceEntryText(const SerialDeviceInfo& device) {
    std::string text = device.Path;
    if (!device.Description.empty()) text += " \u2014 " + device.Description;
    std::string details = device.Maker;
    if (!device.SerialNumber.empty()) {
        details += (details.empty() ? "" : ", ") + device.SerialNumber;
    }
    if (!details.empty()) text += (device.Description.empty() ? " \u2014 (" : " (") + details + ")";
    return text;
}

void PortMap::Set(int portNumber, std::string device) {
    state_->thisRun[portNumber] = std::move(device);
}

std::string PortMap::DeviceFor(int portNumber) const {
    const auto given = state_->thisRun.find(portNumber);
    if (given != state_->thisRun.end()) return given->second;
    if (state_->settings != nullptr) {
        std::string kept = state_->settings->Device(portNumber);
        if (!kept.empty()) return kept;
    }
#ifdef _WIN32
    return "COM" + std::to_string(portNumber);
#else
    return "/dev/ttyUSB" + std::to_string(portNumber - 1);
#endif
}

void PortMap::Choose(int portNumber, const std::string& device) {
    if (state_->settings != nullptr) state_->settings->SetDevice(portNumber, device);
    state_->thisRun[portNumber] = device;
}

}  // namespace corvane
