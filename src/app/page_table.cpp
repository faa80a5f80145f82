#include "app/page_table.h"

#include <array>
#include <type_traits>

#include "app/channels_page.h"
#include "app/comms_page.h"
#include "app/monitor_page.h"
#include "app/passwords_page.h"
#include "config/setup_page.h"
#include "download/software_page.h"
#include "service/calibrate_page.h"
#include "service/commission_page.h"
#include "service/factory_page.h"

namespace corvane {
namespace {

// A page that changes the link's state (an address, a search, the channel cycle, a download)
// is given the sensor link; the others read the records alone.
template <typename Page>
std::unique_ptr<fw::PropertyPage> Make(fw::Host& host, SharedRecords& records, SensorLink& link) {
    if constexpr (std::is_constructible_v<Page, fw::Host&, SharedRecords&, SensorLink&>) {
        return std::make_unique<Page>(host, records, link);
    } else {
        return std::make_unique<Page>(host, records);
    }
}

constexpr int kLowestSheetLevel = 2;  // a name accepted, whatever the password

constexpr std::array<PageTableEntry, 9> kPages = {{
    {PageKind::Monitor, 2, Make<CMonitorPage>},
    {PageKind::Setup, 3, Make<CSetupPage>},
    {PageKind::Test, 3, Make<CCommissionPage>},
    {PageKind::Calibration, 4, Make<CCalibratePage>},
    {PageKind::Software, 5, Make<CSoftwarePage>},
    {PageKind::Communications, 3, Make<CAdvCommsPage>},
    {PageKind::Passwords, 3, Make<CPasswordsPage>},
    {PageKind::Channels, 2, Make<CMultiInput>},
    {PageKind::FactorySettings, 6, Make<CFactoryPage>},
}};

}  // namespace

std::span<const PageTableEntry> PageTable() {
    return kPages;
}

std::vector<PageKind> PagesForLevel(int accessLevel) {
    std::vector<PageKind> pages;
    if (accessLevel < kLowestSheetLevel) return pages;
    for (const PageTableEntry& entry : kPages) {
        if (accessLevel >= entry.lowestLevel) pages.push_back(entry.kind);
    }
    return pages;
}

}  // namespace corvane
