#pragma once

#include "app/history_dlg.h"
#include "service/calibration_assistant_dlg.h"

namespace corvane {

// The Service History window's certificates, written from `history` with the PDF writer of the
// service record (records/certificate.h): on A4, or on Letter where the system's locale measures
// in US inches. The program must run a QGuiApplication.
CHistoryDlg::Certificates CertificatesFrom(records::EventHistory& history);

// The Calibration Assistant's certificate of its run, written the same way from the events the
// run recorded.
void UseCertificatesInAssistant(CCalibrationAssistantDlg& assistant);

}  // namespace corvane
