#include "link/download_sequence.h"

#include <algorithm>
#include <span>

#include "framework/clock.h"
#include "framework/operator_prompts.h"
#include "link/command_table.h"
#include "link/download_control.h"
#include "link/link_machine_access.h"
#include "link/record_date.h"
#include "link/sensor_data.h"

namespace corvane {
namespace {

constexpr int kVerdictOffset = 2;
constexpr std::uint8_t kAccepted = 'h';
constexpr int kBlockReplyLength = 5;
constexpr int kBlockFrameOverhead = 7;  // address, function, load address (2), count, CRC (2)

bool IsRejection(std::uint8_t verdict) {
    return verdict == 'q' || verdict == 'r' || verdict == 't';
}

}  // namespace

void BeginDownload(SharedRecords& r, std::vector<ImageBlock> image, DownloadOrigin origin) {
    DownloadRecord& d = Machine(r).Download;
    r.Slots.Clear(line::kDownloadLines);
    r.Slots.Show(line::kPreparingDownload);
    d.BlockTotal = static_cast<unsigned>(image.size());
    d.Image = std::move(image);
    d.BlockIndex = 0;
    d.LastBlockCount = 0;
    d.ImageStatus = 1;
    Machine(r).Queue.Queue(RequestDownload);
    d.DownloadOrigin = origin;
    d.DownloadState = DownloadState::Requested;
}

// Block k carries the k-th data record of the checked image. A counter past the image (which a
// checked image never leaves the download at) sends the last header again with no data rather
// than whatever the frame buffer held.
void DownloadSequence::ReadBlock(SharedRecords& r) {
    DownloadRecord& d = Machine(r).Download;
    auto& frame = Machine(r).Link.TxFrame;
    Machine(r).Link.ReplyLength = kBlockReplyLength;
    std::uint8_t count = 0;
    if (d.BlockIndex < d.Image.size()) {
        const ImageBlock& block = d.Image[d.BlockIndex];
        d.ImageStatus = 1;
        d.LastBlockAddress = block.Address;
        count = static_cast<std::uint8_t>(
            std::min<std::size_t>(block.Data.size(), static_cast<std::size_t>(kMostBlockBytes)));
        std::copy(block.Data.begin(), block.Data.begin() + count, frame.begin() + 5);
    }
    d.LastBlockCount = count;
    frame[2] = static_cast<std::uint8_t>(d.LastBlockAddress >> 8);
    frame[3] = static_cast<std::uint8_t>(d.LastBlockAddress & 0xFF);
    frame[4] = count;
    Machine(r).Link.RequestLength = count + kBlockFrameOverhead;
}

void DownloadSequence::OnDownloadReply(SharedRecords& r, int function) {
    switch (function) {
        case fn::kRequestDownload: Acknowledged(r); break;
        case fn::kBlockCount: Announced(r); break;
        case fn::kFlashBlock: BlockAnswered(r); break;
        case fn::kFinishDownload: Finished(r); break;
        default: break;
    }
}

// The sensor took the request and erases its flash; the blocks are announced next.
void DownloadSequence::Acknowledged(SharedRecords& r) {
    Machine(r).Download.DownloadState = DownloadState::Erasing;
    r.Slots.Clear(line::kDownloadLines);
    r.Slots.Show(line::kErasingFlash);
    Machine(r).Queue.Queue(DownloadBlockCount);
}

void DownloadSequence::Announced(SharedRecords& r) {
    Machine(r).Download.DownloadState = DownloadState::SendingBlocks;
    r.Slots.Clear(line::kDownloadLines);
    r.Slots.Show(line::kFlashDownloadStarting);
    Machine(r).Queue.Queue(FlashBlock);
}

void DownloadSequence::BlockAnswered(SharedRecords& r) {
    DownloadRecord& d = Machine(r).Download;
    const std::uint8_t verdict = Machine(r).Link.RxFrame[kVerdictOffset];
    if (verdict == kAccepted) {
        Machine(r).Engine.BlockRetries = 0;
        r.Slots.Set(line::kFlashBlockTransmitted, line::FlashBlockTransmitted(d.BlockIndex));
        r.Slots.Clear(line::kFlashBlockResending);
        ++d.BlockIndex;
    } else if (IsRejection(verdict)) {
        ++Machine(r).Engine.BlockRetries;
        r.Slots.Set(line::kFlashBlockResending, line::FlashBlockResending(d.BlockIndex));
        r.Slots.Clear(line::kFlashBlockTransmitted);
    } else {
        r.Slots.Clear(line::kFlashBlockTransmitted);
        r.Slots.Set(line::kFlashBlockResending, line::UnknownBlockVerdict(verdict));
    }
    for (const StatusLine& other :
         {line::kPreparingDownload, line::kErasingFlash, line::kFlashDownloadStarting,
          line::kSensorRestarting, line::kFaultyDownloadAcknowledge, line::kFaultySensorRestart}) {
        r.Slots.Clear(other);
    }
    r.Slots.Clear(line::kRequestingDownload);
    d.DownloadProgress =
        d.BlockTotal == 0 ? 0 : static_cast<int>(100ULL * d.BlockIndex / d.BlockTotal);
    if (d.BlockIndex < d.BlockTotal) {
        Machine(r).Queue.Queue(FlashBlock);
    } else {
        Machine(r).Queue.Queue(FinishDownload);
        ClearReadings(r);
    }
}

// The sensor restarts with its new software. Only a finish after every block counts as success;
// the records of who installed it and when are written, and the matching stamp sends them.
void DownloadSequence::Finished(SharedRecords& r) {
    DownloadRecord& d = Machine(r).Download;
    ClearReadings(r);
    if (d.BlockTotal == 0 || d.BlockIndex != d.BlockTotal) {
        AbortDownload(r);
        d.DownloadOrigin = DownloadOrigin::None;
        prompts_.PlayBeep(fw::Beep::Exclamation);
        prompts_.PostBox({"Program Transfer Failed. Restart The Download !",
                          "Software Download Status", fw::Icon::Exclamation, fw::Buttons::Ok},
                         [](fw::Answer) {});
        return;
    }
    EndTransfer(r);  // the origin stays: it says how the new image is stamped
    SensorData& s = r.Sensor;
    const std::string date = RecordDateText(clock_.Now());
    if (d.DownloadOrigin == DownloadOrigin::FactoryPage) {
        s.InstallDate = date;
        s.InstallName = r.OperatorName;
    }
    if (d.DownloadOrigin == DownloadOrigin::FactoryPage ||
        d.DownloadOrigin == DownloadOrigin::SoftwarePage) {
        s.UpgradeDate = date;
        s.UpgradeName = r.OperatorName;
        r.PageRefresh = PageRefresh::Requested;
        Machine(r).Engine.StampRetries = 0;
        Machine(r).Queue.Queue(d.DownloadOrigin == DownloadOrigin::FactoryPage ? StampInstall
                                                                               : StampUpgrade);
    }
    prompts_.PlayBeep(fw::Beep::Default);
}

}  // namespace corvane
