#pragma once

#include <cstdint>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "records/service_event.h"

namespace corvane {

struct SharedRecords;

// "Service History": the events of the service record, newest first, for the connected sensor
// (or any other the record holds, or all of them), of one kind or all, since a date; the details
// of the event picked out; "&Export..." writes the events shown to a CSV file;
// "Cer&tificate..." writes the calibration certificate (PDF) of the calibration picked out;
// "&Push" and "P&ull" exchange the record with the plant's shared history server. The window
// follows new events as this program writes them, and those another program (corvane) wrote within
// ten seconds. It blocks no other window.
class CHistoryDlg : public fw::Dialog {
  public:
    static constexpr int kTimerId = 22;
    static constexpr int kFollowPeriodMs = 1000;
    // The other program writes into the same record: it is read again this often regardless.
    static constexpr int kRereadEveryTicks = 10;
    static constexpr const char* kCaption = "Service History";
    // Copies the events the server lacks to it (push) or the ones it has to the record (pull);
    // the result in a line for the window. It runs on a thread of its own, so that a slow or
    // unreachable server holds up neither the window nor the link.
    using Exchange = std::function<std::string(bool push, const std::string& server)>;

    // How the window makes calibration certificates (the program's PDF writer; none, and the
    // button stays disabled).
    struct Certificates {
        // Whether a certificate can be made of the event: a calibration with reference values.
        std::function<bool(const records::ServiceEvent&)> certifiable;
        // The file name the certificate of the event `uuid` suggests; nothing, with `error`,
        // when it cannot be made.
        std::function<std::optional<std::string>(const std::string& uuid, std::string& error)>
            fileName;
        // Writes the certificate of the event `uuid` (with the rest of its run) to `path`.
        std::function<bool(const std::string& uuid, const std::string& path, std::string& error)>
            write;
    };

    CHistoryDlg(fw::Host& host, const SharedRecords& records);
    ~CHistoryDlg() override;

    // The record the window shows, and how it exchanges with a server (none: no Push or Pull).
    void Use(records::EventHistory* history, Exchange exchange);
    void UseCertificates(Certificates certificates) { certificates_ = std::move(certificates); }
    bool Available() const { return history_ != nullptr; }
    void Open(fw::WindowView* owner);
    void Close();

    // The events in the list now, in its order.
    const std::vector<records::ServiceEvent>& Shown() const { return shown_; }

  protected:
    bool OnInitDialog() override;
    void OnNotify(int id, fw::Notify notify) override;
    void OnOK() override {}  // Enter closes nothing
    void OnTimer(int id) override;

  private:
    void FillChoices();
    void Reload();
    void ShowDetails();
    void Export();
    void WriteCertificate();
    void ExchangeWithServer(bool push);
    void ExchangeEnded();
    records::EventFilter Filter();
    void SetState(const std::string& text);

    const SharedRecords& records_;
    records::EventHistory* history_ = nullptr;
    Exchange exchange_;
    Certificates certificates_;
    std::vector<records::SensorIdentity> sensors_;  // the sensor list after "All sensors"
    std::vector<records::ServiceEvent> shown_;
    std::future<std::string> exchanging_;  // a push or pull under way
    std::uint64_t seen_ = 0;               // the history's written count when the list was read
    int ticksSinceRead_ = 0;
};

}  // namespace corvane
