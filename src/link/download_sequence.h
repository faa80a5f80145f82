#pragma once

#include <string>
#include <vector>

#include "link/reply_decoder.h"
#include "link/request_encoder.h"
#include "link/shared_records.h"

namespace corvane {
namespace fw {
class Clock;
class OperatorPrompts;
}  // namespace fw

// The software download as the link engine runs it: the sensor's answers to the download
// request, the block announcement, each flash block and the finish move the download on, and
// each flash block request is built from the image checked when the download started.
// The sensor link installs it in its engine.
class DownloadSequence : public FlashBlockReader, public DownloadReplyHandler {
  public:
    DownloadSequence(fw::Clock& clock, fw::OperatorPrompts& prompts)
        : clock_(clock), prompts_(prompts) {}

    void ReadBlock(SharedRecords& records) override;
    void OnDownloadReply(SharedRecords& records, int function) override;

  private:
    void Acknowledged(SharedRecords& r);
    void Announced(SharedRecords& r);
    void BlockAnswered(SharedRecords& r);
    void Finished(SharedRecords& r);

    fw::Clock& clock_;
    fw::OperatorPrompts& prompts_;
};

// Starts the download of a checked image (at least one block) from the page `origin`: the
// blocks to send, the counters at 0, "Msg 31..Preparing Software Download", and the download
// request queued. The engine and the sequence above do the rest.
void BeginDownload(SharedRecords& records, std::vector<ImageBlock> image, DownloadOrigin origin);

}  // namespace corvane
