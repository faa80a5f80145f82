#include "app/channels_page.h"

#include "framework/exchange_fields.h"
#include "framework/number_text.h"
#include "resources/channels_page.h"

namespace corvane {
namespace {

std::size_t Index(int channel) {
    return static_cast<std::size_t>(channel - 1);
}

// A reading as its box shows it: at the display precision, written as a number box writes it.
std::string Shown(const char* format, double value) {
    return fw::FormatNumber("%.15g", fw::AsDisplayed(format, value));
}

}  // namespace

CMultiInput::CMultiInput(fw::Host& host, SharedRecords& records, SensorLink& link)
    : OperatorPage(host, records, resources::ChannelsPageTemplate(), kTimerId,
                   ids::kChnMessagesLeft),
      cycle_(link.Channels()) {}

CMultiInput::~CMultiInput() = default;

void CMultiInput::UseHistory(ReadingsHistory* history) {
    trend_ = history != nullptr
                 ? std::make_unique<CTrendDlg>(host_, records_, *history, CTrendDlg::Kind::Channels)
                 : nullptr;
}

// The on/off boxes are read before the addresses, so a refused address never hides a click.
void CMultiInput::DoDataExchange(fw::DataExchange& dx) {
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        const ids::ChannelRowIds& row = ids::kChnRows[i];
        dx.Check(row.onOff, on_[i]);
    }
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        const ids::ChannelRowIds& row = ids::kChnRows[i];
        fw::IntegerField(dx, row.address, address_[i], 0, kHighestAddress);
        if (dx.Failed()) return;
        Readings& r = readings_[i];
        dx.Text(row.condRaw, r.condRaw);
        dx.Text(row.condComp, r.condComp);
        dx.Text(row.temperature, r.temperature);
        dx.Text(row.concentration, r.concentration);
        dx.Text(row.out1, r.out1);
        dx.Text(row.out2, r.out2);
    }
}

// The fields are taken from the shared values before the window's first push: that push
// raises the address edits' change notifications, which copy the fields back.
bool CMultiInput::OnInitDialog() {
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        address_[i] = records_.Sensor.ChannelId[i];
        on_[i] = records_.Sensor.ChannelOn[i] != 0 ? 1 : 0;
    }
    return OperatorPage::OnInitDialog();
}

void CMultiInput::InitialiseFields() {
    ResetIdentity(records_);
    cycle_.RememberAddressInUse();
    for (int k = 1; k <= kChannelCount; ++k) EnableRow(k, on_[Index(k)] != 0);
    Controls().Enable(ids::kChnTrend, trend_ != nullptr);
}

bool CMultiInput::OnSetActive() {
    cycle_.TakeTheLine(on_);
    return OperatorPage::OnSetActive();
}

bool CMultiInput::OnKillActive() {
    if (!UpdateData(true)) return false;  // a refused address keeps the page
    GiveBackTheLine();
    return OperatorPage::OnKillActive();
}

// The sheet closed on this page without leaving it (Cancel, or the main window closing): the
// line is given back all the same, or every page of the next sheet would talk to a channel.
void CMultiInput::OnReset() {
    GiveBackTheLine();
}

void CMultiInput::OnDestroy() {
    if (trend_) trend_->Close();  // the trend window goes with the sheet it was opened from
    GiveBackTheLine();
    OperatorPage::OnDestroy();
}

void CMultiInput::GiveBackTheLine() {
    if (!cycle_.HoldsLine()) return;
    KillTimer(kTimerId);
    cycle_.GiveBackTheLine(address_, on_);
}

void CMultiInput::EnableRow(int channel, bool enabled) {
    const ids::ChannelRowIds& row = ids::kChnRows[Index(channel)];
    for (const int id : {row.address, row.condRaw, row.condComp, row.temperature, row.concentration,
                         row.out1, row.out2}) {
        Controls().Enable(id, enabled);
    }
}

void CMultiInput::OnNotify(int id, fw::Notify notify) {
    if (id == ids::kChnTrend && notify == fw::Notify::Clicked) {
        if (trend_) {
            trend_->SetChannels(on_, address_);
            trend_->Open(View());
        }
        return;
    }
    for (int k = 1; k <= kChannelCount; ++k) {
        const ids::ChannelRowIds& row = ids::kChnRows[Index(k)];
        if (notify == fw::Notify::TextChanged && id == row.address) {
            // A refused address keeps the channel's last accepted one.
            int& address = address_[Index(k)];
            if (UpdateData(true) && address >= 0 && address <= kHighestAddress) {
                records_.Sensor.ChannelId[Index(k)] = address;
            } else {
                address = records_.Sensor.ChannelId[Index(k)];
            }
            return;
        }
        if (notify == fw::Notify::Clicked && id == row.onOff) {
            UpdateData(true);
            if (on_[Index(k)] != 0) {
                EnableRow(k, true);
                cycle_.ChannelSwitchedOn(k);
            } else {
                EnableRow(k, false);
                cycle_.ChannelSwitchedOff(on_);
                readings_[Index(k)] = Readings{};
                silent_[Index(k)] = false;
            }
            UpdateData(false);
            return;
        }
    }
}

void CMultiInput::OnTimer(int id) {
    if (id != kTimerId) return;
    CycleStep();
    if (trend_) trend_->SetChannels(on_, address_);
    const MessageLines& lines = records_.Lines;
    FillList(Controls(), ids::kChnMessagesLeft, [&] {
        std::vector<std::string> shown;
        for (std::size_t n = 0; n < 5; ++n) {
            if (!lines[n].empty()) shown.push_back(lines[n]);
        }
        return shown;
    }());
    FillList(Controls(), ids::kChnMessagesRight, [&] {
        std::vector<std::string> shown;
        for (std::size_t n = 5; n < lines.size(); ++n) {
            if (!lines[n].empty()) shown.push_back(lines[n]);
        }
        for (int k = 1; k <= kChannelCount; ++k) {
            if (silent_[Index(k)] && on_[Index(k)] != 0) {
                shown.push_back("Channel " + std::to_string(k) + " ID " +
                                std::to_string(address_[Index(k)]) + "..Sensor Not Answering");
            }
        }
        return shown;
    }());
    // A refresh request repaints the page but does not initialise it again: that would take
    // the line over a second time.
    if (records_.PageRefresh == PageRefresh::Armed) {
        records_.PageRefresh = PageRefresh::Idle;
        Invalidate();
    } else {
        UpdateData(false);
    }
}

// One step of the channel cycle: one channel is visited per answered, rejected or timed-out poll,
// and the row of the channel visited shows its readings (blank when it did not answer; as they
// were when its reply was garbled or refused, since its sensor is there).
void CMultiInput::CycleStep() {
    const std::optional<ChannelVisit> visit = cycle_.Step(on_);
    if (!visit || visit->rejected) return;
    Readings& r = readings_[Index(visit->channel)];
    silent_[Index(visit->channel)] = !visit->answered;
    if (!visit->answered) {
        r = Readings{"", "", "", "", "", ""};
        return;
    }
    const SensorData& s = records_.Sensor;
    r.condRaw = Shown("%.1f", s.CondRaw);
    r.condComp = Shown("%.1f", s.CondComp);
    r.temperature = Shown("%.1f", s.Temperature);
    r.concentration = Shown("%.1f", s.Concentration);
    r.out1 = Shown("%.2f", s.Out1Current);
    r.out2 = Shown("%.2f", s.Out2Current);
}

}  // namespace corvane
