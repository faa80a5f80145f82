#include "config/setup_dialog.h"

#include "framework/number_text.h"
#include "resources/common_ids.h"

namespace corvane {

SetupDialog::SetupDialog(fw::Host& host, SharedRecords& records, SensorLink& link,
                         const fw::DialogTemplate& resource, int timerId, int messagesListId,
                         int applyId)
    : OperatorDialog(host, records, resource, timerId, messagesListId),
      link_(link),
      applyId_(applyId) {}

void SetupDialog::WriteNumber(int id, const char* format, double value) {
    Controls().SetText(id, fw::FormatNumber(format, value));
}

double SetupDialog::ReadNumber(int id) {
    return fw::LeadingNumber(Controls().Text(id));
}

namespace {

void Refusal(fw::Dialog& window, const std::string& text) {
    fw::Host& host = window.GetHost();
    host.PlayBeep(fw::Beep::Exclamation);
    window.MessageBox(text, host.AppTitle(), fw::Icon::Exclamation, fw::Buttons::Ok);
}

}  // namespace

bool RefuseUnsendable(fw::Dialog& window, int id, double value, const WireBounds& bounds,
                      const std::string& name) {
    if (bounds.Holds(value)) return false;
    const std::string range =
        fw::ShortestText(bounds.low) + " and " + fw::ShortestText(bounds.high);
    if (window.Controls().IsEnabled(id)) {
        window.Controls().SetFocus(id);
        Refusal(window, "Please enter a number between " + range + ".");
    } else {
        Refusal(window, "The " + name + " " + fw::ShortestText(value) +
                            " is outside what the sensor can take (between " + range +
                            "): nothing was applied.");
    }
    return true;
}

bool RefuseUnsendableEntry(fw::Dialog& window, int entry, const std::string& name) {
    if (entry >= 0 && entry <= 255) return false;
    Refusal(window, "The " + name + " entry " + std::to_string(entry) +
                        " is outside what the sensor can take: nothing was applied.");
    return true;
}

bool SetupDialog::Refuses(int id, double value, const WireBounds& bounds, const std::string& name) {
    return RefuseUnsendable(*this, id, value, bounds, name);
}

bool SetupDialog::RefusesNonNumber(int id, const std::string& name) {
    if (!Controls().IsEnabled(id) || fw::ParseNumber(Controls().Text(id))) return false;
    RefuseEntry(id, "Please enter a number for the " + name + ".");
    return true;
}

void SetupDialog::RefuseEntry(int id, const std::string& text) {
    Controls().SetFocus(id);
    Refusal(*this, text);
}

void SetupDialog::EnableApply(bool enabled) {
    Controls().Enable(applyId_, enabled);
}

void SetupDialog::EnableAll(std::initializer_list<int> ids, bool enabled) {
    for (const int id : ids) Controls().Enable(id, enabled);
}

void SetupDialog::OnNotify(int id, fw::Notify notify) {
    if (notify == fw::Notify::Clicked && id == applyId_) {
        Apply();
    } else if (notify == fw::Notify::Clicked && id == ids::kHelp) {
        PressHelp();
    } else {
        OnControlNotify(id, notify);
    }
}

}  // namespace corvane
