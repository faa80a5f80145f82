#pragma once

#include <functional>
#include <memory>
#include <string>

namespace corvane::fw {

// The sounds that accompany message boxes.
enum class Beep { Default, Question, Exclamation, Error };

enum class Icon { None, Information, Question, Exclamation, Stop };
enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };

struct BoxRequest {
    std::string text;
    std::string caption;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
};

// Local calendar date and time as the PC's clock gives it.
struct DateTime {
    int year = 2000;
    int month = 1;   // 1..12
    int day = 1;     // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 6;  // 0 = Sunday
};

// A repeating window timer. Start while running restarts it with the new period.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void Start(int periodMs) = 0;
    virtual void Stop() = 0;
    virtual bool Running() const = 0;
};

// What the application gets from its surroundings: time, sounds, message boxes and timers.
// The Qt backend serves a real desktop; the headless backend serves tests on a virtual clock.
class Host {
public:
    virtual ~Host() = default;

    virtual DateTime Now() const = 0;
    virtual void PlayBeep(Beep beep) = 0;

    // Shows a message box once the handler that is running now has returned, and calls
    // `onAnswer` with the operator's answer. Timers keep firing while the box is open.
    virtual void PostBox(BoxRequest box, std::function<void(Answer)> onAnswer) = 0;

    virtual std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) = 0;
};

}  // namespace corvane::fw
