#pragma once

#include "framework/dialog.h"

namespace corvane {

struct SharedRecords;
class SensorLink;

// "Save Current Configuration ?": asked once when the operator leaves with "&Exit". Yes saves
// the configuration file and exits, No (also Escape and the close box) exits without saving,
// and "&Cancel and Return to Programme" clears ExitPromptShown so that the program stays open.
// A save that fails is reported and also keeps the program open, so the operator can choose
// another place; a cancelled file dialog exits without a file.
class CSaveConfigDlg : public fw::Dialog {
  public:
    CSaveConfigDlg(fw::Host& host, SharedRecords& records, SensorLink& link);

  protected:
    void OnOK() override;
    void OnCancel() override;
    void OnNotify(int id, fw::Notify notify) override;

  private:
    SharedRecords& records_;
    SensorLink& link_;  // told of the file saved
};

}  // namespace corvane
