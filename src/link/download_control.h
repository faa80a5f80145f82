#pragma once

namespace corvane {

struct SharedRecords;

// Ends the transfer of a software download where it stands: the outstanding request is
// forgotten, the download counters return to zero, its status lines (10 and 31..39) are emptied
// and its commands are withdrawn from the queue. Nothing is sent to the sensor; the origin (which
// says what the finished download is to be stamped as), the stamp retries and the selected image
// are kept.
void EndTransfer(SharedRecords& records);

// Gives a software download up (cancelled, failed, or the sensor did not restart): the transfer
// ends as above and the origin is cleared too, so that nothing of the download is left to hold
// the link or the pages that wait for a download to end.
void AbortDownload(SharedRecords& records);

}  // namespace corvane
