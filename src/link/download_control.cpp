#include "link/download_control.h"

#include "link/command_table.h"
#include "link/shared_records.h"

namespace corvane {

void EndTransfer(SharedRecords& r) {
    r.Link.TickCount = 0;
    r.Link.RequestFunction = 0;
    r.Engine.CurrentCommand = 0;
    r.Engine.SensorAnswering = false;
    r.Engine.BlockRetries = 0;
    r.Download.DownloadProgress = 0;
    r.Download.DownloadState = DownloadState::Idle;
    r.Download.BlockTotal = 0;
    r.Download.BlockIndex = 0;
    r.Slots.Clear(line::kIssueNotReturned);
    r.Slots.Clear(line::kDownloadLines);
    for (const int command : {FinishDownload, RequestDownload, DownloadBlockCount, FlashBlock,
                              StampInstall, StampUpgrade}) {
        r.Queue.Withdraw(command);
    }
}

void AbortDownload(SharedRecords& r) {
    EndTransfer(r);
    // A download that was given up no longer holds the link: nothing is left to be stamped, and
    // the pages that wait for a download to finish are free again.
    r.Download.DownloadOrigin = DownloadOrigin::None;
}

}  // namespace corvane
