#include "app/control_centre_dlg.h"

#include "app/channels_page.h"
#include "app/comms_page.h"
#include "app/monitor_page.h"
#include "app/operator_login.h"
#include "link/command_table.h"
#include "link/forced_outputs.h"
#include "page_kit/configuration_summary.h"
#include "page_kit/list_filling.h"
#include "resources/main_window.h"
#include "service/calibrate_page.h"

namespace corvane {
namespace {

constexpr int kFieldLimit = 32;
// How long the program waits at most, in link ticks, for the return to normal before it closes
// anyway: the engine answers or drops every request well within this.
constexpr int kReturnWaitTicks = 150;
constexpr const char* kOutputsForcedText =
    "The current outputs are still forced to test currents.\n\nReturn them to normal "
    "measurement before closing ?";

}  // namespace

// Timer 1 of the main window, as the engine restarts it.
class CControlCentreDlg::LinkTimer : public fw::Timer {
  public:
    explicit LinkTimer(CControlCentreDlg& window) : window_(window) {}
    void Start(int periodMs) override { window_.SetTimer(kLinkTimerId, periodMs); }
    void Stop() override { window_.KillTimer(kLinkTimerId); }
    bool Running() const override { return window_.TimerRunning(kLinkTimerId); }

  private:
    CControlCentreDlg& window_;
};

CControlCentreDlg::CControlCentreDlg(fw::Host& host, SerialChannel& channel, StateStore* state,
                                     PortMap* ports)
    : Dialog(host, resources::MainWindowTemplate()),
      state_(state),
      linkTimer_(std::make_unique<LinkTimer>(*this)),
      link_(records_, channel, host, host, *linkTimer_),
      about_(host),
      savePrompt_(host, records_, link_),
      historyWindow_(host, records_) {
    host.SetAppTitle(kTitle);
    for (const PageTableEntry& entry : PageTable()) {
        pages_.push_back(entry.make != nullptr ? entry.make(host, records_, link_) : nullptr);
    }
    if (auto* comms = static_cast<CAdvCommsPage*>(Page(PageKind::Communications))) {
        comms->UseDevices(ports);
    }
    // Every answered poll goes into the readings history the moment its reply is decoded.
    link_.AddObserver(history_);
    if (auto* monitor = static_cast<CMonitorPage*>(Page(PageKind::Monitor))) {
        monitor->UseHistory(&history_);
    }
    if (auto* channels = static_cast<CMultiInput*>(Page(PageKind::Channels))) {
        channels->UseHistory(&history_);
    }
}

fw::PropertyPage* CControlCentreDlg::Page(PageKind kind) {
    const auto table = PageTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].kind == kind) return pages_[i].get();
    }
    return nullptr;
}

CControlCentreDlg::~CControlCentreDlg() {
    sheet_.reset();
    CloseWindow();
    StopServiceRecord();
}

CCalibrationAssistantDlg* CControlCentreDlg::Assistant() {
    auto* page = dynamic_cast<CCalibratePage*>(Page(PageKind::Calibration));
    return page != nullptr ? &page->Assistant() : nullptr;
}

void CControlCentreDlg::StopServiceRecord() {
    if (CCalibrationAssistantDlg* assistant = Assistant()) {
        assistant->Close();
        assistant->UseRecorder(nullptr);
    }
    historyWindow_.Close();
    historyWindow_.Use(nullptr, nullptr);
    takeRecordFailure_ = nullptr;
    if (recorder_) {
        link_.RemoveObserver(*recorder_);
        recorder_.reset();  // hands over what it holds, as it stands
    }
}

void CControlCentreDlg::UseServiceRecord(records::EventSink& sink,
                                         records::RecordingContext context,
                                         records::EventHistory& history,
                                         CHistoryDlg::Exchange exchange,
                                         std::function<std::optional<std::string>()> takeFailure) {
    if (recorder_) link_.RemoveObserver(*recorder_);
    recorder_ =
        std::make_unique<records::ServiceRecorder>(records_, host_, sink, std::move(context));
    link_.AddObserver(*recorder_);
    if (CCalibrationAssistantDlg* assistant = Assistant()) assistant->UseRecorder(recorder_.get());
    historyWindow_.Use(&history, std::move(exchange));
    takeRecordFailure_ = std::move(takeFailure);
    if (IsOpen()) Controls().Enable(ids::kServiceHistory, true);
}

void CControlCentreDlg::DoDataExchange(fw::DataExchange& dx) {
    dx.Text(ids::kOperatorName, name_);
    dx.MaxChars(ids::kOperatorName, name_, kFieldLimit);
    dx.Text(ids::kPassword, password_);
    dx.MaxChars(ids::kPassword, password_, kFieldLimit);
}

bool CControlCentreDlg::OnInitDialog() {
    Controls().Enable(ids::kServiceHistory, historyWindow_.Available());
    if (records_.MainWindowStarted) {
        name_ = records_.OperatorName;
        password_ = records_.OperatorPassword;
        UpdateData(false);
        return true;
    }
    records_.MainWindowStarted = true;
    records_.AccessLevel = 0;
    name_ = kNoNameText;
    password_.clear();
    records_.OperatorPassword.clear();

    ResetSensorData(records_);
    SetDefaultPasswords(records_);
    if (state_ != nullptr && state_->Load(records_)) {
        link_.ReopenPort();
    }
    records_.Sensor.LastDeviceId = records_.Sensor.DeviceId;
    link_.DropDownloadRequest();

    SetTimer(kLinkTimerId, CommandEngine::kTickMs);
    UpdateData(false);
    return true;
}

void CControlCentreDlg::OnNotify(int id, fw::Notify notify) {
    if (notify == fw::Notify::TextChanged && id == ids::kOperatorName) {
        UpdateData(true);
        records_.OperatorName = name_;
    } else if (notify == fw::Notify::TextChanged && id == ids::kPassword) {
        UpdateData(true);
        records_.OperatorPassword = password_;
    } else if (notify == fw::Notify::Clicked && id == ids::kHelp) {
        PressHelp();
    } else if (notify == fw::Notify::Clicked && id == ids::kVersion) {
        about_.DoModal([](int) {}, View());
    } else if (notify == fw::Notify::Clicked && id == ids::kExit) {
        ExitThroughSavePrompt();
    } else if (notify == fw::Notify::Clicked && id == ids::kServiceHistory) {
        historyWindow_.Open(View());
    }
}

// The login step, then the sheet for the level reached.
void CControlCentreDlg::OnOK() {
    const int focus = Controls().Focus();
    if (focus == ids::kOk) {
        CheckPassword(records_, host_, [this] { OpenSheet(); });
    } else if (focus == ids::kOperatorName) {
        CheckName(records_, host_, [this] {
            if (!IsOpen()) return;
            Controls().SetFocus(records_.AccessLevel != 0 ? ids::kPassword : ids::kOperatorName);
            OpenSheet();
        });
    } else if (focus == ids::kPassword) {
        CheckPassword(records_, host_, [this] {
            if (!IsOpen()) return;
            Controls().SetFocus(records_.AccessLevel >= 1 ? ids::kPassword : ids::kOperatorName);
            OpenSheet();
        });
    } else {
        OpenSheet();
    }
}

// The close box and Escape.
void CControlCentreDlg::OnCancel() {
    CloseProgram(fw::kIdCancel);
}

// A plant's control system must not be left reading a test current after the tool has gone
// without the technician knowing: the program says so and offers the return to normal.
void CControlCentreDlg::CloseProgram(int result) {
    if (closing_ == Closing::Offered) return;
    // The Calibration Assistant ends its run first: its outputs go back to normal and its
    // calibrations are stamped; the program then waits for the return as it does for its own.
    if (CCalibrationAssistantDlg* assistant = Assistant(); assistant && assistant->IsOpen()) {
        assistant->Close();
        if (closing_ != Closing::AwaitingReturn && ClosingWorkUnderway()) {
            closing_ = Closing::AwaitingReturn;
            closeResult_ = result;
            closeWaitTicks_ = 0;
            return;
        }
    }
    if (closing_ == Closing::AwaitingReturn || !OutputsLeftForced(records_)) {
        EndDialog(result);
        return;
    }
    closing_ = Closing::Offered;
    host_.PlayBeep(fw::Beep::Question);
    MessageBox(kOutputsForcedText, kTitle, fw::Icon::Question, fw::Buttons::YesNo,
               [this, result](fw::Answer answer) {
                   if (answer != fw::Answer::Yes) {
                       closing_ = Closing::No;
                       EndDialog(result);
                       return;
                   }
                   ReturnOutputsToNormal(records_, link_);
                   closing_ = Closing::AwaitingReturn;
                   closeResult_ = result;
                   closeWaitTicks_ = 0;
               });
}

// What the program waits for before it ends: the outputs' return to normal, and the stamp of a
// calibration the Calibration Assistant queued as it closed.
bool CControlCentreDlg::ClosingWorkUnderway() const {
    return BothOutputsCommandUnderway(records_) ||
           records_.Queue().IsPending(WriteCalibrationStamp) ||
           records_.Engine().CurrentCommand == WriteCalibrationStamp;
}

void CControlCentreDlg::CloseOnRequest() {
    if (!IsOpen() || closing_ == Closing::AwaitingReturn) return;
    if (!OutputsLeftForced(records_)) {
        EndDialog(fw::kIdCancel);
        return;
    }
    ReturnOutputsToNormal(records_, link_);
    closing_ = Closing::AwaitingReturn;
    closeResult_ = fw::kIdCancel;
    closeWaitTicks_ = 0;
}

// The prompt clears ExitPromptShown when the operator goes back (or a save failed); otherwise
// the program closes. A second "&Exit" while the mark stands closes at once.
void CControlCentreDlg::ExitThroughSavePrompt() {
    if (records_.ExitPromptShown) {
        CloseProgram(fw::kIdCancel);
        return;
    }
    records_.ExitPromptShown = true;
    savePrompt_.DoModal(
        [this](int) {
            if (records_.ExitPromptShown && IsOpen()) CloseProgram(fw::kIdOk);
        },
        View());
}

void CControlCentreDlg::OpenSheet() {
    if (!IsOpen() || (sheet_ && sheet_->IsOpen())) return;
    std::vector<fw::PropertyPage*> pages;
    for (const PageKind kind : PagesForLevel(records_.AccessLevel)) {
        if (fw::PropertyPage* page = Page(kind)) pages.push_back(page);
    }
    if (pages.empty()) return;
    sheet_ = std::make_unique<fw::PropertySheet>(host_, kSheetCaption, std::move(pages));
    sheet_->DoModal([](int) {}, View());
}

void CControlCentreDlg::OnTimer(int id) {
    if (id != kLinkTimerId) return;
    const bool refreshArmedByEngine = link_.Tick();
    ReportRecordFailure();
    history_.ObserveLink(records_, host_.PreciseNow());
    if (closing_ == Closing::AwaitingReturn &&
        (!ClosingWorkUnderway() || ++closeWaitTicks_ > kReturnWaitTicks)) {
        EndDialog(closeResult_);  // the return to normal (and a stamp) answered or timed out
    }
    ShowMessageLines(Controls(), ids::kMainSystemMessages, records_.Lines);
    if (!refreshArmedByEngine && records_.PageRefresh == PageRefresh::Armed) {
        records_.PageRefresh = PageRefresh::Idle;
        OnInitDialog();
        Invalidate();
    } else {
        UpdateData(false);
    }
}

void CControlCentreDlg::ReportRecordFailure() {
    if (!takeRecordFailure_) return;
    const std::optional<std::string> failure = takeRecordFailure_();
    if (!failure) return;
    host_.PlayBeep(fw::Beep::Exclamation);
    host_.PostBox({*failure + ".\n\nThe work goes on; events are kept and written once the "
                              "service history can be written again.",
                   CHistoryDlg::kCaption, fw::Icon::Exclamation, fw::Buttons::Ok},
                  [](fw::Answer) {});
}

void CControlCentreDlg::OnPaint() {
    FillList(Controls(), ids::kMainConfiguration, MainConfigurationLines(records_.Sensor));
}

void CControlCentreDlg::OnDestroy() {
    if (sheet_) {
        // The sheet goes with the window it sits on: cancelled, and closed now, not later.
        sheet_->PressCancel();
        sheet_.reset();
    }
    if (state_ != nullptr) state_->Save(records_);
}

}  // namespace corvane
