#pragma once

#include <array>
#include <string>
#include <vector>

#include "link/sensor_link.h"
#include "link/serial_devices.h"
#include "page_kit/operator_page.h"

namespace corvane {

// The Communications page: the Modbus address the program talks to, a new address given to the
// sensor, the search of the address range for a sensor that answers (run by the link's address
// scan), and the serial port with its settings. The page keeps its own copy of the port and its
// settings until Apply, which makes the link reopen the port with them.
//
// Beside each of the two port buttons a drop-down list shows the device that port opens and
// offers the system's serial ports instead, kept up to date while the page is in view as
// adapters come and go. A device chosen there is kept in the user's settings at Apply. A device
// that is not among the system's ports (a pseudo-terminal, an unplugged adapter) is offered as
// well, so the list always shows what the port opens.
class CAdvCommsPage : public OperatorPage {
  public:
    static constexpr int kTimerId = 4;
    static constexpr int kHighestAddress = 247;

    CAdvCommsPage(fw::Host& host, SharedRecords& records, SensorLink& link);
    ~CAdvCommsPage() override;

    // The devices the ports open and the ports to choose from. Without them (a line that has no
    // devices, such as the in-process virtual sensor) the device lists stay empty and disabled.
    void UseDevices(PortMap* ports) { ports_ = ports; }

  protected:
    void DoDataExchange(fw::DataExchange& dx) override;
    void InitialiseFields() override;
    void CopyFromSensor() override;
    bool OnSetActive() override;
    bool OnKillActive() override;
    void OnDestroy() override;
    bool OnApply() override;
    void OnReset() override;
    void OnOK() override;
    void OnNotify(int id, fw::Notify notify) override;

  private:
    void ShowSettings();
    // The devices the ports open now, as the page's own copy.
    void LoadDevices();
    void RememberDevice(std::size_t port, const std::string& path);
    // Fills both device lists from the catalog and selects the device each port is to open.
    void ShowDevices();
    void FollowCatalog(bool follow);

    int currentId_ = 0;
    int selectId_ = 0;
    int portIndex_ = 0;
    int baudIndex_ = 2;
    int dataBitsIndex_ = 1;
    int parityIndex_ = 2;
    int stopBitsIndex_ = 0;
    int flowIndex_ = 2;

    PortMap* ports_ = nullptr;
    std::array<std::string, 2> device_;                    // COM1's and COM2's, until Apply
    std::array<std::vector<std::string>, 2> listed_;       // the device behind each entry
    std::array<std::vector<std::string>, 2> usedDevices_;  // by each port in this run
    bool following_ = false;
    SensorLink& link_;
};

}  // namespace corvane
