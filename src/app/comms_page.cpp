#include "app/comms_page.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "framework/exchange_fields.h"
#include "link/port_settings.h"
#include "resources/comms_page.h"
#include "resources/list_texts.h"

namespace corvane {
namespace {

constexpr std::array<int, 2> kDeviceLists = {ids::kComDevice1, ids::kComDevice2};

// Whether two paths name one device: "/dev/serial/by-id/usb-FTDI_..." is "/dev/ttyUSB0".
bool SameDevice(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code error;
    const auto realA = std::filesystem::canonical(a, error);
    if (error) return false;
    const auto realB = std::filesystem::canonical(b, error);
    return !error && realA == realB;
}

// The entry of a device the system does not list among its serial ports.
std::string UnlistedEntry(const std::string& device) {
    std::error_code error;
    if (std::filesystem::exists(device, error)) return device;
    return device + " \u2014 not present";
}

}  // namespace

CAdvCommsPage::CAdvCommsPage(fw::Host& host, SharedRecords& records, SensorLink& link)
    : OperatorPage(host, records, resources::CommsPageTemplate(), kTimerId,
                   ids::kComSystemMessages),
      link_(link) {}

CAdvCommsPage::~CAdvCommsPage() {
    FollowCatalog(false);
}

// The current address is shown, never read back: an address outside the range (a damaged state
// file) must not make every exchange of the page fail on a field the operator cannot edit.
void CAdvCommsPage::DoDataExchange(fw::DataExchange& dx) {
    using namespace ids;
    if (!dx.Pulling()) dx.Text(kComCurrentId, currentId_);
    fw::IntegerField(dx, kComSelectId, selectId_, 0, kHighestAddress);
    dx.Radio(kComUseComm1, portIndex_);
    dx.ListIndex(kComBaudRate, baudIndex_);
    dx.ListIndex(kComDataBits, dataBitsIndex_);
    dx.ListIndex(kComParity, parityIndex_);
    dx.ListIndex(kComStopBits, stopBitsIndex_);
    dx.ListIndex(kComFlowControl, flowIndex_);
}

void CAdvCommsPage::ShowSettings() {
    fw::WindowModel& c = Controls();
    c.ListSetItems(ids::kComBaudRate, lists::Items(lists::kBaudRates));
    c.ListSetItems(ids::kComDataBits, lists::Items(lists::kDataBits));
    c.ListSetItems(ids::kComParity, lists::Items(lists::kParities));
    c.ListSetItems(ids::kComStopBits, lists::Items(lists::kStopBits));
    c.ListSetItems(ids::kComFlowControl, lists::Items(lists::kFlowControls));
}

void CAdvCommsPage::LoadDevices() {
    if (ports_ == nullptr) return;
    for (std::size_t port = 0; port < device_.size(); ++port) {
        device_[port] = ports_->DeviceFor(static_cast<int>(port) + 1);
        RememberDevice(port, device_[port]);
    }
}

// Every device a port has used in this run stays on offer for it, the catalog's or not (a device
// given on the command line, a pseudo-terminal, a device server), so the operator can go back.
void CAdvCommsPage::RememberDevice(std::size_t port, const std::string& path) {
    if (path.empty()) return;
    for (const std::string& known : usedDevices_[port]) {
        if (SameDevice(known, path)) return;
    }
    usedDevices_[port].push_back(path);
}

void CAdvCommsPage::ShowDevices() {
    if (!IsOpen()) return;
    std::vector<SerialDeviceInfo> devices;
    if (ports_ != nullptr && ports_->Catalog() != nullptr) devices = ports_->Catalog()->Devices();
    for (std::size_t port = 0; port < kDeviceLists.size(); ++port) {
        std::vector<std::string> entries;
        std::vector<std::string>& listed = listed_[port];
        listed.clear();
        int selected = -1;
        for (const SerialDeviceInfo& device : devices) {
            if (selected < 0 && SameDevice(device.Path, device_[port])) {
                selected = static_cast<int>(listed.size());
            }
            entries.push_back(DeviceEntryText(device));
            listed.push_back(device.Path);
        }
        if (ports_ != nullptr) {
            // The devices used in this run that the catalog does not list, first.
            std::size_t inserted = 0;
            for (const std::string& used : usedDevices_[port]) {
                const bool catalogued = std::any_of(
                    devices.begin(), devices.end(),
                    [&used](const SerialDeviceInfo& d) { return SameDevice(d.Path, used); });
                if (catalogued) continue;
                const auto at = static_cast<std::ptrdiff_t>(inserted++);
                entries.insert(entries.begin() + at, UnlistedEntry(used));
                listed.insert(listed.begin() + at, used);
            }
            if (selected >= 0) selected += static_cast<int>(inserted);
            for (std::size_t i = 0; selected < 0 && i < inserted; ++i) {
                if (SameDevice(listed[i], device_[port])) selected = static_cast<int>(i);
            }
        }
        Controls().ListSetItems(kDeviceLists[port], std::move(entries));
        Controls().ListSelect(kDeviceLists[port], selected);
    }
}

void CAdvCommsPage::FollowCatalog(bool follow) {
    SerialDeviceCatalog* catalog = ports_ != nullptr ? ports_->Catalog() : nullptr;
    if (catalog == nullptr || follow == following_) return;
    following_ = follow;
    if (follow) {
        catalog->Listen([this] { ShowDevices(); });
    } else {
        catalog->StopListening();
    }
}

// The port settings change only through "&Load Default Setup" (and the state file), so the
// lists are shown but not enabled.
void CAdvCommsPage::InitialiseFields() {
    for (const int id : {ids::kComBaudRate, ids::kComDataBits, ids::kComParity, ids::kComStopBits,
                         ids::kComFlowControl}) {
        Controls().Enable(id, false);
    }
    ShowSettings();
    for (const int id : kDeviceLists) Controls().Enable(id, ports_ != nullptr);
    const SensorData& s = records_.Sensor;
    baudIndex_ = s.BaudIndex;
    dataBitsIndex_ = s.DataBitsIndex;
    parityIndex_ = s.ParityIndex;
    stopBitsIndex_ = s.StopBitsIndex;
    flowIndex_ = s.FlowIndex;
    currentId_ = s.DeviceId;
    selectId_ = s.DeviceId;
    portIndex_ = s.PortIndex;
    LoadDevices();
    ShowDevices();
}

bool CAdvCommsPage::OnSetActive() {
    const SensorData& s = records_.Sensor;
    currentId_ = s.DeviceId;
    selectId_ = s.DeviceId;
    portIndex_ = s.PortIndex;
    LoadDevices();
    ShowDevices();
    FollowCatalog(true);
    return OperatorPage::OnSetActive();
}

// A probe of a new address still under way ends with the page: the sensor keeps its address,
// and no other page's traffic goes to the address probed.
bool CAdvCommsPage::OnKillActive() {
    if (!OperatorPage::OnKillActive()) return false;
    link_.AbandonAddressCheck();
    FollowCatalog(false);
    return true;
}

void CAdvCommsPage::OnDestroy() {
    link_.AbandonAddressCheck();
    FollowCatalog(false);
    OperatorPage::OnDestroy();
}

// A finished scan or address change is acknowledged here: its lines go and the addresses show.
void CAdvCommsPage::CopyFromSensor() {
    if (!link_.TakeFinishedScan()) return;
    records_.Slots.Clear(line::kLinkLines);
    records_.Slots.Clear(line::kScanLines);
    currentId_ = records_.Sensor.DeviceId;
    selectId_ = records_.Sensor.NewDeviceId;
}

bool CAdvCommsPage::OnApply() {
    SensorData& s = records_.Sensor;
    s.BaudIndex = baudIndex_;
    s.DataBitsIndex = dataBitsIndex_;
    s.ParityIndex = parityIndex_;
    s.StopBitsIndex = stopBitsIndex_;
    s.FlowIndex = flowIndex_;
    DeriveLineSettings(s);
    s.PortIndex = portIndex_;
    s.PortNumber = portIndex_ + 1;
    if (ports_ != nullptr) {
        for (std::size_t port = 0; port < device_.size(); ++port) {
            const int number = static_cast<int>(port) + 1;
            if (device_[port] != ports_->DeviceFor(number)) ports_->Choose(number, device_[port]);
        }
    }
    link_.ApplyPortSettings();  // the port opens again with these settings
    return OperatorPage::OnApply();
}

void CAdvCommsPage::OnReset() {
    link_.ConfirmPortSettings();
}

// Enter moves the focus round the five lists (from the address field to the first of them).
void CAdvCommsPage::OnOK() {
    using namespace ids;
    fw::WindowModel& c = Controls();
    switch (c.Focus()) {
        case kComSelectId:
        case kComFlowControl: c.SetFocus(kComBaudRate); break;
        case kComBaudRate: c.SetFocus(kComDataBits); break;
        case kComDataBits: c.SetFocus(kComParity); break;
        case kComParity: c.SetFocus(kComStopBits); break;
        case kComStopBits: c.SetFocus(kComFlowControl); break;
        default: break;
    }
    link_.ConfirmPortSettings();
}

void CAdvCommsPage::OnNotify(int id, fw::Notify notify) {
    using namespace ids;
    using fw::Notify;
    if (notify == Notify::SelectionChanged && id == kComSystemMessages) {
        return;  // a line of the messages picked out changes no setting
    }
    if (notify == Notify::SelectionChanged) {
        UpdateData(true);
        SetModified();
    } else if (notify == Notify::TextChanged && id == kComSelectId) {
        UpdateData(true);
    } else if (notify != Notify::Clicked) {
        return;
    }
    switch (id) {
        case kComDevice1:
        case kComDevice2: {
            const std::size_t port = id == kComDevice1 ? 0 : 1;
            const int selected = Controls().ListSelection(id);
            if (selected < 0 || selected >= static_cast<int>(listed_[port].size())) break;
            device_[port] = listed_[port][static_cast<std::size_t>(selected)];
            link_.ReturnToLastAddress();
            break;
        }
        case kComUseComm1:
        case kComUseComm2:
            link_.ReturnToLastAddress();
            UpdateData(true);
            SetModified();
            break;
        case kComMonitor:
            if (!UpdateData(true)) break;
            link_.MonitorAddress(selectId_);
            currentId_ = selectId_;
            UpdateData(false);
            break;
        case kComChangeAddress:
            if (!UpdateData(true)) break;
            link_.ChangeAddress(selectId_);
            break;
        case kComSearchUp:
        case kComSearchDown: link_.SearchAddresses(id == kComSearchDown); break;
        case kComStopSearch: link_.StopSearch(); break;
        case kComLoadDefaults:
            link_.ReturnToLastAddress();
            baudIndex_ = 2;
            dataBitsIndex_ = 1;
            parityIndex_ = 2;
            stopBitsIndex_ = 0;
            flowIndex_ = 2;
            UpdateData(false);
            SetModified();
            break;
        default: break;
    }
}

}  // namespace corvane
