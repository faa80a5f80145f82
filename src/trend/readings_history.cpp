#include "trend/readings_history.h"

#include <algorithm>

#include "link/shared_records.h"

namespace corvane {
namespace {

TrendMark::Kind KindOfLine(int line) {
    if (line >= line::kDataReplyOverdue.number && line <= line::kReceiveError.number) {
        return TrendMark::Kind::LinkFault;  // 1..6
    }
    if (line >= line::kDeviceLines.first && line <= line::kDeviceLines.last) {
        return TrendMark::Kind::SensorStatus;
    }
    return TrendMark::Kind::Information;
}

// A line's text without a spinner's turning end ("Msg 08..Sensor Comms OK   \").
std::string MarkText(const std::string& text, int line) {
    if (line != line::kSensorCommsOk && line != line::kRequestingDownload) return text;
    std::string trimmed = text;
    while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\\' ||
                                trimmed.back() == '/' || trimmed.back() == '-')) {
        trimmed.pop_back();
    }
    return trimmed;
}

}  // namespace

std::int64_t MillisecondsOf(std::chrono::system_clock::time_point time) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

ReadingsHistory::ReadingsHistory() : samples_(kSampleCapacity), marks_(kMarkCapacity) {}

void ReadingsHistory::PollWasAnswered(const PollAnswered& poll) {
    ++answeredPolls_;
    const ReadingRow& row = poll.reading;
    TrendSample sample;
    sample.timeMs = MillisecondsOf(row.time);
    sample.values = {row.CondRaw,       row.CondComp,    row.Temperature,
                     row.Concentration, row.Out1Current, row.Out2Current};
    sample.address = poll.address;
    sample.channel = poll.channel;
    Add(sample);
    // A poll was answered: the link fault lines may be marked again when they next appear.
    for (int n = line::kDataReplyOverdue.number; n <= line::kReceiveError.number; ++n) {
        markedSinceAnswer_[static_cast<std::size_t>(n)] = false;
    }
    if (listeners_.empty()) return;
    const auto listeners = listeners_;  // a listener may remove itself
    for (const auto& [id, listener] : listeners) {
        const bool stillListening =
            std::any_of(listeners_.begin(), listeners_.end(),
                        [id = id](const auto& entry) { return entry.first == id; });
        if (stillListening) listener(row, samples_.Newest());
    }
}

void ReadingsHistory::ObserveLink(const SharedRecords& records,
                                  std::chrono::system_clock::time_point time) {
    const std::int64_t nowMs = MillisecondsOf(time);
    for (int n = MessageSlots::kFirst; n <= MessageSlots::kLast; ++n) {
        const auto i = static_cast<std::size_t>(n);
        const bool stands = records.Slots.Stands(n);
        const bool appeared = stands && !standing_[i];
        standing_[i] = stands;
        if (!appeared) continue;
        const TrendMark::Kind kind = KindOfLine(n);
        if (kind == TrendMark::Kind::LinkFault) {
            faultSinceCommsOk_ = true;
            if (markedSinceAnswer_[i]) continue;
            markedSinceAnswer_[i] = true;
        } else if (n == line::kSensorCommsOk) {
            if (!faultSinceCommsOk_) continue;
            faultSinceCommsOk_ = false;
        }
        AddMark({nowMs, n, MarkText(records.Slots.Text(n), n), kind});
    }
    DropExpired(nowMs);
}

void ReadingsHistory::Add(TrendSample sample) {
    if (!samples_.Empty() && sample.timeMs < samples_.Newest().timeMs) {
        sample.timeMs = samples_.Newest().timeMs;  // the clock was set back
    }
    samples_.Push(sample);
    DropExpired(sample.timeMs);
}

void ReadingsHistory::AddMark(TrendMark mark) {
    if (!marks_.Empty() && mark.timeMs < marks_.Newest().timeMs) {
        mark.timeMs = marks_.Newest().timeMs;
    }
    marks_.Push(std::move(mark));
}

void ReadingsHistory::DropExpired(std::int64_t nowMs) {
    const std::int64_t oldest = nowMs - kKeptMs;
    samples_.DropOldest(FirstSampleFrom(oldest));
    marks_.DropOldest(FirstMarkFrom(oldest));
}

std::size_t ReadingsHistory::FirstSampleFrom(std::int64_t timeMs) const {
    return samples_.PartitionPoint([timeMs](const TrendSample& s) { return s.timeMs < timeMs; });
}

std::size_t ReadingsHistory::FirstMarkFrom(std::int64_t timeMs) const {
    return marks_.PartitionPoint([timeMs](const TrendMark& m) { return m.timeMs < timeMs; });
}

int ReadingsHistory::AddListener(RowListener listener) {
    const int id = nextListener_++;
    listeners_.emplace_back(id, std::move(listener));
    return id;
}

void ReadingsHistory::RemoveListener(int id) {
    std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

}  // namespace corvane
