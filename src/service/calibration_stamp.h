#pragma once

#include "framework/host.h"

namespace corvane {

struct SharedRecords;
class SensorLink;

// A confirmed calibration or calibration reset that the sensor has not yet been stamped for.
inline constexpr int kCalibrationToStamp = 1;

// Marks that a confirmed calibration waits for its stamp.
void NoteCalibrationToStamp(SharedRecords& records);

// Once after one or more confirmed calibrations: records `now` and the operator as the
// calibration date and name and queues the stamp that writes them into the sensor. Nothing when
// no calibration waits for its stamp.
void StampCalibrationIfDue(SharedRecords& records, SensorLink& link, const fw::DateTime& now);

}  // namespace corvane
