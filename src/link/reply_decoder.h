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

// How a reply was rejected: it failed the frame check, or it was the sensor's exception reply.
enum class RejectedReply { FailedCheck, Exception };

// What a rejected reply does besides the error line: nothing it carries is stored. An upload
// asks for a data block whose reply failed the check again, up to three attempts at one block,
// after which the upload ends there as a time-out would end it; a probe answered with a garbled
// frame or an exception counts as unanswered, so the search goes on with the next address (what
// answered is no sensor of ours); a channel's poll ends its visit at once, so the cycle moves
// on. (Flash blocks and stamps are queued again by the receive path itself.)
void HandleRejectedReply(SharedRecords& records, RejectedReply how);

// Attempts at one data block before an upload whose replies keep failing the check ends.
inline constexpr int kUploadBlockAttempts = 3;

}  // namespace corvane
