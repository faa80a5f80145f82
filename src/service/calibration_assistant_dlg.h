#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "calibration/guided_step.h"
#include "framework/dialog.h"
#include "records/service_event.h"

namespace corvane {

struct SharedRecords;
class SensorLink;
namespace records {
class ServiceRecorder;
}

// "Calibration Assistant": the Calibration page's procedures one step at a time, each waiting
// for a settled reading. The steps are the four conductivity points, the temperature and the
// current outputs at 4 and 20 mA. A step shows what to fit or do, the live reading with a chart
// of its last minute, whether it has settled and its deviation from the reference; "&Calibrate"
// asks exactly as the page does (and first whether to go on, while the reading has not settled),
// then waits for the sensor's confirmation and for the reading to settle again, and takes it as
// left. A point found within tolerance may be left as it is, a step skipped. The outputs go back
// to normal, and a confirmed calibration is stamped once, when the window closes, whatever way
// it closes. "Cer&tificate..." writes the certificate of the run's recorded calibrations.
class CCalibrationAssistantDlg : public fw::Dialog {
  public:
    static constexpr int kTimerId = 23;
    static constexpr int kRefreshMs = 250;
    static constexpr const char* kCaption = "Calibration Assistant";
    static constexpr const char* kBoxCaption = "Sensor Calibration Request !";
    // Writes the certificate of `events` to `path`; the error, or empty when written.
    using CertificateWriter = std::function<std::string(
        const std::vector<records::ServiceEvent>& events, const std::string& path)>;
    // The file name a certificate of `events` suggests.
    using CertificateName =
        std::function<std::string(const std::vector<records::ServiceEvent>& events)>;

    CCalibrationAssistantDlg(fw::Host& host, SharedRecords& records, SensorLink& link);
    ~CCalibrationAssistantDlg() override;

    // The recorder the steps record through (none: nothing is recorded).
    void UseRecorder(records::ServiceRecorder* recorder);
    void UseCertificates(CertificateWriter writer, CertificateName name);
    void Open(fw::WindowView* owner);
    void Close() { CloseWindow(); }

    // The step under way, if any, and the calibrations this run recorded so far.
    const calibration::GuidedStep* CurrentStep() const { return step_.get(); }
    const std::vector<records::ServiceEvent>& RunEvents() const { return runEvents_; }
    // The steps' lines as the list shows them.
    std::vector<std::string> StepLines() const;

  protected:
    bool OnInitDialog() override;
    void OnNotify(int id, fw::Notify notify) override;
    void OnOK() override {}  // Enter calibrates nothing by accident
    void OnTimer(int id) override;
    void OnDestroy() override;

  private:
    struct Entry {
        calibration::StepPlan plan;
        std::string result;  // empty: not done in this run
    };

    void StartStep();
    void AskToCalibrate();
    void Request();
    void AskPagesQuestion();
    void EnterReadings();
    void Refresh();
    void StepEnded();
    void EndRun();
    void WriteCertificate();
    bool ReadSettings(calibration::GuidedStep::Settings& settings);
    void ShowChart();
    void SetState(const std::string& text);
    std::string Figure(double value);
    std::string Limit();

    SharedRecords& records_;
    SensorLink& link_;
    records::ServiceRecorder* recorder_ = nullptr;
    CertificateWriter certificateWriter_;
    CertificateName certificateName_;
    std::vector<Entry> entries_;
    int current_ = -1;  // the entry of the step under way
    std::unique_ptr<calibration::GuidedStep> step_;
    std::string run_;  // this opening's run, kept with each calibration it records
    std::vector<records::ServiceEvent> runEvents_;
};

}  // namespace corvane
