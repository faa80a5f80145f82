#pragma once

namespace corvane {

struct SharedRecords;

// Stops a software download where it stands: the outstanding request is forgotten, the download
// counters return to zero, its status lines (10 and 31..39) are emptied and its commands are
// withdrawn from the queue. Nothing is sent to the sensor; the origin, the stamp retries and the
// selected image are kept.
void AbortDownload(SharedRecords& records);

}  // namespace corvane
