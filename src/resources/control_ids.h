#pragma once

// Resource and control ids of the dialogs, as the pages address them.
namespace corvane::ids {

// Dialogs.
inline constexpr int kAboutDialog = 100;
inline constexpr int kMainWindow = 102;
inline constexpr int kMonitorPage = 131;

// Main window.
inline constexpr int kOperatorName = 1006;
inline constexpr int kPassword = 1007;
inline constexpr int kOk = 1;
inline constexpr int kHelp = 57670;
inline constexpr int kVersion = 1452;
inline constexpr int kExit = 1287;
inline constexpr int kOperatorNameLabel = 1013;
inline constexpr int kPasswordLabel = 1012;
inline constexpr int kOperatorGroup = 1096;
inline constexpr int kSystemMessagesGroup = 1086;
inline constexpr int kConfigurationGroup = 1092;
inline constexpr int kMainSystemMessages = 1316;
inline constexpr int kMainConfiguration = 1317;

// About box.
inline constexpr int kAboutIcon = 2001;
inline constexpr int kAboutTitle = 2002;
inline constexpr int kAboutVersion = 2003;
inline constexpr int kAboutDate = 2004;
inline constexpr int kAboutMaker = 2005;
inline constexpr int kAboutUpdates = 2006;

// Monitor page.
inline constexpr int kMonOut2SourceName = 1072;
inline constexpr int kMonOut1SourceName = 1033;
inline constexpr int kMonOut1Current = 1027;
inline constexpr int kMonOut2Current = 1071;
inline constexpr int kMonConcentration = 1069;
inline constexpr int kMonCondRaw = 1079;
inline constexpr int kMonCondComp = 1080;
inline constexpr int kMonTemperature = 1081;
inline constexpr int kMonConcentrationUnit = 1342;
inline constexpr int kMonCondRawUnit = 1339;
inline constexpr int kMonCondCompUnit = 1340;
inline constexpr int kMonTemperatureUnit = 1341;
inline constexpr int kMonConcentrationLabel = 1343;
inline constexpr int kMonConfiguration = 1319;
inline constexpr int kMonSystemMessages = 1318;
inline constexpr int kMonSensorDataGroup = 1039;
inline constexpr int kMonOutput1Group = 1031;
inline constexpr int kMonOutput2Group = 1026;
inline constexpr int kMonConfigurationGroup = 1077;
inline constexpr int kMonSystemMessagesGroup = 1086;
inline constexpr int kMonCondRawLabel = 1074;
inline constexpr int kMonCondCompLabel = 1073;
inline constexpr int kMonTemperatureLabel = 1075;
inline constexpr int kMonOut1Label = 1037;
inline constexpr int kMonOut1mA = 1300;
inline constexpr int kMonOut2Label = 1038;
inline constexpr int kMonOut2mA = 1301;

}  // namespace corvane::ids
