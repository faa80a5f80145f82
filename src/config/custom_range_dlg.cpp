#include "config/custom_range_dlg.h"

#include "framework/exchange_fields.h"
#include "framework/number_text.h"
#include "link/command_table.h"
#include "resources/custom_range_dialog.h"

namespace corvane {
namespace {

constexpr int kTimerId = 10;
constexpr int kFewestPoints = 1;

// Where point `id`'s box sits: its index and whether it is a concentration; -1 for other ids.
int PointIndex(const std::array<int, kCustomRangePointCount>& boxes, int id) {
    for (std::size_t k = 0; k < boxes.size(); ++k) {
        if (boxes[k] == id) return static_cast<int>(k);
    }
    return -1;
}

}  // namespace

CCustomRangeDlg::CCustomRangeDlg(fw::Host& host, SharedRecords& records, SensorLink& link)
    : SetupDialog(host, records, link, resources::CustomRangeTemplate(), kTimerId,
                  ids::kCusSystemMessages, ids::kCusApply) {}

// The number of points is checked before the description, and a failed check ends the pull
// there; a number outside 1..9 is held all the same.
void CCustomRangeDlg::DoDataExchange(fw::DataExchange& dx) {
    fw::IntegerField(dx, ids::kCusPointCount, points_, kFewestPoints, kCustomRangePointCount);
    fw::TextField(dx, ids::kCusDescription, description_, kDescriptionLimit);
}

// Row 1 always; row k while the number of points is at least k.
void CCustomRangeDlg::EnableRows() {
    for (std::size_t k = 1; k < kCustomRangePointCount; ++k) {
        const bool used = points_ >= static_cast<int>(k) + 1;
        EnableAll({ids::kCusPointLabel[k], ids::kCusConcentration[k], ids::kCusConductivity[k]},
                  used);
    }
}

void CCustomRangeDlg::WritePoints() {
    for (std::size_t k = 0; k < kCustomRangePointCount; ++k) {
        WriteNumber(ids::kCusConductivity[k], "%.1f", cond_[k]);
    }
    for (std::size_t k = 0; k < kCustomRangePointCount; ++k) {
        WriteNumber(ids::kCusConcentration[k], "%.2f", conc_[k]);
    }
}

void CCustomRangeDlg::InitialiseFields() {
    const SensorData& s = records_.Sensor;
    description_ = s.CustomRangeText;
    cond_ = s.CustomCond;
    conc_ = s.CustomConc;
    points_ = s.CustomRangePoints;
    EnableRows();
    UpdateData(false);
    WritePoints();
    EnableApply(false);
}

void CCustomRangeDlg::OnControlNotify(int id, fw::Notify notify) {
    if (notify != fw::Notify::TextChanged) return;
    const int conc = PointIndex(ids::kCusConcentration, id);
    const int cond = PointIndex(ids::kCusConductivity, id);
    if (conc < 0 && cond < 0 && id != ids::kCusPointCount && id != ids::kCusDescription) return;
    UpdateData(true);
    if (conc >= 0) conc_[static_cast<std::size_t>(conc)] = ReadNumber(id);
    if (cond >= 0) cond_[static_cast<std::size_t>(cond)] = ReadNumber(id);
    if (id == ids::kCusPointCount) EnableRows();
    EnableApply(true);
}

void CCustomRangeDlg::Apply() {
    // The sensor takes 1 to 9 points: a number box that fails its check refuses Apply with the
    // framework's prompt.
    const auto typed = fw::ParseInteger(Controls().Text(ids::kCusPointCount));
    if (!typed || *typed < kFewestPoints || *typed > kCustomRangePointCount) {
        UpdateData(true);
        return;
    }
    WritePoints();
    for (std::size_t k = 0; k < kCustomRangePointCount; ++k) {
        const std::string point = "Custom Range Point " + std::to_string(k + 1);
        if (Refuses(ids::kCusConcentration[k], conc_[k], kHundredths, point + " concentration") ||
            Refuses(ids::kCusConductivity[k], cond_[k], kTenths, point + " conductivity")) {
            return;
        }
    }
    SensorData& s = records_.Sensor;
    s.CustomRangePoints = points_;
    s.CustomCond = cond_;
    s.CustomConc = conc_;
    s.CustomRangeText = description_;
    for (const int command :
         {WriteCustomConc, WriteCustomCond, WriteCustomText1, WriteCustomText2}) {
        link_.Queue(command);
    }
    UpdateData(true);
    EnableApply(false);
}

// Enter walks the table row by row: concentration, conductivity, the next row's concentration,
// and after the last row in use the number of points, then back to the first concentration.
void CCustomRangeDlg::OnOK() {
    fw::WindowModel& c = Controls();
    const int focus = c.Focus();
    const int conc = PointIndex(ids::kCusConcentration, focus);
    const int cond = PointIndex(ids::kCusConductivity, focus);
    if (focus == ids::kOk) {
        SetupDialog::OnOK();
    } else if (conc >= 0) {
        c.SetFocus(ids::kCusConductivity[static_cast<std::size_t>(conc)]);
    } else if (cond >= 0) {
        const bool nextRowUsed = cond + 1 < kCustomRangePointCount && points_ > cond + 1;
        c.SetFocus(nextRowUsed ? ids::kCusConcentration[static_cast<std::size_t>(cond + 1)]
                               : ids::kCusPointCount);
    } else if (focus == ids::kCusPointCount) {
        c.SetFocus(ids::kCusConcentration[0]);
    }
}

}  // namespace corvane
