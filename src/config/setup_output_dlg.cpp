#include "config/setup_output_dlg.h"

#include <cmath>

#include "framework/exchange_fields.h"
#include "framework/number_text.h"
#include "link/command_table.h"
#include "resources/list_texts.h"

namespace corvane {
namespace {

constexpr int kUnitLimit = 63;

const resources::OutputDialogIds& IdsOf(int output) {
    return output == 1 ? resources::kOutput1DialogIds : resources::kOutput2DialogIds;
}

}  // namespace

CSetupOutputDlg::CSetupOutputDlg(fw::Host& host, SharedRecords& records, SensorLink& link,
                                 int output)
    : SetupDialog(
          host, records, link,
          output == 1 ? resources::SetupOutput1Template() : resources::SetupOutput2Template(),
          output == 1 ? 7 : 8, IdsOf(output).messages, IdsOf(output).apply),
      ids_(IdsOf(output)),
      command_(output == 1 ? WriteOutput1Setup : WriteOutput2Setup) {}

CurrentOutput& CSetupOutputDlg::Output() {
    return ids_.dialog == ids::kSetupOutput1Dialog ? records_.Sensor.Out1 : records_.Sensor.Out2;
}

void CSetupOutputDlg::DoDataExchange(fw::DataExchange& dx) {
    dx.Check(ids_.filterOn, filterOn_);
    dx.Check(ids_.errorSignal, errorSignal_);
    dx.Radio(ids_.error2mA, errorCurrent_);
    fw::TextField(dx, ids_.unit4mA, unit4mA_, kUnitLimit);
    fw::TextField(dx, ids_.unit20mA, unit20mA_, kUnitLimit);
}

std::string CSetupOutputDlg::UnitOf(int source) const {
    if (source == lists::kTemperatureSource) return records_.Sensor.TempUnit;
    return lists::Entry(lists::kOutputSourceUnits, source, "%");
}

void CSetupOutputDlg::EnableErrorCurrents() {
    EnableAll({ids_.error2mA, ids_.error22mA}, errorSignal_ == 1);
}

void CSetupOutputDlg::EnableTdsFactor() {
    EnableAll({ids::kOutTdsFactor, ids::kOutTdsLabel}, source_ == lists::kTdsSource);
}

void CSetupOutputDlg::InitialiseFields() {
    fw::WindowModel& c = Controls();
    CurrentOutput& out = Output();
    c.Enable(ids_.filterOn, false);  // the filter's state comes from the sensor or a file
    errorSignal_ = out.ErrorSignal;
    filterOn_ = out.FilterOn;
    averaging_ = out.Filter;
    at20mA_ = out.At20mA;
    at4mA_ = out.At4mA;
    errorCurrent_ = out.ErrorHigh;
    tds_ = records_.Sensor.TdsFactor;
    source_ = out.Source;
    unit4mA_ = out.Unit;
    unit20mA_ = out.Unit;

    c.ListSetItems(ids_.source, lists::Items(lists::kOutputSources));
    c.ListSelect(ids_.source, source_);
    out.SourceName = lists::Entry(lists::kOutputSources, c.ListSelection(ids_.source), kFaultName);
    c.ListSetItems(ids_.averaging, lists::Items(lists::kAveraging));
    c.ListSelect(ids_.averaging, averaging_);
    out.FilterName = lists::Entry(lists::kAveraging, c.ListSelection(ids_.averaging), "");

    EnableErrorCurrents();
    c.Enable(ids_.averaging, filterOn_ == 1);
    source_ = c.ListSelection(ids_.source);
    EnableTdsFactor();

    UpdateData(false);
    WriteNumber(ids::kOutTdsFactor, "%.2f", tds_);
    WriteNumber(ids_.at4mA, "%.1f", at4mA_);
    WriteNumber(ids_.at20mA, "%.1f", at20mA_);
    EnableApply(false);
}

void CSetupOutputDlg::OnControlNotify(int id, fw::Notify notify) {
    const bool clicked = notify == fw::Notify::Clicked;
    const bool typed = notify == fw::Notify::TextChanged;
    const bool chosen = notify == fw::Notify::SelectionChanged;
    const bool handled =
        (clicked && (id == ids_.errorSignal || id == ids_.error2mA || id == ids_.error22mA)) ||
        (typed && (id == ids_.at4mA || id == ids_.at20mA || id == ids::kOutTdsFactor)) ||
        (chosen && (id == ids_.source || id == ids_.averaging));
    if (!handled) return;
    UpdateData(true);
    if (clicked && id == ids_.errorSignal) {
        EnableErrorCurrents();
    } else if (typed) {
        const double value = ReadNumber(id);
        if (id == ids_.at4mA) at4mA_ = value;
        if (id == ids_.at20mA) at20mA_ = value;
        if (id == ids::kOutTdsFactor) tds_ = value;
    } else if (chosen && id == ids_.averaging) {
        averaging_ = Controls().ListSelection(id);
    } else if (chosen && id == ids_.source) {
        source_ = Controls().ListSelection(id);
        EnableTdsFactor();
        unit4mA_ = UnitOf(source_);
        unit20mA_ = unit4mA_;
        // The name follows the committed choice; the new one's name comes with Apply.
        CurrentOutput& out = Output();
        out.SourceName = source_ < 0 ? std::string(kFaultName)
                                     : lists::Entry(lists::kOutputSources, out.Source, kFaultName);
        UpdateData(false);
    }
    EnableApply(true);
}

void CSetupOutputDlg::Apply() {
    if (RefusesNonNumber(ids_.at4mA, "4 mA value") ||
        RefusesNonNumber(ids_.at20mA, "20 mA value") ||
        RefusesNonNumber(ids::kOutTdsFactor, "TDS Factor")) {
        return;
    }
    // The sensor takes the whole parts: two values with one whole part give an output whose
    // range is nothing.
    if (std::trunc(at4mA_) == std::trunc(at20mA_)) {
        RefuseEntry(ids_.at20mA, "The 4 mA value and the 20 mA value are equal (" +
                                     fw::ShortestText(std::trunc(at4mA_)) +
                                     "): enter two different values. Nothing was applied.");
        return;
    }
    WriteNumber(ids::kOutTdsFactor, "%.2f", tds_);
    WriteNumber(ids_.at4mA, "%.2f", at4mA_);
    WriteNumber(ids_.at20mA, "%.2f", at20mA_);
    if (Refuses(ids_.at4mA, at4mA_, kWholeNumber, "4 mA value") ||
        Refuses(ids_.at20mA, at20mA_, kWholeNumber, "20 mA value") ||
        Refuses(ids::kOutTdsFactor, tds_, kHundredths, "TDS Factor") ||
        RefuseUnsendableEntry(*this, averaging_, "output averaging")) {
        return;
    }
    CurrentOutput& out = Output();
    records_.Sensor.TdsFactor = tds_;
    out.ErrorSignal = errorSignal_;
    out.ErrorHigh = errorCurrent_;
    out.FilterOn = filterOn_;
    out.At4mA = at4mA_;
    out.At20mA = at20mA_;
    out.Unit = unit4mA_;
    out.Source = source_;
    out.SourceName = lists::Entry(lists::kOutputSources, source_, kFaultName);
    out.Filter = averaging_;
    out.FilterName = lists::Entry(lists::kAveraging, averaging_, "");
    link_.Queue(command_);
    UpdateData(true);
    EnableApply(false);
}

// Enter on "&OK" closes; elsewhere it moves through source, 4 mA value and 20 mA value.
void CSetupOutputDlg::OnOK() {
    const int focus = Controls().Focus();
    if (focus == ids::kOk) {
        SetupDialog::OnOK();
    } else if (focus == ids_.source) {
        Controls().SetFocus(ids_.at4mA);
    } else if (focus == ids_.at4mA) {
        Controls().SetFocus(ids_.at20mA);
    } else if (focus == ids_.at20mA) {
        Controls().SetFocus(ids_.source);
    }
}

}  // namespace corvane
