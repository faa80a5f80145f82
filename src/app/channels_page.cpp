#include "app/channels_page.h"

#include "framework/exchange_fields.h"
#include "framework/number_text.h"
#include "resources/channels_page.h"

namespace corvane {
namespace {

std::size_t Index(int channel) {
    return static_cast<std::size_t>(channel - 1);
}

}  // namespace

CMultiInput::CMultiInput(fw::Host& host, SharedRecords& records)
    : OperatorPage(host, records, resources::ChannelsPageTemplate(), kTimerId,
                   ids::kChnMessagesLeft) {}

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
    returnId_ = records_.Sensor.DeviceId;
    for (int k = 1; k <= kChannelCount; ++k) EnableRow(k, on_[Index(k)] != 0);
    Controls().Enable(ids::kChnTrend, trend_ != nullptr);
}

bool CMultiInput::OnSetActive() {
    TakeTheLine();
    return OperatorPage::OnSetActive();
}

void CMultiInput::TakeTheLine() {
    SensorData& s = records_.Sensor;
    // The address every other page uses is remembered before the page moves DeviceId.
    returnId_ = s.DeviceId;
    holdsLine_ = true;
    const int first = LowestOn();
    s.ChannelSelected = first;
    if (first != 0) {
        s.DeviceId = s.ChannelId[Index(first)];
        s.ChannelSwitch = ChannelSwitch::Requested;
    } else {
        s.ChannelSwitch = ChannelSwitch::Idle;
    }
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
    if (!holdsLine_) return;
    holdsLine_ = false;
    SensorData& s = records_.Sensor;
    s.ChannelId = address_;
    s.ChannelOn = on_;
    KillTimer(kTimerId);
    s.ChannelSwitch = ChannelSwitch::Idle;
    s.ChannelSelected = 0;
    s.DeviceId = returnId_;
    s.NewDeviceId = returnId_;
    s.LastDeviceId = returnId_;
    ClearReadings(records_);
}

int CMultiInput::LowestOn() const {
    for (int k = 1; k <= kChannelCount; ++k) {
        if (on_[Index(k)] != 0) return k;
    }
    return 0;
}

// The next channel that is on after `channel`, round from 5 to 1; `channel` itself when no other
// is on.
int CMultiInput::NextOnAfter(int channel) const {
    for (int step = 1; step < kChannelCount; ++step) {
        const int k = (channel - 1 + step) % kChannelCount + 1;
        if (on_[Index(k)] != 0) return k;
    }
    return channel;
}

// While the page holds the line the address to give back stays the one from before it took
// over, so switching between channels never makes a channel's address the one given back.
void CMultiInput::SwitchTo(int channel) {
    SensorData& s = records_.Sensor;
    if (!holdsLine_) returnId_ = s.DeviceId;
    s.DeviceId = s.ChannelId[Index(channel)];
    s.ChannelSelected = channel;
    s.ChannelSwitch = ChannelSwitch::Requested;
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
            SensorData& s = records_.Sensor;
            if (on_[Index(k)] != 0) {
                EnableRow(k, true);
                if (s.ChannelSwitch == ChannelSwitch::Idle && s.ChannelSelected == 0) {
                    s.ChannelSelected = k;
                    s.ChannelSwitch = ChannelSwitch::Requested;  // the engine moves DeviceId
                }
            } else {
                EnableRow(k, false);
                // The cycle starts again at the lowest channel still on.
                if (const int first = LowestOn(); first != 0) {
                    SwitchTo(first);
                } else {
                    s.ChannelSelected = 0;
                    s.ChannelSwitch = ChannelSwitch::Idle;
                }
                readings_[Index(k)] = Readings{};
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

// One step of the channel cycle: one channel is visited per answered or timed-out poll.
void CMultiInput::CycleStep() {
    SensorData& s = records_.Sensor;
    if (s.ChannelSelected == 0 &&
        (s.ChannelSwitch == ChannelSwitch::Idle || s.ChannelSwitch == ChannelSwitch::Requested)) {
        if (const int first = LowestOn(); first != 0) SwitchTo(first);
        return;
    }
    if (s.ChannelSwitch != ChannelSwitch::Answered && s.ChannelSwitch != ChannelSwitch::TimedOut) {
        return;  // a poll under way
    }
    const int k = s.ChannelSelected;
    if (k < 1 || k > kChannelCount) return;
    Readings& r = readings_[Index(k)];
    if (s.ChannelSwitch == ChannelSwitch::Answered) {
        r.condRaw = fw::AsDisplayed("%.1f", s.CondRaw);
        r.condComp = fw::AsDisplayed("%.1f", s.CondComp);
        r.temperature = fw::AsDisplayed("%.1f", s.Temperature);
        r.concentration = fw::AsDisplayed("%.1f", s.Concentration);
        r.out1 = fw::AsDisplayed("%.2f", s.Out1Current);
        r.out2 = fw::AsDisplayed("%.2f", s.Out2Current);
    } else {
        r = Readings{};
    }
    s.ChannelSelected = NextOnAfter(k);
    s.ChannelSwitch = ChannelSwitch::Requested;
}

}  // namespace corvane
