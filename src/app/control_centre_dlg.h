#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/about_dlg.h"
#include "app/history_dlg.h"
#include "app/page_table.h"
#include "app/save_config_dlg.h"
#include "framework/dialog.h"
#include "framework/property_sheet.h"
#include "link/sensor_link.h"
#include "link/shared_records.h"
#include "records/service_recorder.h"
#include "trend/readings_history.h"

namespace corvane {

class CCalibrationAssistantDlg;

class SerialChannel;
class PortMap;

// Loads the application state into the records at start-up and saves it when the main window
// is destroyed. Load returns false when there is nothing to load.
class StateStore {
  public:
    virtual ~StateStore() = default;
    virtual bool Load(SharedRecords& records) = 0;
    virtual void Save(const SharedRecords& records) = 0;
};

// The main window: operator login, the System Messages and Configuration lists, and the sensor
// link on timer 1. It owns the shared records, the pages and the property sheet they form.
class CControlCentreDlg : public fw::Dialog {
  public:
    static constexpr int kLinkTimerId = 1;
    static constexpr const char* kTitle = "Corvane Control Centre";
    static constexpr const char* kSheetCaption = "Vexor Sensor Properties";

    // `ports`, when given, are the devices the serial ports open, offered on the Communications
    // page for the operator to choose.
    CControlCentreDlg(fw::Host& host, SerialChannel& channel, StateStore* state = nullptr,
                      PortMap* ports = nullptr);
    ~CControlCentreDlg() override;

    SharedRecords& Records() { return records_; }
    // The readings of the answered polls of the last hour and the status lines that appeared,
    // for the trend windows of the Monitor and Channels pages.
    ReadingsHistory& History() { return history_; }
    SensorLink& Link() { return link_; }
    CommandEngine& Engine() { return link_.Engine(); }
    fw::PropertySheet* Sheet() { return sheet_.get(); }
    // The save prompt of "&Exit", kept for every exit attempt.
    CSaveConfigDlg& SavePrompt() { return savePrompt_; }
    fw::SheetView* SheetView() { return sheet_ ? sheet_->View() : nullptr; }
    // The page object of `kind`, kept for the whole run; null when this build has no such page.
    fw::PropertyPage* Page(PageKind kind);

    // Ends the program at a request from outside it (SIGTERM, SIGINT), when nobody may be there
    // to answer a question: outputs it may have left forced are returned to normal without
    // asking (the answer the close box's question recommends), then the window closes, the
    // state file is written and the program ends. A question already open goes with it.
    void CloseOnRequest();

    // Keeps the service record: what the link does is recorded into `sink` as `context` says,
    // "Service Hi&story..." shows `history` and exchanges it with a server through `exchange`,
    // and a record that cannot be written (`takeFailure` says so once) is reported in a box.
    void UseServiceRecord(records::EventSink& sink, records::RecordingContext context,
                          records::EventHistory& history, CHistoryDlg::Exchange exchange,
                          std::function<std::optional<std::string>()> takeFailure);
    // Stops recording: what the recorder holds is handed over, and the History window closes.
    void StopServiceRecord();
    CHistoryDlg& HistoryWindow() { return historyWindow_; }
    // The Calibration page's assistant; none before the pages exist.
    CCalibrationAssistantDlg* Assistant();

  protected:
    bool OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;
    void OnNotify(int id, fw::Notify notify) override;
    void OnOK() override;
    void OnCancel() override;
    void OnTimer(int id) override;
    void OnPaint() override;
    void OnDestroy() override;

  private:
    class LinkTimer;

    void OpenSheet();
    // A service record that cannot be written is said once, in a box; the work goes on.
    void ReportRecordFailure();
    bool ClosingWorkUnderway() const;
    // "&Exit": asks once whether to save the configuration, then closes the program.
    void ExitThroughSavePrompt();
    // Ends the program with `result`; when outputs it forced may still be forced, it first
    // offers to return them to normal and then waits for that request to be served.
    void CloseProgram(int result);

    enum class Closing { No, Offered, AwaitingReturn };

    SharedRecords records_;
    StateStore* state_;
    std::unique_ptr<LinkTimer> linkTimer_;
    SensorLink link_;
    ReadingsHistory history_;  // fed by the link; outlives the pages' trend windows
    std::vector<std::unique_ptr<fw::PropertyPage>> pages_;  // in the order of the page table
    CAboutDlg about_;
    CSaveConfigDlg savePrompt_;
    CHistoryDlg historyWindow_;
    std::unique_ptr<records::ServiceRecorder> recorder_;  // observes the link while it exists
    std::function<std::optional<std::string>()> takeRecordFailure_;
    std::unique_ptr<fw::PropertySheet> sheet_;
    std::string name_;
    std::string password_;
    Closing closing_ = Closing::No;
    int closeResult_ = 0;
    int closeWaitTicks_ = 0;
};

}  // namespace corvane
