#pragma once

#include <string>

#include "link/sensor_link.h"
#include "page_kit/operator_page.h"
#include "setup/wire_limits.h"

namespace corvane {

// True when `value` lies outside what the encoding holds, after telling the operator: with the
// framework's range prompt on control `id` ("Please enter a number between ..." with the
// bounds) when the operator can edit it there, or else with a box naming the value (`name`),
// as for a value a damaged file brought into a box that is closed at the moment.
bool RefuseUnsendable(fw::Dialog& window, int id, double value, const WireBounds& bounds,
                      const std::string& name);

// True, after a box naming it, when an averaging entry (sent as one byte) lies outside 0..255.
bool RefuseUnsendableEntry(fw::Dialog& window, int entry, const std::string& name);

// What the three setup dialogs of the Setup page share besides the common refresh: number boxes
// that are written with a display format and read back as the operator would read them, an
// "&Apply" button that is the only way to commit, the refusal of values the sensor's encoding
// cannot carry, and "&Help".
class SetupDialog : public OperatorDialog {
  public:
    SetupDialog(fw::Host& host, SharedRecords& records, SensorLink& link,
                const fw::DialogTemplate& resource, int timerId, int messagesListId, int applyId);

  protected:
    // Writes `value` into a number box with `format`; the box's change handler reads it back.
    void WriteNumber(int id, const char* format, double value);
    // The box's text as a number: its leading numeric part, 0.0 when there is none.
    double ReadNumber(int id);
    // True, after the framework's range prompt on box `id`, when `value` lies outside what the
    // encoding holds.
    bool Refuses(int id, double value, const WireBounds& bounds, const std::string& name);
    // True, after a box asking for a number for `name` with the focus on box `id`, when the box
    // holds no number at all (a value that reads as 0.0 would be sent without a word).
    bool RefusesNonNumber(int id, const std::string& name);
    // Refuses Apply with a box saying `text`, the focus on box `id`.
    void RefuseEntry(int id, const std::string& text);
    void EnableApply(bool enabled);
    void EnableAll(std::initializer_list<int> ids, bool enabled);

    // The "&Apply" button.
    virtual void Apply() = 0;
    // Every other notification of the dialog's controls.
    virtual void OnControlNotify(int id, fw::Notify notify) = 0;

    void OnNotify(int id, fw::Notify notify) final;

    SensorLink& link_;  // where Apply sends the writes

  private:
    int applyId_;
};

}  // namespace corvane
