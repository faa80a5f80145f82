#include "service/commission_page.h"

#include <array>
#include <string>
#include <vector>

#include "framework/exchange_fields.h"
#include "link/command_table.h"
#include "link/forced_outputs.h"
#include "page_kit/configuration_summary.h"
#include "page_kit/list_filling.h"
#include "resources/test_page.h"

namespace corvane {
namespace {

struct TransmitButton {
    int id;
    int output;
    int mA;
};

constexpr std::array<TransmitButton, 10> kTransmitButtons = {{
    {ids::kTstOut1Transmit2mA, 1, 2},
    {ids::kTstOut1Transmit4mA, 1, 4},
    {ids::kTstOut1Transmit12mA, 1, 12},
    {ids::kTstOut1Transmit20mA, 1, 20},
    {ids::kTstOut1Transmit22mA, 1, 22},
    {ids::kTstOut2Transmit2mA, 2, 2},
    {ids::kTstOut2Transmit4mA, 2, 4},
    {ids::kTstOut2Transmit12mA, 2, 12},
    {ids::kTstOut2Transmit20mA, 2, 20},
    {ids::kTstOut2Transmit22mA, 2, 22},
}};

}  // namespace

CCommissionPage::CCommissionPage(fw::Host& host, SharedRecords& records, SensorLink& link)
    : OperatorPage(host, records, resources::TestPageTemplate(), kTimerId, ids::kTstSystemMessages),
      link_(link) {}

void CCommissionPage::DoDataExchange(fw::DataExchange& dx) {
    fw::DisplayedNumber(dx, ids::kTstOut1Current, out1Current_, "%.2f");
    fw::DisplayedNumber(dx, ids::kTstOut2Current, out2Current_, "%.2f");
}

void CCommissionPage::InitialiseFields() {
    ServiceRequests& svc = records_.Service;
    svc.TestCurrent1 = 0;
    svc.TestCurrent2 = 0;
    // Nothing is sent from here; a request already queued keeps the value it goes out with.
    if (!records_.Queue().IsPending(TestBothOutputs)) svc.TestCodeBoth = 0;
    out1Current_ = svc.TestOut1Display;
    out2Current_ = svc.TestOut2Display;
}

// The boxes show the currents the sensor reports, not the ones requested.
void CCommissionPage::CopyFromSensor() {
    ServiceRequests& svc = records_.Service;
    svc.TestOut1Display = records_.Sensor.Out1Current;
    svc.TestOut2Display = records_.Sensor.Out2Current;
    out1Current_ = svc.TestOut1Display;
    out2Current_ = svc.TestOut2Display;
}

void CCommissionPage::OnNotify(int id, fw::Notify notify) {
    if (notify != fw::Notify::Clicked) return;
    if (id == ids::kTstReturnToNormal) {
        ReturnToNormal();
        return;
    }
    for (const TransmitButton& button : kTransmitButtons) {
        if (button.id == id) Transmit(button.output, button.mA);
    }
}

void CCommissionPage::Transmit(int output, int mA) {
    ForceOutput(records_, link_, output, mA);
    (output == 1 ? out1Current_ : out2Current_) = mA;
}

void CCommissionPage::ReturnToNormal() {
    ReturnOutputsToNormal(records_, link_);
}

void CCommissionPage::OnPaint() {
    out1Current_ = records_.Service.TestOut1Display;
    out2Current_ = records_.Service.TestOut2Display;
    FillList(Controls(), ids::kTstConfiguration, MonitorConfigurationLines(records_.Sensor));
    UpdateData(false);
}

// The sheet closes: the page's values are cleared, but nothing is sent, so an output forced
// from here stays forced for the technician reading the loop elsewhere.
void CCommissionPage::OnDestroy() {
    ServiceRequests& svc = records_.Service;
    out1Current_ = 0;
    out2Current_ = 0;
    svc.TestOut1Display = 0;
    svc.TestOut2Display = 0;
    svc.TestCurrent1 = 0;
    svc.TestCurrent2 = 0;
    UpdateData(false);
}

}  // namespace corvane
