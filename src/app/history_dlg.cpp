#include "app/history_dlg.h"

#include <algorithm>
#include <cctype>

#include "framework/atomic_file.h"
#include "link/shared_records.h"
#include "resources/history_window.h"

namespace corvane {
namespace {

constexpr const char* kAllSensors = "All sensors";
constexpr const char* kAllKinds = "All kinds";
constexpr std::array<const char*, 10> kKinds = {
    records::kind::kSetupWritten, records::kind::kSetupRead,    records::kind::kFileSaved,
    records::kind::kFileLoaded,   records::kind::kCalibration,  records::kind::kOutputsForced,
    records::kind::kDownload,     records::kind::kSerialNumber, records::kind::kAddressChanged,
    records::kind::kDefaultSetup};

std::string SensorEntry(const records::SensorIdentity& s) {
    std::string entry = s.serialNumber;
    if (!s.plantNumber.empty()) entry += "  " + s.plantNumber;
    return entry + "  (address " + std::to_string(s.address) + ")";
}

std::string EventLine(const records::ServiceEvent& e) {
    return e.timeUtc + "  " + e.kind +
           (e.result == records::result::kDone ? "" : " (" + e.result + ")") + "  " +
           (e.operatorName.empty() ? "-" : e.operatorName) + "  " + e.summary;
}

// "YYYY-MM-DD" with a month 1..12 and a day 1..31.
bool IsDate(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (const std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u}) {
        if (std::isdigit(static_cast<unsigned char>(text[i])) == 0) return false;
    }
    const int month = std::stoi(text.substr(5, 2));
    const int day = std::stoi(text.substr(8, 2));
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

}  // namespace

CHistoryDlg::CHistoryDlg(fw::Host& host, const SharedRecords& records)
    : Dialog(host, resources::HistoryTemplate()), records_(records) {}

CHistoryDlg::~CHistoryDlg() {
    Close();
}

void CHistoryDlg::Use(records::EventHistory* history, Exchange exchange) {
    history_ = history;
    exchange_ = std::move(exchange);
}

void CHistoryDlg::Open(fw::WindowView* owner) {
    if (history_ == nullptr) return;
    ShowModeless(owner);
}

void CHistoryDlg::Close() {
    CloseWindow();
}

bool CHistoryDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    std::vector<std::string> kinds = {kAllKinds};
    kinds.insert(kinds.end(), kKinds.begin(), kKinds.end());
    Controls().ListSetItems(ids::kHistKind, kinds);
    Controls().ListSelect(ids::kHistKind, 0);
    Controls().Enable(ids::kHistPush, static_cast<bool>(exchange_));
    Controls().Enable(ids::kHistPull, static_cast<bool>(exchange_));
    FillChoices();
    // The connected sensor's events first, when its identity has been read into the record.
    const std::string& connected = records_.Sensor.SerialNumber;
    for (std::size_t i = 0; i < sensors_.size(); ++i) {
        if (sensors_[i].serialNumber == connected) {
            Controls().ListSelect(ids::kHistSensor, static_cast<int>(i) + 1);
        }
    }
    Reload();
    SetTimer(kTimerId, kFollowPeriodMs);
    return true;
}

void CHistoryDlg::FillChoices() {
    std::string error;
    const std::string chosen =
        Controls().ListSelection(ids::kHistSensor) > 0
            ? Controls().ListItem(ids::kHistSensor, Controls().ListSelection(ids::kHistSensor))
            : "";
    if (auto sensors = history_->Sensors(error)) sensors_ = std::move(*sensors);
    std::vector<std::string> entries = {kAllSensors};
    for (const records::SensorIdentity& s : sensors_) entries.push_back(SensorEntry(s));
    Controls().ListSetItems(ids::kHistSensor, entries);
    const auto at = std::find(entries.begin(), entries.end(), chosen);
    Controls().ListSelect(ids::kHistSensor,
                          at == entries.end() ? 0 : static_cast<int>(at - entries.begin()));
    if (!error.empty()) SetState(error);
}

records::EventFilter CHistoryDlg::Filter() {
    records::EventFilter filter;
    const int sensor = Controls().ListSelection(ids::kHistSensor);
    if (sensor > 0 && static_cast<std::size_t>(sensor) <= sensors_.size()) {
        filter.serialNumber = sensors_[static_cast<std::size_t>(sensor - 1)].serialNumber;
    }
    const int kind = Controls().ListSelection(ids::kHistKind);
    if (kind > 0 && static_cast<std::size_t>(kind) <= kKinds.size()) {
        filter.kind = kKinds[static_cast<std::size_t>(kind - 1)];
    }
    const std::string since = Controls().Text(ids::kHistSince);
    if (IsDate(since)) {
        filter.sinceUtc = since + "T00:00:00.000Z";
    } else if (!since.empty()) {
        SetState("Since: give a date as YYYY-MM-DD; every date is shown meanwhile.");
    }
    return filter;
}

void CHistoryDlg::Reload() {
    const std::string selectedUuid =
        Controls().ListSelection(ids::kHistEvents) >= 0 &&
                static_cast<std::size_t>(Controls().ListSelection(ids::kHistEvents)) < shown_.size()
            ? shown_[static_cast<std::size_t>(Controls().ListSelection(ids::kHistEvents))].uuid
            : "";
    seen_ = history_->WrittenCount();
    ticksSinceRead_ = 0;
    std::string error;
    auto events = history_->Events(Filter(), error);
    if (!events) {
        SetState(error);
        return;
    }
    shown_ = std::move(*events);
    std::vector<std::string> lines;
    int selected = -1;
    for (std::size_t i = 0; i < shown_.size(); ++i) {
        lines.push_back(EventLine(shown_[i]));
        if (shown_[i].uuid == selectedUuid) selected = static_cast<int>(i);
    }
    Controls().ListSetItems(ids::kHistEvents, lines);
    Controls().ListSelect(ids::kHistEvents, selected);
    ShowDetails();
}

void CHistoryDlg::ShowDetails() {
    const int at = Controls().ListSelection(ids::kHistEvents);
    const bool picked = at >= 0 && static_cast<std::size_t>(at) < shown_.size();
    Controls().ListSetItems(ids::kHistDetails,
                            picked ? records::EventDetailLines(shown_[static_cast<std::size_t>(at)])
                                   : std::vector<std::string>{});
    Controls().Enable(ids::kHistCertificate,
                      picked && certificates_.certifiable && certificates_.write &&
                          certificates_.certifiable(shown_[static_cast<std::size_t>(at)]));
}

void CHistoryDlg::OnTimer(int id) {
    if (id != kTimerId || history_ == nullptr) return;
    if (exchanging_.valid() &&
        exchanging_.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        ExchangeEnded();
        return;
    }
    if (history_->WrittenCount() == seen_ && ++ticksSinceRead_ < kRereadEveryTicks) return;
    FillChoices();
    Reload();
}

void CHistoryDlg::OnNotify(int id, fw::Notify notify) {
    using fw::Notify;
    switch (id) {
        case ids::kHistSensor:
        case ids::kHistKind:
            if (notify == Notify::SelectionChanged) Reload();
            break;
        case ids::kHistSince:
            if (notify == Notify::TextChanged) {
                SetState("");
                Reload();
            }
            break;
        case ids::kHistEvents:
            if (notify == Notify::SelectionChanged) ShowDetails();
            break;
        case ids::kHistExport:
            if (notify == Notify::Clicked) Export();
            break;
        case ids::kHistCertificate:
            if (notify == Notify::Clicked) WriteCertificate();
            break;
        case ids::kHistPush:
        case ids::kHistPull:
            if (notify == Notify::Clicked) ExchangeWithServer(id == ids::kHistPush);
            break;
        case ids::kHistClose:
            if (notify == Notify::Clicked) Close();
            break;
        default: break;
    }
}

void CHistoryDlg::Export() {
    fw::FileDialogRequest request{.save = true,
                                  .defaultExtension = "csv",
                                  .initialName = "service-history.csv",
                                  .filter = "CSV Files (*.csv)|*.csv|All Files (*.*)|*.*||",
                                  .mustExist = false};
    const std::vector<records::ServiceEvent> events = shown_;
    FileDialog(request, [this, events](std::optional<std::string> path) {
        if (!path) return;
        std::string text = std::string(records::kEventCsvHeader) + "\n";
        for (const records::ServiceEvent& e : events) text += records::EventCsvRow(e) + "\n";
        std::string error;
        if (!fw::WriteFileAtomically(
                *path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                error, fw::FileAccess::Private)) {
            host_.PlayBeep(fw::Beep::Exclamation);
            MessageBox(error + "\nThe history was not exported.", kCaption, fw::Icon::Exclamation,
                       fw::Buttons::Ok);
            return;
        }
        SetState(std::to_string(events.size()) + (events.size() == 1 ? " event" : " events") +
                 " exported to " + *path);
    });
}

void CHistoryDlg::WriteCertificate() {
    const int at = Controls().ListSelection(ids::kHistEvents);
    if (at < 0 || static_cast<std::size_t>(at) >= shown_.size() || !certificates_.write) return;
    const std::string uuid = shown_[static_cast<std::size_t>(at)].uuid;
    std::string error;
    const std::optional<std::string> name = certificates_.fileName
                                                ? certificates_.fileName(uuid, error)
                                                : std::optional<std::string>("certificate.pdf");
    if (!name) {
        host_.PlayBeep(fw::Beep::Exclamation);
        SetState("No certificate: " + error);
        return;
    }
    fw::FileDialogRequest request{.save = true,
                                  .defaultExtension = "pdf",
                                  .initialName = *name,
                                  .filter = "PDF Files (*.pdf)|*.pdf|All Files (*.*)|*.*||",
                                  .mustExist = false};
    FileDialog(request, [this, uuid](std::optional<std::string> path) {
        if (!path) return;
        std::string failure;
        if (!certificates_.write(uuid, *path, failure)) {
            host_.PlayBeep(fw::Beep::Exclamation);
            SetState("No certificate written: " + failure);
            MessageBox(failure + "\nNo certificate was written.", kCaption, fw::Icon::Exclamation,
                       fw::Buttons::Ok);
            return;
        }
        SetState("Certificate written to " + *path);
    });
}

void CHistoryDlg::ExchangeWithServer(bool push) {
    const std::string server = Controls().Text(ids::kHistServer);
    if (server.empty()) {
        SetState("Give the server as postgresql://USER@HOST[:PORT]/DATABASE.");
        return;
    }
    if (exchanging_.valid()) return;  // one at a time
    SetState(std::string(push ? "Pushing to " : "Pulling from ") + server + "...");
    Controls().Enable(ids::kHistPush, false);
    Controls().Enable(ids::kHistPull, false);
    exchanging_ = std::async(std::launch::async, exchange_, push, server);
}

void CHistoryDlg::ExchangeEnded() {
    SetState(exchanging_.get());
    Controls().Enable(ids::kHistPush, true);
    Controls().Enable(ids::kHistPull, true);
    FillChoices();
    Reload();
}

void CHistoryDlg::SetState(const std::string& text) {
    Controls().SetText(ids::kHistState, text);
}

}  // namespace corvane
