#include "download/download_panel.h"

#include <optional>
#include <string>

#include "download/hex_image.h"
#include "download/image_file.h"
#include "link/command_table.h"

namespace corvane {
namespace {

constexpr const char* kFileFaultCaption = "SELECTED FILE FAULT";
constexpr const char* kNotValid = "Download File is not valid";

fw::FileDialogRequest ImageRequest() {
    fw::FileDialogRequest request;
    request.defaultExtension = "Hex";
    request.initialName = "*.Hex";
    request.filter = "Download Files (*.Hex)|*.Hex|All Files (*.*)|*.*||";
    request.mustExist = true;
    return request;
}

// The image at `path`, read and checked; an empty list of blocks when it cannot be sent.
std::vector<ImageBlock> LoadCheckedImage(const std::string& path) {
    const ImageFile file = ReadImageFile(path, kImageFileLimit);
    if (file.cause != FileCause::None || file.length > kImageFileLimit) return {};
    HexImageCheck check = CheckHexImage(file.bytes);
    return check.accepted ? std::move(check.blocks) : std::vector<ImageBlock>{};
}

}  // namespace

void DownloadPanel::Box(const char* text, const char* caption, fw::Icon icon,
                        std::function<void(fw::Answer)> onAnswer) {
    page_.MessageBox(text, caption, icon, fw::Buttons::Ok, std::move(onAnswer));
}

void DownloadPanel::Browse() {
    if (records_.Download().DownloadState != DownloadState::Idle) {
        page_.GetHost().PlayBeep(fw::Beep::Exclamation);
        Box("Software Download Must Be Cancelled First", style_.busyBrowseCaption,
            fw::Icon::Exclamation);
        return;
    }
    page_.FileDialog(ImageRequest(), [this](std::optional<std::string> path) {
        if (path) Select(*path);
    });
}

// The whole file is read and checked when it is chosen, so a file that cannot be sent is refused
// here, with the line at fault, and never reaches the sensor.
void DownloadPanel::Select(const std::string& path) {
    records_.Sensor.HexFileName = path;
    page_.Controls().SetText(style_.pathBoxId, path);

    const ImageFile file = ReadImageFile(path, kImageFileLimit);
    if (file.cause != FileCause::None) {
        link_.NoteImageChecked(false);
        page_.MessageBox(FileCauseText(file.cause), page_.GetHost().AppTitle(), fw::Icon::None,
                         fw::Buttons::Ok);
        return;
    }
    if (file.length > kImageFileLimit) {
        Refuse(path, std::string(" File too Big for Buffer ") + " ( " +
                         std::to_string(file.length) + " ) bytes ");
        return;
    }
    const HexImageCheck check = CheckHexImage(file.bytes);
    if (!check.accepted) {
        Refuse(path, check.fault);
        return;
    }
    link_.NoteImageChecked(true);
}

void DownloadPanel::Refuse(const std::string& path, const std::string& reason) {
    link_.NoteImageChecked(false);
    records_.Sensor.HexFileName = path + kRefusedSuffix;
    page_.Controls().SetText(style_.pathBoxId, records_.Sensor.HexFileName);
    page_.GetHost().PlayBeep(style_.tooBigBeep);
    page_.MessageBox(reason, kFileFaultCaption, fw::Icon::Stop, fw::Buttons::Ok);
}

void DownloadPanel::Start() {
    const DownloadRecord& d = records_.Download();
    fw::Host& host = page_.GetHost();
    if (d.DownloadState != DownloadState::Idle) {
        host.PlayBeep(fw::Beep::Exclamation);
        Box("Software Download is already in Progress", kCaption, fw::Icon::Exclamation);
        return;
    }
    if (d.ImageStatus != 1) {
        host.PlayBeep(fw::Beep::Exclamation);
        Box(kNotValid, kCaption, fw::Icon::Exclamation);
        return;
    }
    link_.AskToStartDownload();
    host.PlayBeep(fw::Beep::Question);
    page_.MessageBox(style_.confirmation, kCaption, fw::Icon::Question, fw::Buttons::YesNo,
                     [this](fw::Answer answer) {
                         if (answer == fw::Answer::Yes) {
                             Confirmed();
                             return;
                         }
                         Box("Software Download Request Cancelled", kCaption,
                             fw::Icon::Exclamation);
                         records_.Slots.Clear(line::kDownloadLines);
                         link_.DropDownloadRequest();
                     });
}

// The image is read and checked once more as the download starts, and the blocks go out from
// what was checked here: a file changed or removed since it was selected is not sent.
void DownloadPanel::Confirmed() {
    const DownloadRecord& d = records_.Download();
    if (d.DownloadState != DownloadState::Confirming) return;  // cancelled meanwhile
    std::vector<ImageBlock> image = LoadCheckedImage(records_.Sensor.HexFileName);
    if (image.empty()) {
        link_.NoteImageChecked(false);
        link_.DropDownloadRequest();
        page_.GetHost().PlayBeep(fw::Beep::Exclamation);
        Box(kNotValid, kCaption, fw::Icon::Exclamation);
        return;
    }
    link_.StartDownload(std::move(image), style_.origin, records_.Sensor.HexFileName);
}

// A download under way stops at once, before the box says it was cancelled: blocks that went on
// while the operator reads the box could finish the upgrade the box calls cancelled. The sensor
// is left to restart, which the status line says until the sensor's next readings replace it.
void DownloadPanel::Cancel() {
    page_.GetHost().PlayBeep(fw::Beep::Exclamation);
    const auto abort = [this](fw::Answer) { link_.CancelDownload(); };
    if (records_.Download().DownloadState != DownloadState::Idle) {
        link_.CancelDownload();
        records_.Slots.Show(line::kSensorRestarting);
        Box("Software Download Cancelled By User", style_.cancelCaption, fw::Icon::Exclamation,
            [](fw::Answer) {});
    } else {
        records_.Slots.Clear(line::kSensorRestarting);
        Box("Software Download is not in Progress", style_.notRunningCaption, fw::Icon::Exclamation,
            abort);
    }
}

}  // namespace corvane
