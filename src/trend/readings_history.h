#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "link/link_outcomes.h"
#include "link/readings_csv.h"
#include "link/status_lines.h"
#include "trend/ring_buffer.h"

namespace corvane {

struct SharedRecords;

// The six readings of a poll, in the order of the Monitor page and of a readings file.
enum class Reading { CondRaw, CondComp, Temperature, Concentration, Out1Current, Out2Current };
inline constexpr std::size_t kReadingCount = 6;

// One answered poll as the trend keeps it.
struct TrendSample {
    std::int64_t timeMs = 0;  // when it was answered, milliseconds since the system clock's epoch
    std::array<double, kReadingCount> values{};
    // Whose reply it was: 0 the sensor the pages talk to; 1..5 a channel of the Channels page
    // (while that page polls its channels); -1 a reply on the Channels page's line from an
    // address no channel has now.
    int channel = 0;
    int address = 0;  // the address the reply came from
};

// A moment the trend marks on its time axis: a status line that began to stand, with its text
// (a spinner's turning end left off).
struct TrendMark {
    enum class Kind {
        LinkFault,     // lines 1..6: a reply overdue, timed out, the link reset, a frame error
        SensorStatus,  // lines 11..80 raised by the sensor's status bytes
        Information,   // any other line: comms OK again, a function completed, download steps
    };
    std::int64_t timeMs = 0;
    int line = 0;
    std::string text;
    Kind kind = Kind::Information;
};

// What the trend window shows and records: the readings of every answered poll of the last hour
// and the status lines that appeared, in bounded rings (a constant amount of memory however long
// the program runs), and the rows of the answered polls for whoever records them. The main
// window feeds it: PollWasAnswered from the sensor link the moment a poll reply has been decoded,
// ObserveLink after each link tick. It never touches the link.
class ReadingsHistory : public LinkObserver {
  public:
    static constexpr std::int64_t kKeptMs = 60 * 60 * 1000;
    // An hour of polls at the link's five a second, and a little more.
    static constexpr std::size_t kSampleCapacity = 18'900;
    static constexpr std::size_t kMarkCapacity = 2'000;

    ReadingsHistory();

    // A poll was answered: its readings become a sample, stamped with the moment its reply was
    // complete, and go to the listeners.
    void PollWasAnswered(const PollAnswered& poll) override;
    // After a link tick: each status line that stands now and did not at the last look becomes
    // a mark. A link fault line that appears again before any poll was answered is not marked
    // again (a silent sensor would mark its overdue, timed-out and reset lines every 4 s), and
    // "Comms OK" (line 08) is marked only when it comes back after a link fault, not each time
    // a reply other than a poll's blinks it off for a tick.
    void ObserveLink(const SharedRecords& records, std::chrono::system_clock::time_point time);

    // A sample made elsewhere (benchmarks, tests). Samples are kept in time order: one older
    // than the newest is stamped with the newest's time.
    void Add(TrendSample sample);
    void AddMark(TrendMark mark);

    const RingBuffer<TrendSample>& Samples() const { return samples_; }
    const RingBuffer<TrendMark>& Marks() const { return marks_; }
    // The index of the first sample (mark) at or after `timeMs`.
    std::size_t FirstSampleFrom(std::int64_t timeMs) const;
    std::size_t FirstMarkFrom(std::int64_t timeMs) const;
    // Answered polls seen since the program started, including those no longer kept.
    std::uint64_t AnsweredPolls() const { return answeredPolls_; }

    // Called with the row of every answered poll (for a recording) and the sample it made. A
    // listener may remove itself, or another, while it is being called.
    using RowListener = std::function<void(const ReadingRow& row, const TrendSample& sample)>;
    int AddListener(RowListener listener);
    void RemoveListener(int id);

  private:
    void DropExpired(std::int64_t nowMs);

    RingBuffer<TrendSample> samples_;
    RingBuffer<TrendMark> marks_;
    std::uint64_t answeredPolls_ = 0;
    std::array<bool, MessageSlots::kLast + 1> standing_{};
    std::array<bool, MessageSlots::kLast + 1> markedSinceAnswer_{};
    bool faultSinceCommsOk_ = true;  // the first "Comms OK" is marked
    std::vector<std::pair<int, RowListener>> listeners_;
    int nextListener_ = 1;
};

// Milliseconds since the system clock's epoch.
std::int64_t MillisecondsOf(std::chrono::system_clock::time_point time);

}  // namespace corvane
