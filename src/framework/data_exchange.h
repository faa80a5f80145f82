#pragma once

#include <string>

namespace corvane::fw {

class WindowModel;
class Dialog;

// One data exchange between a window's fields and its controls, in one direction. Pushing
// writes each field into its control, leaving a control whose text already equals the field
// untouched (so typing is never disturbed); pulling reads and validates, and the first field
// that fails shows the framework's prompt, takes the focus and stops the exchange.
class DataExchange {
  public:
    DataExchange(Dialog& dialog, WindowModel& controls, bool pulling)
        : dialog_(dialog), controls_(controls), pulling_(pulling) {}

    bool Pulling() const { return pulling_; }
    bool Failed() const { return failed_; }

    void Text(int id, std::string& field);
    void Text(int id, int& field);
    void Text(int id, double& field);  // shown with "%.15g"
    void Check(int id, int& field);
    // The index of the checked button in the radio group that starts at `firstId`; -1 = none.
    void Radio(int firstId, int& field);
    void ListIndex(int id, int& field);

    // Validation, after the matching Text call.
    void MaxChars(int id, const std::string& field, int maxChars);
    void MinMax(int id, int field, int minimum, int maximum);
    void MinMax(int id, double field, double minimum, double maximum);

  private:
    void Fail(int id, std::string prompt);
    void PushText(int id, const std::string& text);

    Dialog& dialog_;
    WindowModel& controls_;
    bool pulling_;
    bool failed_ = false;
};

}  // namespace corvane::fw
