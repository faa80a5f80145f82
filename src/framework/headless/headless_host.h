#pragma once

#include <deque>
#include <string>
#include <vector>

#include "framework/headless/virtual_clock.h"
#include "framework/host.h"

namespace corvane::fw {

// The host for tests and the headless program: timers run on a virtual clock, the date and time
// start at a fixed moment and advance with the clock, and message boxes are answered from a
// script. Every box and beep is recorded.
class HeadlessHost : public Host {
public:
    struct ShownBox {
        BoxRequest box;
        Answer answer;
        VirtualClock::Micros shownAt;
    };

    explicit HeadlessHost(VirtualClock& clock, DateTime start = DateTime{2026, 12, 7, 9, 30, 0, 1});

    DateTime Now() const override;
    void PlayBeep(Beep beep) override { beeps_.push_back(beep); }
    void PostBox(BoxRequest box, std::function<void(Answer)> onAnswer) override;
    std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) override;

    // Answers for the next boxes, in order. When the script is empty a box gets the answer of
    // its first button (Ok or Yes).
    void ScriptAnswers(std::initializer_list<Answer> answers);
    // How long the operator takes to answer each box (virtual time); 0 = at once.
    void SetAnswerDelay(VirtualClock::Micros delay) { answerDelay_ = delay; }

    const std::vector<ShownBox>& Boxes() const { return boxes_; }
    const std::vector<Beep>& Beeps() const { return beeps_; }
    VirtualClock& Clock() { return clock_; }

private:
    VirtualClock& clock_;
    DateTime start_;
    std::deque<Answer> script_;
    VirtualClock::Micros answerDelay_ = 0;
    std::vector<ShownBox> boxes_;
    std::vector<Beep> beeps_;
};

}  // namespace corvane::fw
