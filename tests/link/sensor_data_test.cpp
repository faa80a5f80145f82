#include <gtest/gtest.h>

#include "link/code_tables.h"
#include "link/link_machine_access.h"
#include "link/shared_records.h"
#include "resources/list_texts.h"

namespace corvane {
namespace {

TEST(SensorDataDefaults, freshStartShowsFactoryTextsAndSetup) {
    SharedRecords r;
    ResetSensorData(r);
    const SensorData& s = r.Sensor;
    EXPECT_EQ(s.SerialNumber, "Serial Number");
    EXPECT_EQ(s.PlantNumber, "Plant Number");
    EXPECT_EQ(s.InstallDate, "Unknown Install Date");
    EXPECT_EQ(s.UpgradeIssue, "Unknown Issue Number");
    EXPECT_DOUBLE_EQ(s.TempCompSlope, 2.00);
    EXPECT_EQ(s.TempSlopeUnit, "% / °C");
    EXPECT_EQ(s.TempCompBaseText, "Temp.Comp.Base 25°C");
    EXPECT_EQ(s.Out1.SourceName, lists::kOutputSources[1]);
    EXPECT_DOUBLE_EQ(s.Out1.At20mA, 1000.0);
    EXPECT_EQ(s.Out1.Unit, "mS/cm");
    EXPECT_EQ(s.Out2.SourceName, "Temperature");
    EXPECT_DOUBLE_EQ(s.Out2.At20mA, 100.0);
    EXPECT_EQ(s.Out2.Unit, "°C");
    EXPECT_DOUBLE_EQ(s.TdsFactor, 0.68);
    for (int n = 1; n <= kCustomRangePointCount; ++n) {
        EXPECT_DOUBLE_EQ(s.CustomConc[static_cast<std::size_t>(n - 1)], 11.1 * n);
        EXPECT_DOUBLE_EQ(s.CustomCond[static_cast<std::size_t>(n - 1)], 111.0 * n);
    }
    EXPECT_EQ(s.ChannelId, (std::array<int, 5>{1, 2, 3, 4, 5}));
}

TEST(SensorDataDefaults, resetStartsTheLinkAfresh) {
    SharedRecords r;
    r.Sensor.DeviceId = 17;
    Machine(r).Link.TickCount = 9;
    Machine(r).Link.RxCount = 3;
    Machine(r).ScanState = ScanState::ProbeOutstanding;
    Machine(r).Engine.ReopenPort = false;
    Machine(r).Engine.TransmitInhibit = true;
    ResetSensorData(r);
    EXPECT_EQ(r.Sensor.DeviceId, 0);
    EXPECT_EQ(r.Link().TickCount, 0);
    EXPECT_EQ(r.Link().RxCount, 0);
    EXPECT_EQ(r.ScanState(), ScanState::Idle);
    EXPECT_TRUE(r.Engine().ReopenPort);
    EXPECT_FALSE(r.Engine().TransmitInhibit);
}

TEST(SensorDataOperations, resetIdentityRestoresTextsAndRequestsRefresh) {
    SharedRecords r;
    r.Sensor.SerialNumber = "123456";
    r.Sensor.InstallName = "A. Fitter";
    r.Sensor.CalibrationDetails = "done";
    r.Sensor.CustomRangeText = "kept";
    ResetIdentity(r);
    EXPECT_EQ(r.Sensor.SerialNumber, "Serial Number");
    EXPECT_EQ(r.Sensor.InstallName, "Unknown Install Name");
    EXPECT_EQ(r.Sensor.CalibrationDetails, "Unknown Calibration Details");
    EXPECT_EQ(r.Sensor.CustomRangeText, "kept");
    EXPECT_EQ(r.PageRefresh, PageRefresh::Requested);
}

TEST(SensorDataOperations, clearReadingsZeroesReadingsAndDeviceLinesOnly) {
    SharedRecords r;
    r.Sensor.CondComp = 12.5;
    r.Sensor.Out2Current = 20.0;
    for (int n = 1; n <= 84; ++n) {
        r.Slots.Set(n, "Msg");
    }
    ClearReadings(r);
    EXPECT_EQ(r.Sensor.CondComp, 0.0);
    EXPECT_EQ(r.Sensor.Out2Current, 0.0);
    for (int n = 1; n <= 84; ++n) {
        const bool cleared = n == 5 || n == 6 || (n >= 11 && n <= 80);
        EXPECT_EQ(r.Slots.Stands(n), !cleared) << "line " << n;
    }
}

TEST(CodeTables, sourceIndexesAndWireCodes) {
    EXPECT_EQ(SourceCodeFromIndex(2), 13);
    EXPECT_EQ(SourceCodeFromIndex(0), 14);
    EXPECT_EQ(SourceCodeFromIndex(11), 8);
    EXPECT_EQ(SourceCodeFromIndex(12), 13);
    EXPECT_EQ(SourceCodeFromIndex(-1), 13);
    EXPECT_EQ(SourceIndexFromCode(0), 2);
    EXPECT_EQ(SourceIndexFromCode(10), 2);
    for (int index = 0; index < 12; ++index) {
        EXPECT_EQ(SourceIndexFromCode(SourceCodeFromIndex(index)), index);
    }
}

TEST(CodeTables, digitalRangeTableIsItsOwnInverse) {
    EXPECT_EQ(DigitalCodeFromIndex(4), 6);
    EXPECT_EQ(DigitalIndexFromCode(6), 4);
    for (int v = 0; v < 10; ++v) {
        EXPECT_EQ(DigitalIndexFromCode(DigitalCodeFromIndex(v)), v);
        EXPECT_EQ(DigitalCodeFromIndex(v), DigitalIndexFromCode(v));
    }
    EXPECT_EQ(DigitalCodeFromIndex(10), 0);
    EXPECT_EQ(DigitalIndexFromCode(255), 0);
}

}  // namespace
}  // namespace corvane
