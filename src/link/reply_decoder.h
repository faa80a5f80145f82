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
// completed writes in line 07, clears CurrentCommand and returns whether the frame's CRC is
// right. Values are stored before the check, so a reply with a bad CRC still leaves them.
bool DecodeReply(SharedRecords& records, DownloadReplyHandler* downloadReplies = nullptr);

}  // namespace corvane
