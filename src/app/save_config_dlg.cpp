#include "app/save_config_dlg.h"

#include "link/sensor_link.h"
#include "link/shared_records.h"
#include "resources/save_config_dialog.h"
#include "setup/config_file.h"

namespace corvane {

CSaveConfigDlg::CSaveConfigDlg(fw::Host& host, SharedRecords& records, SensorLink& link)
    : Dialog(host, resources::SaveConfigTemplate()), records_(records), link_(link) {}

void CSaveConfigDlg::OnOK() {
    FileDialog(config_file::SaveRequest(), [this](std::optional<std::string> path) {
        if (path) {
            std::string error;
            if (!SaveConfigFile(*path, records_, error)) {
                records_.ExitPromptShown = false;
                host_.PlayBeep(fw::Beep::Exclamation);
                host_.PostBox({error + "\nThe configuration was not saved.", host_.AppTitle(),
                               fw::Icon::Stop, fw::Buttons::Ok},
                              [](fw::Answer) {});
            } else {
                link_.NoteSetupFile(true, *path);
            }
        }
        EndDialog(fw::kIdOk);
    });
}

void CSaveConfigDlg::OnCancel() {
    EndDialog(fw::kIdCancel);
}

void CSaveConfigDlg::OnNotify(int id, fw::Notify notify) {
    if (notify == fw::Notify::Clicked && id == ids::kSaveReturnToProgramme) {
        records_.ExitPromptShown = false;
        EndDialog(fw::kIdCancel);
    }
}

}  // namespace corvane
