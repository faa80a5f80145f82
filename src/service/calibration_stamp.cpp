#include "service/calibration_stamp.h"

#include "link/command_table.h"
#include "link/record_date.h"
#include "link/sensor_link.h"
#include "link/shared_records.h"

namespace corvane {

void NoteCalibrationToStamp(SharedRecords& records) {
    records.Service.CalibrationDone = kCalibrationToStamp;
}

void StampCalibrationIfDue(SharedRecords& records, SensorLink& link, const fw::DateTime& now) {
    ServiceRequests& svc = records.Service;
    if (svc.CalibrationDone != kCalibrationToStamp) return;
    records.Sensor.CalibrationDate = RecordDateText(now);
    records.Sensor.CalibrationName = records.OperatorName;
    svc.CalibrationDone = kCalibrationDone;
    link.Queue(WriteCalibrationStamp);
}

}  // namespace corvane
