#include "app/monitor_page.h"

#include "framework/exchange_fields.h"
#include "page_kit/configuration_summary.h"
#include "resources/monitor_page.h"

namespace corvane {
namespace {

constexpr int kTextLimit = 63;

}  // namespace

CMonitorPage::CMonitorPage(fw::Host& host, SharedRecords& records)
    : OperatorPage(host, records, resources::MonitorPageTemplate(), kTimerId,
                   ids::kMonSystemMessages) {}

CMonitorPage::~CMonitorPage() = default;

void CMonitorPage::UseHistory(ReadingsHistory* history) {
    trend_ = history != nullptr
                 ? std::make_unique<CTrendDlg>(host_, records_, *history, CTrendDlg::Kind::Sensor)
                 : nullptr;
}

void CMonitorPage::DoDataExchange(fw::DataExchange& dx) {
    using namespace ids;
    fw::TextField(dx, kMonOut2SourceName, out2Name_, kTextLimit);
    fw::TextField(dx, kMonOut1SourceName, out1Name_, kTextLimit);
    fw::DisplayedNumber(dx, kMonOut1Current, out1Current_, "%.2f");
    fw::DisplayedNumber(dx, kMonOut2Current, out2Current_, "%.2f");
    fw::DisplayedNumber(dx, kMonConcentration, concentration_, "%.2f");
    fw::DisplayedNumber(dx, kMonCondRaw, condRaw_, "%.1f");
    fw::DisplayedNumber(dx, kMonCondComp, condComp_, "%.1f");
    fw::DisplayedNumber(dx, kMonTemperature, temperature_, "%.1f");
    fw::TextField(dx, kMonConcentrationUnit, concentrationUnit_, kTextLimit);
    fw::TextField(dx, kMonCondRawUnit, condRawUnit_, kTextLimit);
    fw::TextField(dx, kMonCondCompUnit, condCompUnit_, kTextLimit);
    fw::TextField(dx, kMonTemperatureUnit, temperatureUnit_, kTextLimit);
    fw::TextField(dx, kMonConcentrationLabel, concentrationLabel_, kTextLimit);
}

// The six readings and the temperature unit; the exchange shows each number as its format does.
void CMonitorPage::CopyFromSensor() {
    const SensorData& s = records_.Sensor;
    out1Current_ = s.Out1Current;
    out2Current_ = s.Out2Current;
    concentration_ = s.Concentration;
    condRaw_ = s.CondRaw;
    condComp_ = s.CondComp;
    temperature_ = s.Temperature;
    temperatureUnit_ = s.TempUnit;
}

void CMonitorPage::CopyTexts() {
    const SensorData& s = records_.Sensor;
    out1Name_ = s.Out1.SourceName;
    out2Name_ = s.Out2.SourceName;
    condRawUnit_ = "mS/cm";
    condCompUnit_ = "mS/cm";
    concentrationLabel_ = s.DigitalRangeName;
    concentrationUnit_ = s.DigitalUnit;
    temperatureUnit_ = s.TempUnit;
}

void CMonitorPage::OnPaint() {
    CopyFromSensor();
    CopyTexts();
    FillList(Controls(), ids::kMonConfiguration, MonitorConfigurationLines(records_.Sensor));
    Controls().Enable(ids::kMonTrend, trend_ != nullptr);
}

void CMonitorPage::OnNotify(int id, fw::Notify notify) {
    if (id == ids::kMonTrend && notify == fw::Notify::Clicked && trend_) trend_->Open(View());
}

// The trend window goes with the sheet it was opened from.
void CMonitorPage::OnDestroy() {
    if (trend_) trend_->Close();
    OperatorPage::OnDestroy();
}

}  // namespace corvane
