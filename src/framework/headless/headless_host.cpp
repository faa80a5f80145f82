#include "framework/headless/headless_host.h"

#include <algorithm>

#include "framework/dialog.h"
#include "framework/property_sheet.h"

namespace corvane::fw {
namespace {

// Keeps a window in the host's list of open windows while it is shown. A window opened on top
// of a dialog uncovers it when it closes, and the dialog is told so (it paints again) as long
// as it is still shown itself.
template <typename Window, typename Base>
class ListedView : public Base {
  public:
    ListedView(std::vector<Window*>& list, Window& window, std::vector<Dialog*>& dialogs,
               Dialog* below)
        : list_(list), window_(window), dialogs_(dialogs), below_(below) {}
    ~ListedView() override { Close(); }
    void Show() override {
        if (!shown_) list_.push_back(&window_);
        shown_ = true;
    }
    void Close() override {
        if (!shown_) return;
        list_.erase(std::find(list_.begin(), list_.end(), &window_));
        shown_ = false;
        if (below_ != nullptr &&
            std::find(dialogs_.begin(), dialogs_.end(), below_) != dialogs_.end()) {
            below_->OnExposed();
        }
    }
    Window& Shown() const { return window_; }

  private:
    std::vector<Window*>& list_;
    Window& window_;
    std::vector<Dialog*>& dialogs_;
    Dialog* below_;
    bool shown_ = false;
};

using HeadlessDialogView = ListedView<Dialog, WindowView>;

// The dialog whose view `parent` is, if it is one of ours.
Dialog* DialogOf(WindowView* parent) {
    auto* view = dynamic_cast<HeadlessDialogView*>(parent);
    return view != nullptr ? &view->Shown() : nullptr;
}

class HeadlessSheetView : public ListedView<PropertySheet, SheetView> {
  public:
    using ListedView::ListedView;
    void ActivePageChanged(int) override {}
    void ApplyEnabledChanged(bool) override {}
};

class PageView : public WindowView {
  public:
    void Show() override {}
    void Close() override {}
};

Answer FirstButton(Buttons buttons) {
    return buttons == Buttons::Ok ? Answer::Ok : Answer::Yes;
}

}  // namespace

HeadlessHost::HeadlessHost(VirtualClock& clock, DateTime start)
    : clock_(clock), time_(clock, start) {}

HeadlessHost::HeadlessHost(VirtualClock& clock, std::chrono::system_clock::time_point start)
    : clock_(clock), time_(clock, start) {}

DateTime HeadlessHost::Now() const {
    return time_.Now();
}

std::chrono::system_clock::time_point HeadlessHost::PreciseNow() const {
    return time_.PreciseNow();
}

void HeadlessHost::PostBox(BoxRequest box, std::function<void(Answer)> onAnswer) {
    clock_.After(0, [this, box = std::move(box), onAnswer = std::move(onAnswer)]() mutable {
        Answer answer = FirstButton(box.buttons);
        if (!script_.empty()) {
            answer = script_.front();
            script_.pop_front();
        }
        boxes_.push_back({box, answer, clock_.Now()});
        if (boxObserver_) boxObserver_(boxes_.back());
        clock_.After(answerDelay_, [onAnswer = std::move(onAnswer), answer] { onAnswer(answer); });
    });
}

std::unique_ptr<Timer> HeadlessHost::CreateTimer(std::function<void()> onTick) {
    return time_.CreateTimer(std::move(onTick));
}

void HeadlessHost::Post(std::function<void()> action) {
    clock_.After(0, std::move(action));
}

std::unique_ptr<WindowView> HeadlessHost::CreateDialogView(Dialog& dialog, WindowModel&,
                                                           WindowView* parent) {
    return std::make_unique<HeadlessDialogView>(openDialogs_, dialog, openDialogs_,
                                                DialogOf(parent));
}

// In memory a window that blocks nothing is listed as any other dialog is.
std::unique_ptr<WindowView> HeadlessHost::CreateModelessView(Dialog& dialog, WindowModel&,
                                                             WindowView* owner) {
    return std::make_unique<HeadlessDialogView>(openDialogs_, dialog, openDialogs_,
                                                DialogOf(owner));
}

std::unique_ptr<SheetView> HeadlessHost::CreateSheetView(PropertySheet& sheet, WindowView* parent) {
    return std::make_unique<HeadlessSheetView>(openSheets_, sheet, openDialogs_, DialogOf(parent));
}

std::unique_ptr<WindowView> HeadlessHost::CreatePageView(SheetView&, int, Dialog&, WindowModel&) {
    return std::make_unique<PageView>();
}

void HeadlessHost::PostFileDialog(FileDialogRequest request,
                                  std::function<void(std::optional<std::string>)> onChosen) {
    fileDialogs_.push_back(request);
    std::optional<std::string> choice;
    if (!fileScript_.empty()) {
        choice = fileScript_.front();
        fileScript_.pop_front();
    }
    clock_.After(0, [this, onChosen = std::move(onChosen), choice]() mutable {
        clock_.After(answerDelay_, [onChosen = std::move(onChosen), choice] { onChosen(choice); });
    });
}

bool HeadlessHost::RaiseRunningCopy(const std::string& title, std::function<void()> onRaise) {
    if (arbiter_) return arbiter_(title, std::move(onRaise));
    const auto found = registry_->running.find(title);
    if (found != registry_->running.end()) {
        if (found->second) found->second();
        return true;
    }
    registry_->running.emplace(title, std::move(onRaise));
    return false;
}

void HeadlessHost::ScriptFileChoices(std::initializer_list<std::optional<std::string>> choices) {
    fileScript_.insert(fileScript_.end(), choices.begin(), choices.end());
}

void HeadlessHost::ScriptAnswers(std::initializer_list<Answer> answers) {
    script_.insert(script_.end(), answers.begin(), answers.end());
}

}  // namespace corvane::fw
