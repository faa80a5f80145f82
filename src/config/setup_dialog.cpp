#include "config/setup_dialog.h"

#include "framework/number_text.h"
#include "resources/common_ids.h"

namespace corvane {

SetupDialog::SetupDialog(fw::Host& host, SharedRecords& records, const fw::DialogTemplate& resource,
                         int timerId, int messagesListId, int applyId)
    : OperatorDialog(host, records, resource, timerId, messagesListId), applyId_(applyId) {}

void SetupDialog::WriteNumber(int id, const char* format, double value) {
    Controls().SetText(id, fw::FormatNumber(format, value));
}

double SetupDialog::ReadNumber(int id) {
    return fw::LeadingNumber(Controls().Text(id));
}

bool RefuseUnsendable(fw::Dialog& window, int id, double value, const WireBounds& bounds) {
    if (bounds.Holds(value)) return false;
    window.Controls().SetFocus(id);
    fw::Host& host = window.GetHost();
    host.PlayBeep(fw::Beep::Exclamation);
    window.MessageBox("Please enter a number between " + fw::ShortestText(bounds.low) + " and " +
                          fw::ShortestText(bounds.high) + ".",
                      host.AppTitle(), fw::Icon::Exclamation, fw::Buttons::Ok);
    return true;
}

bool SetupDialog::Refuses(int id, double value, const WireBounds& bounds) {
    return RefuseUnsendable(*this, id, value, bounds);
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
        host_.OpenHelp();
    } else {
        OnControlNotify(id, notify);
    }
}

}  // namespace corvane
