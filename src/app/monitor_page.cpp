#include "app/monitor_page.h"

#include "app/configuration_summary.h"
#include "app/list_filling.h"
#include "framework/number_text.h"
#include "link/shared_records.h"
#include "resources/monitor_page.h"

namespace corvane {
namespace {

constexpr int kTextLimit = 63;
constexpr int kPeriodMs = 200;

}  // namespace

CMonitorPage::CMonitorPage(fw::Host& host, SharedRecords& records)
    : PropertyPage(host, resources::MonitorPageTemplate()), r_(records) {}

void CMonitorPage::DoDataExchange(fw::DataExchange& dx) {
    using namespace ids;
    dx.Text(kMonOut2SourceName, out2Name_);
    dx.MaxChars(kMonOut2SourceName, out2Name_, kTextLimit);
    dx.Text(kMonOut1SourceName, out1Name_);
    dx.MaxChars(kMonOut1SourceName, out1Name_, kTextLimit);
    dx.Text(kMonOut1Current, out1Current_);
    dx.Text(kMonOut2Current, out2Current_);
    dx.Text(kMonConcentration, concentration_);
    dx.Text(kMonCondRaw, condRaw_);
    dx.Text(kMonCondComp, condComp_);
    dx.Text(kMonTemperature, temperature_);
    dx.Text(kMonConcentrationUnit, concentrationUnit_);
    dx.MaxChars(kMonConcentrationUnit, concentrationUnit_, kTextLimit);
    dx.Text(kMonCondRawUnit, condRawUnit_);
    dx.MaxChars(kMonCondRawUnit, condRawUnit_, kTextLimit);
    dx.Text(kMonCondCompUnit, condCompUnit_);
    dx.MaxChars(kMonCondCompUnit, condCompUnit_, kTextLimit);
    dx.Text(kMonTemperatureUnit, temperatureUnit_);
    dx.MaxChars(kMonTemperatureUnit, temperatureUnit_, kTextLimit);
    dx.Text(kMonConcentrationLabel, concentrationLabel_);
    dx.MaxChars(kMonConcentrationLabel, concentrationLabel_, kTextLimit);
}

// The six numbers, each as its display format shows it.
void CMonitorPage::CopyReadings() {
    const SensorData& s = r_.Sensor;
    out1Current_ = fw::AsDisplayed("%.2f", s.Out1Current);
    out2Current_ = fw::AsDisplayed("%.2f", s.Out2Current);
    concentration_ = fw::AsDisplayed("%.2f", s.Concentration);
    condRaw_ = fw::AsDisplayed("%.1f", s.CondRaw);
    condComp_ = fw::AsDisplayed("%.1f", s.CondComp);
    temperature_ = fw::AsDisplayed("%.1f", s.Temperature);
}

void CMonitorPage::CopyTexts() {
    const SensorData& s = r_.Sensor;
    out1Name_ = s.Out1.SourceName;
    out2Name_ = s.Out2.SourceName;
    condRawUnit_ = "mS/cm";
    condCompUnit_ = "mS/cm";
    concentrationLabel_ = s.DigitalRangeName;
    concentrationUnit_ = s.DigitalUnit;
    temperatureUnit_ = s.TempUnit;
}

bool CMonitorPage::OnInitDialog() {
    PropertyPage::OnInitDialog();
    SetTimer(kTimerId, kPeriodMs);
    r_.ExitPromptShown = false;
    CopyTexts();
    UpdateData(false);
    return true;
}

bool CMonitorPage::OnSetActive() {
    SetTimer(kTimerId, kPeriodMs);
    return PropertyPage::OnSetActive();
}

bool CMonitorPage::OnKillActive() {
    KillTimer(kTimerId);
    return PropertyPage::OnKillActive();
}

void CMonitorPage::OnTimer(int id) {
    if (id != kTimerId) return;
    CopyReadings();
    temperatureUnit_ = r_.Sensor.TempUnit;
    ShowMessageLines(Controls(), ids::kMonSystemMessages, r_.Lines);
    if (r_.PageRefresh == PageRefresh::Armed) {
        r_.PageRefresh = PageRefresh::Idle;
        OnInitDialog();
        Invalidate();
    } else {
        UpdateData(false);
    }
}

void CMonitorPage::OnPaint() {
    CopyReadings();
    CopyTexts();
    FillList(Controls(), ids::kMonConfiguration, MonitorConfigurationLines(r_.Sensor));
}

}  // namespace corvane
