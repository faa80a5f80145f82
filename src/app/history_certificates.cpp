#include "app/history_certificates.h"

#include "records/certificate.h"

namespace corvane {

CHistoryDlg::Certificates CertificatesFrom(records::EventHistory& history) {
    CHistoryDlg::Certificates certificates;
    certificates.certifiable = [](const records::ServiceEvent& event) {
        return records::Certifiable(event);
    };
    // The run is read again for each: steps of it may have been recorded since.
    const auto certificateOf = [&history](const std::string& uuid, std::string& error) {
        const std::vector<records::ServiceEvent> events =
            records::CertificateEvents(history, uuid, error);
        return events.empty() ? std::nullopt : records::CertificateOf(events, error);
    };
    certificates.fileName = [certificateOf](const std::string& uuid,
                                            std::string& error) -> std::optional<std::string> {
        const auto certificate = certificateOf(uuid, error);
        if (!certificate) return std::nullopt;
        return records::CertificateFileName(*certificate);
    };
    certificates.write = [certificateOf](const std::string& uuid, const std::string& path,
                                         std::string& error) {
        const auto certificate = certificateOf(uuid, error);
        return certificate &&
               records::WriteCertificatePdf(*certificate, records::LocalePageSize(), path, error);
    };
    return certificates;
}

void UseCertificatesInAssistant(CCalibrationAssistantDlg& assistant) {
    assistant.UseCertificates(
        [](const std::vector<records::ServiceEvent>& events, const std::string& path) {
            std::string error;
            const auto certificate = records::CertificateOf(events, error);
            if (certificate && records::WriteCertificatePdf(*certificate, records::LocalePageSize(),
                                                            path, error)) {
                return std::string();
            }
            return error;
        },
        [](const std::vector<records::ServiceEvent>& events) {
            std::string error;
            const auto certificate = records::CertificateOf(events, error);
            return certificate ? records::CertificateFileName(*certificate)
                               : std::string("certificate.pdf");
        });
}

}  // namespace corvane
