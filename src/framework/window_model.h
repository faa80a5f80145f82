#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "framework/chart_content.h"
#include "framework/dialog_template.h"

namespace corvane::fw {

// Notifications a control sends to its window.
enum class Notify { Clicked, TextChanged, SelectionChanged, SetFocus, KillFocus };

// The state of every control of one open window, addressed by control id. It is the one truth
// both backends share: pages read and write it, the headless backend is nothing more, and the
// Qt backend mirrors it into real widgets and feeds the operator's input back through the
// User* calls. Touching an id the window's template lacks, or using a control as a kind it is
// not, throws std::logic_error, so a page that names a wrong id fails in the tests.
class WindowModel {
  public:
    explicit WindowModel(const DialogTemplate& dialogTemplate);

    const DialogTemplate& Template() const { return template_; }
    bool Has(int id) const { return controls_.count(id) != 0; }
    ControlKind KindOf(int id) const;

    // Program side.
    std::string Text(int id) const;
    void SetText(int id, std::string_view text);  // edits raise TextChanged
    int Check(int id) const;
    void SetCheck(int id, int checked);
    void Enable(int id, bool enabled);
    bool IsEnabled(int id) const;
    void SetReadOnly(int id, bool readOnly);
    bool IsReadOnly(int id) const;
    // The most characters an edit takes (0: no limit); the view enforces it as the operator types.
    void SetLimit(int id, int maxLength);
    int Limit(int id) const;

    void ListReset(int id);
    // Replaces the whole content in one change (the selection is cleared); when the items are
    // already these, nothing happens at all, so a list refilled on a timer keeps its selection
    // and scroll position and raises no change.
    void ListSetItems(int id, std::vector<std::string> items);
    int ListAdd(int id, std::string_view text);
    int ListInsert(int id, int index, std::string_view text);
    int ListCount(int id) const;
    std::string ListItem(int id, int index) const;
    const std::vector<std::string>& ListItems(int id) const;
    int ListSelection(int id) const;     // -1 = none
    void ListSelect(int id, int index);  // -1 clears; no notification

    void SetProgress(int id, int position);
    int Progress(int id) const;

    // A chart's whole content. Content equal to what the chart shows changes nothing, so a chart
    // refreshed on a timer is drawn again only when what it shows has changed.
    void SetChart(int id, ChartContent content);
    const ChartContent& Chart(int id) const;

    int Focus() const { return focus_; }
    void SetFocus(int id);  // raises KillFocus on the old control and SetFocus on the new

    // Operator side: what typing, clicking and choosing do.
    void UserType(int id, std::string_view text);
    void UserClick(int id);
    void UserSelect(int id, int index);

    // Where notifications go (the window's owner).
    void SetNotifySink(std::function<void(int id, Notify)> sink) { sink_ = std::move(sink); }
    // Called after any change to a control, for a view that mirrors the model.
    void SetChangeObserver(std::function<void(int id)> observer) {
        observer_ = std::move(observer);
    }

  private:
    struct Control {
        const ControlTemplate* definition = nullptr;
        std::string text;
        int check = 0;
        std::vector<std::string> items;
        int selection = -1;
        bool enabled = true;
        bool readOnly = false;
        int maxLength = 0;
        int progress = 0;
    };

    Control& Get(int id, std::initializer_list<ControlKind> allowed);
    const Control& Get(int id, std::initializer_list<ControlKind> allowed) const;
    void Changed(int id);
    void Raise(int id, Notify notify);

    const DialogTemplate& template_;
    std::map<int, Control> controls_;
    std::map<int, ChartContent> charts_;
    int focus_ = 0;
    std::function<void(int, Notify)> sink_;
    std::function<void(int)> observer_;
};

}  // namespace corvane::fw
