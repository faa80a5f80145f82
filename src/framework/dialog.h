#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "framework/data_exchange.h"
#include "framework/dialog_template.h"
#include "framework/host.h"
#include "framework/window_model.h"

namespace corvane::fw {

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// A dialog window built from a template, in the manner of the framework the tool was designed
// for: handlers for initialisation, data exchange, control notifications, OK, Cancel, timers and
// paint. The object outlives its window: it can be opened again, and its fields persist.
class Dialog {
  public:
    Dialog(Host& host, const DialogTemplate& dialogTemplate);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    Host& GetHost() const { return host_; }
    const DialogTemplate& Template() const { return template_; }
    bool IsOpen() const { return controls_ != nullptr; }
    WindowModel& Controls();
    WindowView* View() const { return view_.get(); }

    // Opens the dialog on top of `parent`; `onClosed` receives the EndDialog result.
    void DoModal(std::function<void(int result)> onClosed, WindowView* parent = nullptr);
    // Opens the dialog without blocking any other window, on top of the window `owner` belongs
    // to (see Host::CreateModelessView); a dialog already open is brought to the front instead.
    // `onClosed` receives the EndDialog result.
    void ShowModeless(WindowView* owner, std::function<void(int result)> onClosed = {});
    // Sets the result and closes the window once the handler that is running now has returned,
    // so a handler may end its own window and go on using its controls. Until then the window
    // stays open; a later EndDialog before the close changes the result.
    void EndDialog(int result);

    // Fields to controls (pull = false) or controls to fields with validation (pull = true).
    // The notifications a push raises reach their handlers; an exchange those handlers ask for
    // while one runs is skipped (and reports success).
    bool UpdateData(bool pull);
    void SetTimer(int id, int periodMs);
    void KillTimer(int id);
    bool TimerRunning(int id) const;
    // Asks for a repaint once the running handler has returned (several requests, one paint).
    void Invalidate();
    // The view reports that the window was shown again or uncovered (a window on top of it
    // closed, it was activated again): its contents are painted again, after the running
    // handler, never from inside the report.
    void OnExposed() { Invalidate(); }
    // A message box or file dialog on behalf of this window. The answer reaches `onAnswer` or
    // `onChosen` only while the window that asked is still open: one answered after the window
    // closed (or after it was opened anew) is dropped, as timers and paints of a closed window
    // are.
    void MessageBox(std::string text, std::string caption, Icon icon, Buttons buttons,
                    std::function<void(Answer)> onAnswer = {});
    // A Yes/No question whose default button is No: for a question that overwrites or calibrates.
    void AskDefaultNo(std::string text, std::string caption, std::function<void(Answer)> onAnswer);
    void FileDialog(FileDialogRequest request,
                    std::function<void(std::optional<std::string>)> onChosen);

    // What the operator's keys and the title bar do.
    void PressEnter();
    void PressEscape();
    void PressCloseBox() { PressEscape(); }
    // F1, and "&Help" where the window has it: the help, at this window's section.
    void PressHelp() { host_.OpenHelp(HelpSection()); }
    // The help's section about this window: by default the one named after its caption
    // (HelpSectionOf).
    virtual std::string HelpSection() const { return HelpSectionOf(template_.caption); }

  protected:
    virtual bool OnInitDialog();
    virtual void DoDataExchange(DataExchange& dx);
    virtual void OnNotify(int id, Notify notify);
    virtual void OnOK();
    virtual void OnCancel();
    virtual void OnTimer(int id);
    virtual void OnPaint();
    virtual void OnDestroy();

    // Window creation and destruction, shared with property pages.
    void OpenWindow(std::unique_ptr<WindowView> view, std::unique_ptr<WindowModel> controls);
    void CloseWindow();
    std::unique_ptr<WindowModel> MakeControls();

    Host& host_;

  private:
    void Dispatch(int id, Notify notify);
    // `action` wrapped so that it runs only while the window open now is still open.
    template <typename... Args>
    std::function<void(Args...)> WhileOpen(std::function<void(Args...)> action) const;

    const DialogTemplate& template_;
    std::unique_ptr<WindowModel> controls_;
    std::unique_ptr<WindowView> view_;
    std::map<int, std::unique_ptr<Timer>> timers_;
    std::function<void(int)> onClosed_;
    int endResult_ = 0;
    bool closePending_ = false;
    std::shared_ptr<int> windowToken_;  // posted work for a window that has closed is dropped
    bool paintPending_ = false;
    bool exchanging_ = false;  // a data exchange is running
};

}  // namespace corvane::fw
