#include "config/setup_digital_dlg.h"

#include "link/command_table.h"
#include "resources/list_texts.h"
#include "resources/setup_digital_dialog.h"

namespace corvane {
namespace {

constexpr int kTimerId = 9;

}  // namespace

CSetupDigitalDlg::CSetupDigitalDlg(fw::Host& host, SharedRecords& records, SensorLink& link)
    : SetupDialog(host, records, link, resources::SetupDigitalTemplate(), kTimerId,
                  ids::kDigSystemMessages, ids::kDigApply) {}

void CSetupDigitalDlg::DoDataExchange(fw::DataExchange& dx) {
    dx.Check(ids::kDigCondFilter, condFilter_);
    dx.Check(ids::kDigConcFilter, concFilter_);
    dx.Check(ids::kDigTempFilter, tempFilter_);
}

void CSetupDigitalDlg::EnableTdsFactor() {
    EnableAll({ids::kDigTdsFactor, ids::kDigTdsLabel}, range_ == lists::kTdsDigitalRange);
}

void CSetupDigitalDlg::InitialiseFields() {
    fw::WindowModel& c = Controls();
    SensorData& s = records_.Sensor;
    // The filters are set by the sensor or a file and only shown here.
    EnableAll({ids::kDigCondFilter, ids::kDigConcFilter, ids::kDigTempFilter}, false);
    condFilter_ = s.CondFilterOn;
    concFilter_ = s.ConcFilterOn;
    tempFilter_ = s.TempFilterOn;
    averaging_ = s.DigitalFilter;
    tds_ = s.TdsFactor;
    range_ = s.DigitalRange;

    c.ListSetItems(ids::kDigRange, lists::Items(lists::kDigitalRanges));
    c.ListSelect(ids::kDigRange, range_);
    s.DigitalRangeName =
        lists::Entry(lists::kDigitalRanges, c.ListSelection(ids::kDigRange), kFaultName);
    c.ListSetItems(ids::kDigAveraging, lists::Items(lists::kAveraging));
    c.ListSelect(ids::kDigAveraging, averaging_);
    s.DigitalFilterName = lists::Entry(lists::kAveraging, c.ListSelection(ids::kDigAveraging), "");

    c.Enable(ids::kDigAveraging, condFilter_ == 1 || concFilter_ == 1 || tempFilter_ == 1);
    EnableTdsFactor();
    UpdateData(false);
    WriteNumber(ids::kDigTdsFactor, "%.2f", tds_);
    EnableApply(false);
}

void CSetupDigitalDlg::OnControlNotify(int id, fw::Notify notify) {
    const bool chosen = notify == fw::Notify::SelectionChanged;
    const bool typed = notify == fw::Notify::TextChanged;
    if (!(chosen && (id == ids::kDigRange || id == ids::kDigAveraging)) &&
        !(typed && id == ids::kDigTdsFactor)) {
        return;
    }
    UpdateData(true);
    if (chosen && id == ids::kDigRange) {
        // The range's name and unit go into the sensor data at once, before "&Apply".
        range_ = Controls().ListSelection(id);
        EnableTdsFactor();
        SensorData& s = records_.Sensor;
        s.DigitalUnit = lists::Entry(lists::kDigitalRangeUnits, range_, "%");
        s.DigitalRangeName = lists::Entry(lists::kDigitalRanges, range_, kFaultName);
        UpdateData(false);
    } else if (chosen) {
        averaging_ = Controls().ListSelection(id);
    } else {
        tds_ = ReadNumber(id);
    }
    EnableApply(true);
}

void CSetupDigitalDlg::Apply() {
    WriteNumber(ids::kDigTdsFactor, "%.2f", tds_);
    if (Refuses(ids::kDigTdsFactor, tds_, kHundredths, "TDS Factor") ||
        RefuseUnsendableEntry(*this, averaging_, "digital averaging")) {
        return;
    }
    SensorData& s = records_.Sensor;
    s.TdsFactor = tds_;
    s.CondFilterOn = condFilter_;
    s.ConcFilterOn = concFilter_;
    s.TempFilterOn = tempFilter_;
    s.DigitalRange = range_;
    s.DigitalRangeName = lists::Entry(lists::kDigitalRanges, range_, kFaultName);
    s.DigitalFilter = averaging_;
    s.DigitalFilterName = lists::Entry(lists::kAveraging, averaging_, "");
    link_.Queue(WriteDigitalSetup);
    UpdateData(true);
    EnableApply(false);
}

// Enter closes the dialog only on "&OK"; elsewhere the focus stays where it is.
void CSetupDigitalDlg::OnOK() {
    if (Controls().Focus() == ids::kOk) SetupDialog::OnOK();
}

}  // namespace corvane
