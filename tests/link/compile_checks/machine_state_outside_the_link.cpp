// Compiled (never run) by the link tests' build checks: code outside the link reads the link's
// machine state through the records but cannot change it. Each check defines one of the macros
// below and expects the compiler to refuse it; with none defined the reads must compile.
#if defined(INCLUDE_WRITE_ACCESS)
#include "link/link_machine_access.h"
#endif
#include "link/shared_records.h"

int Check(corvane::SharedRecords& r) {
#if defined(WRITE_ENGINE)
    r.Engine().CurrentCommand = 1;
#elif defined(QUEUE_A_COMMAND)
    r.Queue().Queue(5);
#elif defined(WRITE_SCAN_STATE)
    r.ScanState() = corvane::ScanState::Found;
#elif defined(WRITE_DOWNLOAD)
    r.Download().ImageStatus = 1;
#endif
    return r.Engine().CurrentCommand + r.Queue().Slot(0) + r.UploadBlock() +
           static_cast<int>(r.ScanState()) + static_cast<int>(r.CalibrationDone());
}
