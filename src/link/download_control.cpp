#include "link/download_control.h"

#include "link/command_table.h"
#include "link/shared_records.h"

namespace corvane {

void AbortDownload(SharedRecords& r) {
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

}  // namespace corvane
