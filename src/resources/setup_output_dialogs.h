#pragma once

#include "framework/dialog_template.h"
#include "resources/common_ids.h"

// "Setup Current Output 1" and "Setup Current Output 2": one layout, each output with ids of its
// own.
namespace corvane::ids {

inline constexpr int kSetupOutput1Dialog = 155;
inline constexpr int kSetupOutput2Dialog = 157;

// The same in both dialogs.
inline constexpr int kOutTdsFactor = 1206;
inline constexpr int kOutTdsLabel = 1207;

// Frames and labels, the same in both dialogs.
inline constexpr int kOutSourceGroup = 15501;
inline constexpr int kOutRangeGroup = 15502;
inline constexpr int kOut4mALabel = 15503;
inline constexpr int kOut20mALabel = 15504;
inline constexpr int kOutFilterGroup = 15505;
inline constexpr int kOutTdsGroup = 15506;
inline constexpr int kOutErrorGroup = 15507;
inline constexpr int kOutMessagesGroup = 15508;

}  // namespace corvane::ids

namespace corvane::resources {

// The controls of one output's dialog.
struct OutputDialogIds {
    int dialog;
    int source;       // drop-down list of sources
    int at4mA;        // "Set 4 mA Measurement Value"
    int at20mA;       // "Set 20 mA Measurement Value"
    int unit4mA;      // unit beside the 4 mA value
    int unit20mA;     // unit beside the 20 mA value
    int filterOn;     // "Enable Current Output Filter"
    int averaging;    // drop-down list of averaging periods
    int errorSignal;  // "Enable Error Signalling"
    int error2mA;     // first radio button of the error current
    int error22mA;
    int apply;
    int messages;  // System Messages list
};

inline constexpr OutputDialogIds kOutput1DialogIds{ids::kSetupOutput1Dialog,
                                                   1135,
                                                   1137,
                                                   1138,
                                                   1364,
                                                   1365,
                                                   1248,
                                                   1249,
                                                   1229,
                                                   1245,
                                                   1246,
                                                   1235,
                                                   1320};
inline constexpr OutputDialogIds kOutput2DialogIds{ids::kSetupOutput2Dialog,
                                                   1136,
                                                   1140,
                                                   1139,
                                                   1366,
                                                   1367,
                                                   1241,
                                                   1242,
                                                   1230,
                                                   1238,
                                                   1239,
                                                   1243,
                                                   1322};

const fw::DialogTemplate& SetupOutput1Template();
const fw::DialogTemplate& SetupOutput2Template();

}  // namespace corvane::resources
