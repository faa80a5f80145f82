#pragma once

#include <cstdint>

namespace corvane::sim {

// Ways a virtual sensor can misbehave, for tests and demonstrations. All default to off.
struct FaultModes {
    bool silent = false;              // never answers
    bool exceptionReplies = false;    // answers every request with an exception frame
    bool badCrc = false;              // every reply carries a wrong CRC
    int rejectBlocks = 0;             // the next N flash-block attempts are rejected ('q')
    std::int64_t replyDelayUs = 0;    // added before every reply
    bool strayBytes = false;          // two garbage bytes follow each reply, 60 ms later
    double dropProbability = 0.0;     // a reply is not sent
    double corruptProbability = 0.0;  // one byte of a reply is changed
    // The same for the replies to flash blocks alone, after the block was written (or rejected).
    double blockDropProbability = 0.0;
    double blockCorruptProbability = 0.0;
    std::uint32_t seed = 1;  // for the probabilities
};

}  // namespace corvane::sim
