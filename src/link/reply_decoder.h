#pragma once

namespace corvane {

struct SharedRecords;

// Acts on the replies of the software download's request, block count, flash block and finish
// (functions 0x66..0x69). The download sequence implements it.
class DownloadReplyHandler {
  public:
    virtual ~DownloadReplyHandler() = default;
    virtual void OnDownloadReply(SharedRecords& records, int function) = 0;
};

// Interprets the assembled reply in RxFrame by RequestFunction, stores what it carries, reports
// completed writes in line 07 and clears CurrentCommand. Only replies that passed the frame
// check are decoded.
void DecodeReply(SharedRecords& records, DownloadReplyHandler* downloadReplies = nullptr);

// What a reply that failed the frame check does besides the receive error line: nothing it
// carries is stored. An upload asks for the same data block again, up to three attempts at one
// block, after which the upload ends there as a time-out would end it; a probe that was
// answered with a garbled frame counts as unanswered, so the scan goes on with the next
// address. (Flash blocks and stamps are queued again by the receive path itself.)
void HandleRejectedReply(SharedRecords& records);

// Attempts at one data block before an upload whose replies keep failing the check ends.
inline constexpr int kUploadBlockAttempts = 3;

}  // namespace corvane
