#include "framework/property_sheet.h"

namespace corvane::fw {

void PropertyPage::SetModified(bool modified) {
    modified_ = modified;
    if (sheet_ != nullptr) sheet_->PageModifiedChanged();
}

bool PropertyPage::OnSetActive() {
    if (firstSetActive_) {
        firstSetActive_ = false;
    } else {
        UpdateData(false);
    }
    return true;
}

bool PropertyPage::OnKillActive() {
    return UpdateData(true);
}

bool PropertyPage::OnApply() {
    SetModified(false);
    return true;
}

void PropertyPage::OnReset() {}

void PropertyPage::CreateInSheet(PropertySheet& sheet, std::unique_ptr<WindowView> view,
                                 std::unique_ptr<WindowModel> controls) {
    sheet_ = &sheet;
    modified_ = false;
    firstSetActive_ = true;
    OpenWindow(std::move(view), std::move(controls));
}

void PropertyPage::DestroyInSheet() {
    CloseWindow();
    sheet_ = nullptr;
    modified_ = false;
}

PropertySheet::PropertySheet(Host& host, std::string caption, std::vector<PropertyPage*> pages)
    : host_(host),
      caption_(std::move(caption)),
      pages_(std::move(pages)),
      created_(pages_.size(), false) {}

PropertySheet::~PropertySheet() {
    if (IsOpen()) {
        onClosed_ = nullptr;
        Close(kIdCancel);
    }
}

void PropertySheet::DoModal(std::function<void(int)> onClosed, WindowView* parent) {
    if (IsOpen() || pages_.empty()) return;
    onClosed_ = std::move(onClosed);
    sheetToken_ = std::make_shared<int>(0);
    closePending_ = false;
    view_ = host_.CreateSheetView(*this, parent);
    created_.assign(pages_.size(), false);
    applyEnabled_ = false;
    Activate(0);
    view_->Show();
}

void PropertySheet::Activate(int index) {
    active_ = index;
    PropertyPage& page = Page(index);
    const bool shownAgain = created_[static_cast<std::size_t>(index)];
    if (!shownAgain) {
        created_[static_cast<std::size_t>(index)] = true;
        auto controls = page.MakeControls();
        auto view = host_.CreatePageView(*view_, index, page, *controls);
        page.CreateInSheet(*this, std::move(view), std::move(controls));
    }
    view_->ActivePageChanged(index);
    page.OnSetActive();
    // A page's window is painted when created; shown again, it is painted again.
    if (shownAgain) page.OnExposed();
}

bool PropertySheet::SetActivePage(int index) {
    if (!IsOpen() || index < 0 || index >= PageCount()) return false;
    if (index == active_) return true;
    if (!ActivePage().OnKillActive()) return false;
    Activate(index);
    return true;
}

bool PropertySheet::ApplyAll() {
    if (!ActivePage().OnKillActive()) return false;
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        if (created_[i] && !pages_[i]->OnApply()) {
            // The page that refused comes (or stays) in view, active again.
            Activate(static_cast<int>(i));
            return false;
        }
    }
    return true;
}

void PropertySheet::PressOK() {
    if (IsOpen() && !closePending_ && ApplyAll()) PostClose(kIdOk);
}

void PropertySheet::PressApply() {
    if (!IsOpen() || !applyEnabled_ || closePending_) return;
    if (ApplyAll()) {
        for (PropertyPage* page : pages_) page->modified_ = false;
        PageModifiedChanged();
        // Apply ran the page's leaving step, but the page stays in view: it is made active
        // again, as when its tab is chosen, so that it goes on refreshing.
        Activate(active_);
    }
}

void PropertySheet::PressHelp() {
    if (IsOpen()) host_.OpenHelp(ActivePage().HelpSection());
}

void PropertySheet::PressCancel() {
    if (!IsOpen() || closePending_) return;
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        if (created_[i]) pages_[i]->OnReset();
    }
    PostClose(kIdCancel);
}

void PropertySheet::PageModifiedChanged() {
    bool any = false;
    for (const PropertyPage* page : pages_) any = any || page->Modified();
    if (any != applyEnabled_) {
        applyEnabled_ = any;
        if (view_) view_->ApplyEnabledChanged(any);
    }
}

void PropertySheet::PostClose(int result) {
    closePending_ = true;
    std::weak_ptr<int> token = sheetToken_;
    host_.Post([this, token, result] {
        if (!token.expired()) Close(result);
    });
}

void PropertySheet::Close(int result) {
    sheetToken_.reset();
    closePending_ = false;
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        if (created_[i]) pages_[i]->DestroyInSheet();
        created_[i] = false;
    }
    if (view_) view_->Close();
    view_.reset();
    if (auto onClosed = std::move(onClosed_)) {
        onClosed_ = nullptr;
        onClosed(result);
    }
}

}  // namespace corvane::fw
