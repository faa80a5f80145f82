#include "link/rtu_framing.h"

#include <span>

#include "link/command_table.h"
#include "link/crc16.h"
#include "link/download_control.h"
#include "link/link_machine_access.h"
#include "link/reply_decoder.h"
#include "link/shared_records.h"

namespace corvane {
namespace {

constexpr int kShortestFrame = 4;  // address, function, CRC
constexpr int kExceptionFrameLength = 5;
constexpr std::uint8_t kExceptionBit = 0x80;

void ResetRequestState(SharedRecords& r) {
    Machine(r).Link.RxCount = 0;
    Machine(r).Link.ReplyLength = 0;
    Machine(r).Link.RequestLength = 0;
    Machine(r).Link.TickCount = 0;
    Machine(r).Link.RequestFunction = 0;
    Machine(r).Engine.CurrentCommand = 0;
}

// A download frame that failed (exception or bad CRC) is queued again and counted. The request
// is repeated as an unanswered one is, the block announcement counts against the block retry
// limit, and a finish whose answer cannot be read is a faulty restart, as an unanswered one is:
// none of them is left waiting for a reply that will not come.
void RequeueDownloadFrame(SharedRecords& r) {
    DownloadRecord& d = Machine(r).Download;
    switch (Machine(r).Link.RequestFunction) {
        case fn::kRequestDownload:
            if (d.DownloadState == DownloadState::Requested ||
                d.DownloadState == DownloadState::Rerequesting) {
                d.DownloadState = DownloadState::Rerequesting;
                Machine(r).Queue.Queue(RequestDownload);
            }
            break;
        case fn::kBlockCount:
            Machine(r).Queue.Queue(DownloadBlockCount);
            ++Machine(r).Engine.BlockRetries;
            break;
        case fn::kFinishDownload:
            ClearReadings(r);
            AbortDownload(r);
            r.Slots.Show(line::kFaultySensorRestart);
            break;
        case fn::kFlashBlock:
            Machine(r).Queue.Queue(FlashBlock);
            ++Machine(r).Engine.BlockRetries;
            break;
        case fn::kInstallStamp:
            Machine(r).Queue.Queue(StampInstall);
            ++Machine(r).Engine.StampRetries;
            break;
        case fn::kUpgradeStamp:
            Machine(r).Queue.Queue(StampUpgrade);
            ++Machine(r).Engine.StampRetries;
            break;
        default: break;
    }
}

bool IsExceptionFrame(const SharedRecords& r) {
    const auto& f = r.Link().RxFrame;
    return r.Link().RxCount == kExceptionFrameLength && f[0] == r.Sensor.DeviceId &&
           (f[1] & kExceptionBit) != 0;
}

// A reply from the sensor talked to whose function has the exception bit: its refusal. A request
// whose answer is four bytes (a probe, an address change, a setup write) has it complete at its
// fourth byte, before the exception frame's fifth; it ends the exchange as the refusal it is,
// never as an answer, and the fifth byte then arrives between exchanges.
bool StartsAsException(const SharedRecords& r) {
    const auto& f = r.Link().RxFrame;
    return r.Link().RxCount >= 2 && f[0] == r.Sensor.DeviceId && (f[1] & kExceptionBit) != 0;
}

}  // namespace

bool FrameCheckPasses(const std::uint8_t* frame, int length) {
    if (length < kShortestFrame || length > static_cast<int>(kFrameBufferSize)) {
        return false;
    }
    const auto n = static_cast<std::size_t>(length);
    const std::uint16_t crc = Crc16(std::span(frame, n - 2));
    return frame[n - 2] == (crc & 0xFF) && frame[n - 1] == (crc >> 8);
}

void BeginRequest(SharedRecords& r) {
    Machine(r).Link.RxFrame.fill(0);
    Machine(r).Link.RxCount = 0;
    Machine(r).Link.ReplyLength = 0;
    Machine(r).Link.RequestLength = 0;
    Machine(r).Link.TickCount = 1;
}

void FinishRequest(SharedRecords& r) {
    LinkState& link = Machine(r).Link;
    if (link.RequestLength < kShortestFrame ||
        link.RequestLength > static_cast<int>(kFrameBufferSize)) {
        return;
    }
    link.TxFrame[1] = static_cast<std::uint8_t>(link.RequestFunction);
    link.TxFrame[0] = IsBroadcastFunction(link.RequestFunction)
                          ? 0
                          : static_cast<std::uint8_t>(r.Sensor.DeviceId);
    const auto n = static_cast<std::size_t>(link.RequestLength);
    const std::uint16_t crc = Crc16(std::span(link.TxFrame).first(n - 2));
    link.TxFrame[n - 2] = static_cast<std::uint8_t>(crc & 0xFF);
    link.TxFrame[n - 1] = static_cast<std::uint8_t>(crc >> 8);
}

FrameEvent ReceiveByte(SharedRecords& r, std::uint8_t byte, int portNumber,
                       DownloadReplyHandler* downloadReplies) {
    if (portNumber < 1 || portNumber > 4) {
        return FrameEvent::Ignored;
    }
    LinkState& link = Machine(r).Link;
    if (link.RxCount < static_cast<int>(kFrameBufferSize)) {
        link.RxFrame[static_cast<std::size_t>(link.RxCount)] = byte;
        ++link.RxCount;
    }

    const bool complete = link.RxCount >= link.ReplyLength;
    if (IsExceptionFrame(r) || (complete && StartsAsException(r))) {
        r.Slots.Show(line::kTransmitError);
        r.Slots.Clear(line::kReceiveError);
        RequeueDownloadFrame(r);
        HandleRejectedReply(r, RejectedReply::Exception);
        ResetRequestState(r);
        return FrameEvent::Exception;
    }
    if (!complete) {
        return FrameEvent::Incomplete;
    }

    // The frame check comes first: a reply that fails it is never decoded, so line noise can
    // neither show readings the sensor did not send nor pass a rejected write off as done.
    const bool passed = FrameCheckPasses(link.RxFrame.data(), link.ReplyLength);
    if (passed) {
        DecodeReply(r, downloadReplies);
        r.Slots.Clear(line::kTransmitError);
        r.Slots.Clear(line::kReceiveError);
    } else {
        r.Slots.Show(line::kReceiveError);
        r.Slots.Clear(line::kTransmitError);
        RequeueDownloadFrame(r);
        HandleRejectedReply(r, RejectedReply::FailedCheck);
    }
    ResetRequestState(r);
    return passed ? FrameEvent::Passed : FrameEvent::Failed;
}

}  // namespace corvane
