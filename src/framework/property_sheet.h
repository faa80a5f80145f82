#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/dialog.h"

namespace corvane::fw {

class PropertySheet;

// One tab of a property sheet. The page object persists from sheet to sheet; each sheet
// creates the page's window anew when the page is first shown in it, and runs its
// initialisation then.
class PropertyPage : public Dialog {
  public:
    using Dialog::Dialog;

    std::string_view Caption() const { return Template().caption; }
    PropertySheet* Sheet() const { return sheet_; }
    // "Mark the page modified": enables the sheet's Apply button.
    void SetModified(bool modified = true);
    bool Modified() const { return modified_; }

    // Sheet hooks.
    virtual bool OnSetActive();
    virtual bool OnKillActive();  // false keeps the page active
    virtual bool OnApply();       // false keeps the sheet open on this page
    virtual void OnReset();       // the sheet was cancelled

  private:
    friend class PropertySheet;
    void CreateInSheet(PropertySheet& sheet, std::unique_ptr<WindowView> view,
                       std::unique_ptr<WindowModel> controls);
    void DestroyInSheet();

    PropertySheet* sheet_ = nullptr;
    bool modified_ = false;
    bool firstSetActive_ = true;
};

inline constexpr int kIdApply = 0x3021;

// A modal property sheet: a caption, tabs for its pages, and OK, Cancel and Apply. Changing
// tabs runs kill-active on the old page (which may refuse) and set-active on the new one; OK
// and Apply run kill-active on the active page and then Apply on every page created in this
// sheet.
class PropertySheet {
  public:
    PropertySheet(Host& host, std::string caption, std::vector<PropertyPage*> pages);
    ~PropertySheet();
    PropertySheet(const PropertySheet&) = delete;
    PropertySheet& operator=(const PropertySheet&) = delete;

    void DoModal(std::function<void(int result)> onClosed, WindowView* parent = nullptr);
    bool IsOpen() const { return view_ != nullptr; }
    SheetView* View() const { return view_.get(); }

    const std::string& Caption() const { return caption_; }
    int PageCount() const { return static_cast<int>(pages_.size()); }
    PropertyPage& Page(int index) const { return *pages_.at(static_cast<std::size_t>(index)); }
    int ActiveIndex() const { return active_; }
    PropertyPage& ActivePage() const { return Page(active_); }

    // What the operator's tab clicks and buttons do. OK and Cancel close the sheet once the
    // handler that is running now has returned (a page's handler may press them), and only
    // then call `onClosed`. A sheet destroyed while open closes at once and reports nothing.
    bool SetActivePage(int index);
    void PressOK();
    void PressCancel();
    void PressApply();
    // F1: the help, at the section of the page in view.
    void PressHelp();
    bool ApplyEnabled() const { return applyEnabled_; }

  private:
    friend class PropertyPage;
    void PageModifiedChanged();
    bool ApplyAll();
    void Activate(int index);
    void PostClose(int result);
    void Close(int result);

    Host& host_;
    std::string caption_;
    std::vector<PropertyPage*> pages_;
    std::vector<bool> created_;
    std::unique_ptr<SheetView> view_;
    std::function<void(int)> onClosed_;
    std::shared_ptr<int> sheetToken_;  // a posted close of a sheet that has closed is dropped
    bool closePending_ = false;
    int active_ = 0;
    bool applyEnabled_ = false;
};

}  // namespace corvane::fw
