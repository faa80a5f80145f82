#pragma once

#include <type_traits>
#include <vector>

#include "framework/dialog.h"
#include "framework/property_sheet.h"
#include "link/shared_records.h"
#include "page_kit/list_filling.h"

namespace corvane {

// What every operator page and every setup dialog does alike: its own 200 ms timer, started when
// the window is initialised, and one common step per tick that
//   1. copies the sensor data the window shows into its fields (the window's CopyFromSensor),
//   2. shows the message lines in the window's System Messages list,
//   3. re-initialises and repaints the window when the shared page refresh is armed, and
//      otherwise pushes the fields to the controls (leaving text the operator is typing alone).
// Ticks never pile up: a timer that falls behind fires once, not once per missed period.
// A page's initialisation also clears the exit prompt's "shown" mark. The window supplies its
// fields, its exchange and the hooks below.
template <typename Window>
class RefreshedWindow : public Window {
  public:
    static constexpr int kRefreshPeriodMs = 200;

    // `messagesListId` is the window's System Messages list. A window with `timerId` 0 has no
    // refresh timer and no list (the Passwords page): only its initialisation is shared.
    RefreshedWindow(fw::Host& host, SharedRecords& records, const fw::DialogTemplate& resource,
                    int timerId, int messagesListId)
        : Window(host, resource),
          records_(records),
          timerId_(timerId),
          messagesListId_(messagesListId) {}

    int RefreshTimerId() const { return timerId_; }

  protected:
    // The window's own part of its initialisation, run before the fields are shown.
    virtual void InitialiseFields() {}
    // Step 1 of the common step: the sensor data the window shows, into its fields.
    virtual void CopyFromSensor() {}

    bool OnInitDialog() override {
        Window::OnInitDialog();
        if (timerId_ != 0) this->SetTimer(timerId_, kRefreshPeriodMs);
        if constexpr (std::is_base_of_v<fw::PropertyPage, Window>) {
            records_.ExitPromptShown = false;
        }
        InitialiseFields();
        this->UpdateData(false);
        return true;
    }

    void OnTimer(int id) override {
        if (id != timerId_) return;
        CopyFromSensor();
        ShowMessageLines(this->Controls(), messagesListId_, records_.Lines);
        if (records_.PageRefresh == PageRefresh::Armed) {
            records_.PageRefresh = PageRefresh::Idle;
            OnInitDialog();
            this->Invalidate();
        } else {
            this->UpdateData(false);
        }
    }

    SharedRecords& records_;

  private:
    int timerId_;
    int messagesListId_;
};

// A page of the property sheet: besides the common step, its timer runs only while it is the
// active page, so only the visible page refreshes while the link timer runs under the sheet.
class OperatorPage : public RefreshedWindow<fw::PropertyPage> {
  public:
    using RefreshedWindow::RefreshedWindow;

    // The dialogs the page opens and keeps for its lifetime (the setup dialogs of the Setup
    // page), for whoever needs to reach every window of the program.
    virtual std::vector<fw::Dialog*> OwnedDialogs() { return {}; }

    bool OnSetActive() override {
        if (RefreshTimerId() != 0) SetTimer(RefreshTimerId(), kRefreshPeriodMs);
        return PropertyPage::OnSetActive();
    }
    // A page that refuses to be left (a field that fails its check) stays in view and keeps
    // refreshing: the timer stops only once the page has let go.
    bool OnKillActive() override {
        if (!PropertyPage::OnKillActive()) return false;
        if (RefreshTimerId() != 0) KillTimer(RefreshTimerId());
        return true;
    }
};

// A dialog of the Setup page, refreshed the same way while it is open.
using OperatorDialog = RefreshedWindow<fw::Dialog>;

}  // namespace corvane
