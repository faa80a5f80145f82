#include "link/download_control.h"

#include "link/command_table.h"
#include "link/link_machine_access.h"
#include "link/shared_records.h"

namespace corvane {

void EndTransfer(SharedRecords& r) {
    Machine(r).Link.TickCount = 0;
    Machine(r).Link.RequestFunction = 0;
    Machine(r).Engine.CurrentCommand = 0;
    Machine(r).Engine.SensorAnswering = false;
    Machine(r).Engine.BlockRetries = 0;
    Machine(r).Download.DownloadProgress = 0;
    Machine(r).Download.DownloadState = DownloadState::Idle;
    Machine(r).Download.BlockTotal = 0;
    Machine(r).Download.BlockIndex = 0;
    r.Slots.Clear(line::kIssueNotReturned);
    r.Slots.Clear(line::kDownloadLines);
    for (const int command : {FinishDownload, RequestDownload, DownloadBlockCount, FlashBlock,
                              StampInstall, StampUpgrade}) {
        Machine(r).Queue.Withdraw(command);
    }
}

void AbortDownload(SharedRecords& r) {
    EndTransfer(r);
    // A download that was given up no longer holds the link: nothing is left to be stamped, and
    // the pages that wait for a download to finish are free again.
    Machine(r).Download.DownloadOrigin = DownloadOrigin::None;
}

}  // namespace corvane
