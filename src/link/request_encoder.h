#pragma once

namespace corvane {

struct SharedRecords;

// A calendar date as the PC's local clock gives it; the caller supplies it so that tests can fix
// the day.
struct LocalDate {
    int Year = 2000;
    int Month = 1;
    int Day = 1;
};

// Fills a flash-block request for the block the download is at: payload from TxFrame[2] (load
// address high and low, byte count, data), RequestLength and ReplyLength. The software image
// reader implements it.
class FlashBlockReader {
  public:
    virtual ~FlashBlockReader() = default;
    virtual void ReadBlock(SharedRecords& records) = 0;
};

// Turns command `command` into a request: sets RequestFunction, RequestLength and ReplyLength and
// writes the payload into TxFrame from offset 2 (the frame around it is finished separately).
// A code the command table does not hold clears CurrentCommand and builds the poll instead.
// With no block reader, a flash block repeats the last block header with no data.
void BuildRequest(SharedRecords& records, int command, const LocalDate& today,
                  FlashBlockReader* blockReader = nullptr);

}  // namespace corvane
