#include "framework/dialog.h"

#include <stdexcept>

namespace corvane::fw {

Dialog::Dialog(Host& host, const DialogTemplate& dialogTemplate)
    : host_(host), template_(dialogTemplate) {}

Dialog::~Dialog() {
    timers_.clear();
    view_.reset();
}

WindowModel& Dialog::Controls() {
    if (!controls_) {
        throw std::logic_error("dialog " + std::to_string(template_.id) + " has no window");
    }
    return *controls_;
}

std::unique_ptr<WindowModel> Dialog::MakeControls() {
    auto controls = std::make_unique<WindowModel>(template_);
    controls->SetNotifySink([this](int id, Notify notify) { Dispatch(id, notify); });
    return controls;
}

void Dialog::OpenWindow(std::unique_ptr<WindowView> view, std::unique_ptr<WindowModel> controls) {
    controls_ = std::move(controls);
    view_ = std::move(view);
    windowToken_ = std::make_shared<int>(0);
    paintPending_ = false;
    closePending_ = false;
    OnInitDialog();
    if (view_) view_->Show();
    Invalidate();
}

void Dialog::CloseWindow() {
    if (!controls_) return;
    OnDestroy();
    timers_.clear();
    windowToken_.reset();
    if (view_) view_->Close();
    view_.reset();
    controls_.reset();
}

void Dialog::DoModal(std::function<void(int)> onClosed, WindowView* parent) {
    if (IsOpen()) return;
    onClosed_ = std::move(onClosed);
    auto controls = MakeControls();
    auto view = host_.CreateDialogView(*this, *controls, parent);
    OpenWindow(std::move(view), std::move(controls));
}

void Dialog::ShowModeless(WindowView* owner, std::function<void(int)> onClosed) {
    if (IsOpen()) {
        if (view_) view_->Show();
        return;
    }
    onClosed_ = std::move(onClosed);
    auto controls = MakeControls();
    auto view = host_.CreateModelessView(*this, *controls, owner);
    OpenWindow(std::move(view), std::move(controls));
}

void Dialog::EndDialog(int result) {
    if (!IsOpen()) return;
    endResult_ = result;
    if (closePending_) return;
    closePending_ = true;
    std::weak_ptr<int> token = windowToken_;
    host_.Post([this, token] {
        if (token.expired()) return;  // the window was closed some other way meanwhile
        const int endResult = endResult_;
        CloseWindow();
        if (auto onClosed = std::move(onClosed_)) {
            onClosed_ = nullptr;
            onClosed(endResult);
        }
    });
}

bool Dialog::UpdateData(bool pull) {
    // A push raises the change notifications of the controls it writes, and their handlers
    // commonly pull; such a nested exchange would read controls not yet pushed and overwrite
    // their fields with stale text. It is skipped: the exchange that runs finishes first.
    if (exchanging_) return true;
    exchanging_ = true;
    DataExchange dx(*this, Controls(), pull);
    try {
        DoDataExchange(dx);
    } catch (...) {
        exchanging_ = false;
        throw;
    }
    exchanging_ = false;
    return !dx.Failed();
}

void Dialog::SetTimer(int id, int periodMs) {
    if (!IsOpen()) return;
    auto& timer = timers_[id];
    if (!timer) {
        std::weak_ptr<int> token = windowToken_;
        timer = host_.CreateTimer([this, id, token] {
            if (!token.expired()) OnTimer(id);
        });
    }
    timer->Start(periodMs);
}

void Dialog::KillTimer(int id) {
    const auto found = timers_.find(id);
    if (found != timers_.end()) found->second->Stop();
}

bool Dialog::TimerRunning(int id) const {
    const auto found = timers_.find(id);
    return found != timers_.end() && found->second->Running();
}

void Dialog::Invalidate() {
    if (!IsOpen() || paintPending_) return;
    paintPending_ = true;
    std::weak_ptr<int> token = windowToken_;
    host_.Post([this, token] {
        if (token.expired()) return;
        paintPending_ = false;
        OnPaint();
    });
}

template <typename... Args>
std::function<void(Args...)> Dialog::WhileOpen(std::function<void(Args...)> action) const {
    std::weak_ptr<int> token = windowToken_;
    return [token, action = std::move(action)](Args... args) {
        if (action && !token.expired()) action(std::move(args)...);
    };
}

void Dialog::MessageBox(std::string text, std::string caption, Icon icon, Buttons buttons,
                        std::function<void(Answer)> onAnswer) {
    host_.PostBox({std::move(text), std::move(caption), icon, buttons},
                  WhileOpen(std::move(onAnswer)));
}

void Dialog::AskDefaultNo(std::string text, std::string caption,
                          std::function<void(Answer)> onAnswer) {
    host_.PostBox({.text = std::move(text),
                   .caption = std::move(caption),
                   .icon = Icon::Question,
                   .buttons = Buttons::YesNo,
                   .defaultNo = true},
                  WhileOpen(std::move(onAnswer)));
}

void Dialog::FileDialog(FileDialogRequest request,
                        std::function<void(std::optional<std::string>)> onChosen) {
    host_.PostFileDialog(std::move(request), WhileOpen(std::move(onChosen)));
}

void Dialog::PressEnter() {
    if (IsOpen()) OnOK();
}

void Dialog::PressEscape() {
    if (IsOpen()) OnCancel();
}

void Dialog::Dispatch(int id, Notify notify) {
    if (notify == Notify::Clicked && id == kIdOk) {
        OnOK();
    } else if (notify == Notify::Clicked && id == kIdCancel) {
        OnCancel();
    } else {
        OnNotify(id, notify);
    }
}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void Dialog::DoDataExchange(DataExchange&) {}
void Dialog::OnNotify(int, Notify) {}

void Dialog::OnOK() {
    if (UpdateData(true)) EndDialog(kIdOk);
}

void Dialog::OnCancel() {
    EndDialog(kIdCancel);
}
void Dialog::OnTimer(int) {}
void Dialog::OnPaint() {}
void Dialog::OnDestroy() {}

}  // namespace corvane::fw
