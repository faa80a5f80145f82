#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "framework/headless/virtual_clock.h"
#include "framework/headless/virtual_time.h"
#include "framework/host.h"

namespace corvane::fw {

// The host for tests and the headless program: timers run on a virtual clock, the date and time
// start at a fixed moment and advance with the clock, and message boxes are answered from a
// script. Every box and beep is recorded.
// The programs that run on one (virtual) desktop, by main window title, so that tests can start
// a second copy.
struct InstanceRegistry {
    std::map<std::string, std::function<void()>> running;
};

class HeadlessHost : public Host {
  public:
    struct ShownBox {
        BoxRequest box;
        Answer answer;
        VirtualClock::Micros shownAt;
    };

    explicit HeadlessHost(VirtualClock& clock, DateTime start = DateTime{2026, 12, 7, 9, 30, 0, 1});
    // Time that starts at a moment of the system clock (the headless program's own time).
    HeadlessHost(VirtualClock& clock, std::chrono::system_clock::time_point start);

    DateTime Now() const override;
    // The start moment plus the clock's time, to the microsecond.
    std::chrono::system_clock::time_point PreciseNow() const override;
    void PlayBeep(Beep beep) override { beeps_.push_back(beep); }
    void PostBox(BoxRequest box, std::function<void(Answer)> onAnswer) override;
    std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) override;
    void Post(std::function<void()> action) override;
    std::unique_ptr<WindowView> CreateDialogView(Dialog& dialog, WindowModel& controls,
                                                 WindowView* parent) override;
    std::unique_ptr<SheetView> CreateSheetView(PropertySheet& sheet, WindowView* parent) override;
    std::unique_ptr<WindowView> CreatePageView(SheetView& sheet, int index, Dialog& page,
                                               WindowModel& controls) override;
    std::unique_ptr<WindowView> CreateModelessView(Dialog& dialog, WindowModel& controls,
                                                   WindowView* owner) override;
    void PostFileDialog(FileDialogRequest request,
                        std::function<void(std::optional<std::string>)> onChosen) override;
    using Host::OpenHelp;
    void OpenHelp(const std::string& section) override { helpSections_.push_back(section); }
    bool RaiseRunningCopy(const std::string& title, std::function<void()> onRaise) override;
    // Shares the desktop with other hosts (for single-instance tests).
    void ShareDesktop(InstanceRegistry& registry) { registry_ = &registry; }
    // Decides the one-copy rule some other way (across processes, for the headless program).
    void SetInstanceArbiter(
        std::function<bool(const std::string&, std::function<void()>)> arbiter) {
        arbiter_ = std::move(arbiter);
    }
    // Called with every box as it is shown (the headless program prints them).
    void SetBoxObserver(std::function<void(const ShownBox&)> observer) {
        boxObserver_ = std::move(observer);
    }

    // Paths the next file dialogs return, in order; nothing = Cancel. An empty script cancels.
    void ScriptFileChoices(std::initializer_list<std::optional<std::string>> choices);
    const std::vector<FileDialogRequest>& FileDialogs() const { return fileDialogs_; }
    int HelpOpened() const { return static_cast<int>(helpSections_.size()); }
    // The section each opening of the help asked for, in order ("" for the beginning).
    const std::vector<std::string>& HelpSections() const { return helpSections_; }

    // Windows open now, in the order they were opened.
    const std::vector<Dialog*>& OpenDialogs() const { return openDialogs_; }
    const std::vector<PropertySheet*>& OpenSheets() const { return openSheets_; }

    // Answers for the next boxes, in order. When the script is empty a box gets the answer of
    // its first button (Ok or Yes).
    void ScriptAnswers(std::initializer_list<Answer> answers);
    // How long the operator takes to answer each box or file dialog (virtual time); 0 = at
    // once.
    void SetAnswerDelay(VirtualClock::Micros delay) { answerDelay_ = delay; }

    const std::vector<ShownBox>& Boxes() const { return boxes_; }
    const std::vector<Beep>& Beeps() const { return beeps_; }
    VirtualClock& Clock() { return clock_; }

  private:
    VirtualClock& clock_;
    VirtualTime time_;
    std::deque<Answer> script_;
    VirtualClock::Micros answerDelay_ = 0;
    std::vector<ShownBox> boxes_;
    std::vector<Beep> beeps_;
    std::deque<std::optional<std::string>> fileScript_;
    std::vector<FileDialogRequest> fileDialogs_;
    std::vector<std::string> helpSections_;
    std::vector<Dialog*> openDialogs_;
    std::vector<PropertySheet*> openSheets_;
    InstanceRegistry ownRegistry_;
    InstanceRegistry* registry_ = &ownRegistry_;
    std::function<bool(const std::string&, std::function<void()>)> arbiter_;
    std::function<void(const ShownBox&)> boxObserver_;
};

}  // namespace corvane::fw
