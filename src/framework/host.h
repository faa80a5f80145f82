#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/clock.h"
#include "framework/operator_prompts.h"

namespace corvane::fw {

class Dialog;
class PropertySheet;
class WindowModel;

// The on-screen form of an open dialog or page; the headless backend has none to speak of.
class WindowView {
  public:
    virtual ~WindowView() = default;
    virtual void Show() = 0;
    virtual void Close() = 0;
};

// The on-screen form of an open property sheet: tabs, the active page's window, the standard
// buttons.
class SheetView {
  public:
    virtual ~SheetView() = default;
    virtual void Show() = 0;
    virtual void Close() = 0;
    // A page window was created for tab `index`; its view is made by CreatePageView.
    virtual void ActivePageChanged(int index) = 0;
    virtual void ApplyEnabledChanged(bool enabled) = 0;
};

// The common file dialog. `filter` is the framework's filter string, e.g.
// "Download Files (*.Hex)|*.Hex|All Files (*.*)|*.*||".
struct FileDialogRequest {
    bool save = false;
    std::string defaultExtension;
    std::string initialName;
    std::string filter;
    bool mustExist = true;
};

// What the application gets from its surroundings: time, sounds, message boxes, timers,
// windows, file dialogs and help. The Qt backend serves a real desktop; the headless backend
// serves tests and the terminal on a virtual or real clock.
class Host : public Clock, public OperatorPrompts {
  public:
    virtual ~Host() = default;

    // The caption of the framework's own prompts (validation messages).
    const std::string& AppTitle() const { return appTitle_; }
    void SetAppTitle(std::string title) { appTitle_ = std::move(title); }

    // Runs `action` once the handler that is running now has returned.
    virtual void Post(std::function<void()> action) = 0;

    // Views for dialogs (modal, on top of `parent` when given), sheets and sheet pages.
    virtual std::unique_ptr<WindowView> CreateDialogView(Dialog& dialog, WindowModel& controls,
                                                         WindowView* parent) = 0;
    virtual std::unique_ptr<SheetView> CreateSheetView(PropertySheet& sheet,
                                                       WindowView* parent) = 0;
    virtual std::unique_ptr<WindowView> CreatePageView(SheetView& sheet, int index, Dialog& page,
                                                       WindowModel& controls) = 0;
    // A view for a dialog that blocks no other window (Dialog::ShowModeless). It stays on top of
    // the top-level window `owner` belongs to (a page's sheet, a dialog) and closes with it; the
    // windows under it go on taking the operator's input. By default an ordinary dialog view.
    virtual std::unique_ptr<WindowView> CreateModelessView(Dialog& dialog, WindowModel& controls,
                                                           WindowView* owner) {
        return CreateDialogView(dialog, controls, owner);
    }

    // The common open or save dialog; `onChosen` gets the full path, or nothing on Cancel.
    virtual void PostFileDialog(FileDialogRequest request,
                                std::function<void(std::optional<std::string>)> onChosen) = 0;

    // Opens the program's help at `section`, the name of one of its sections (see
    // HelpSectionOf); an empty name opens it at the beginning.
    virtual void OpenHelp(const std::string& section) = 0;
    void OpenHelp() { OpenHelp(std::string()); }

    // One copy at a time: if a copy whose main window has `title` runs, it is brought to the
    // front and this returns true. Otherwise this copy claims the title; `onRaise` runs when a
    // later copy asks it to come forward.
    virtual bool RaiseRunningCopy(const std::string& title, std::function<void()> onRaise) = 0;

  private:
    std::string appTitle_;
};

// The name of the help's section about the window captioned `caption`: the caption in lower case,
// blanks turned to '-', anything but letters, digits and '-' left out ("Factory Settings" gives
// "factory-settings", "Save Current Configuration ?" gives "save-current-configuration"). The
// pictures of the windows are named the same way.
std::string HelpSectionOf(std::string_view caption);

// The patterns of a filter string, entry by entry: "A (*.Hex)|*.Hex|All (*.*)|*.*||" gives
// {{"A (*.Hex)", {"*.Hex"}}, {"All (*.*)", {"*.*"}}}. Several patterns are separated by ';'.
struct FileFilterEntry {
    std::string description;
    std::vector<std::string> patterns;
};
std::vector<FileFilterEntry> ParseFileFilter(const std::string& filter);

// Whether a file name matches a pattern such as "*.Hex" or "*.*". Letter case does not count,
// as on the desktop the filters were written for, so "*.Hex" matches "firmware.hex".
bool MatchesFilePattern(const std::string& fileName, const std::string& pattern);

}  // namespace corvane::fw
