#include "service_record.h"

#include "app/control_centre_app.h"
#include "app/history_certificates.h"
#include "records/record_store.h"
#include "release.h"

namespace corvane {
namespace {

std::string LocationOrDefault(const std::string& location) {
    return location.empty() ? records::DefaultRecordsPath() : location;
}

// Push or pull between the record at `local` and `server`, in a line for the History window.
std::string ExchangeWithServer(const std::string& local, bool push, const std::string& server) {
    if (!records::RecordStore::NamesServer(server)) {
        return server + " is no server: give it as postgresql://USER@HOST[:PORT]/DATABASE.";
    }
    std::string error;
    auto mine = records::RecordStore::Open(local, error);
    auto theirs = mine ? records::RecordStore::Open(server, error) : nullptr;
    if (!mine || !theirs) return error;
    const auto copied = push ? records::CopyMissingEvents(*mine, *theirs, error)
                             : records::CopyMissingEvents(*theirs, *mine, error);
    if (!copied) return error;
    return std::to_string(*copied) + (*copied == 1 ? " event " : " events ") +
           (push ? "pushed to " : "pulled from ") + server + ".";
}

}  // namespace

DesktopServiceRecord::DesktopServiceRecord(CControlCentreApp& app, const std::string& location,
                                           std::function<std::string()> port)
    : app_(app), writer_(LocationOrDefault(location)), history_(writer_.Location(), &writer_) {
    CControlCentreDlg* window = app.MainWindow();
    if (window == nullptr) return;
    window->UseServiceRecord(
        writer_,
        {"corvane-control-centre", CORVANE_RELEASE_VERSION, records::WorkstationName(),
         std::move(port)},
        history_,
        [local = writer_.Location()](bool push, const std::string& server) {
            return ExchangeWithServer(local, push, server);
        },
        [this] { return writer_.TakeFailure(); });
    window->HistoryWindow().UseCertificates(CertificatesFrom(history_));
    if (CCalibrationAssistantDlg* assistant = window->Assistant()) {
        UseCertificatesInAssistant(*assistant);
    }
}

DesktopServiceRecord::~DesktopServiceRecord() {
    if (CControlCentreDlg* window = app_.MainWindow()) window->StopServiceRecord();
}

}  // namespace corvane
