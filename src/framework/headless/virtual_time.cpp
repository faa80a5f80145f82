#include "framework/headless/virtual_time.h"

#include <ctime>

#include "platform/local_time.h"

namespace corvane::fw {
namespace {

class VirtualTimer : public Timer {
  public:
    VirtualTimer(VirtualClock& clock, std::function<void()> onTick)
        : clock_(clock), onTick_(std::move(onTick)) {}
    ~VirtualTimer() override { Stop(); }

    void Start(int periodMs) override {
        Stop();
        period_ = static_cast<VirtualClock::Micros>(periodMs) * kMillisecond;
        if (period_ <= 0) {
            period_ = kMillisecond;
        }
        running_ = true;
        Arm();
    }
    void Stop() override {
        if (running_) {
            clock_.Cancel(pending_);
            running_ = false;
        }
    }
    bool Running() const override { return running_; }

  private:
    void Arm() {
        pending_ = clock_.After(period_, [this] {
            Arm();  // re-armed first, so a handler that restarts the timer replaces this
            onTick_();
        });
    }

    VirtualClock& clock_;
    std::function<void()> onTick_;
    VirtualClock::Micros period_ = 0;
    VirtualClock::EventId pending_ = 0;
    bool running_ = false;
};

}  // namespace

DateTime VirtualTime::Now() const {
    using namespace std::chrono;
    if (preciseStart_) {
        const std::time_t now = system_clock::to_time_t(PreciseNow());
        const std::tm local = platform::LocalCalendar(now);
        return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                        local.tm_min,         local.tm_sec,     local.tm_wday};
    }
    const sys_days startDay = year{start_.year} / month{static_cast<unsigned>(start_.month)} /
                              day{static_cast<unsigned>(start_.day)};
    const sys_seconds moment = startDay + hours{start_.hour} + minutes{start_.minute} +
                               seconds{start_.second} + seconds{clock_.Now() / kSecond};
    const sys_days today = floor<days>(moment);
    const year_month_day date{today};
    const hh_mm_ss time{moment - today};
    return DateTime{static_cast<int>(date.year()),
                    static_cast<int>(static_cast<unsigned>(date.month())),
                    static_cast<int>(static_cast<unsigned>(date.day())),
                    static_cast<int>(time.hours().count()),
                    static_cast<int>(time.minutes().count()),
                    static_cast<int>(time.seconds().count()),
                    static_cast<int>(weekday{today}.c_encoding())};
}

std::chrono::system_clock::time_point VirtualTime::PreciseNow() const {
    const auto start = preciseStart_ ? *preciseStart_ : TimePointOf(start_);
    return start + std::chrono::microseconds(clock_.Now());
}

std::unique_ptr<Timer> VirtualTime::CreateTimer(std::function<void()> onTick) {
    return std::make_unique<VirtualTimer>(clock_, std::move(onTick));
}

}  // namespace corvane::fw
