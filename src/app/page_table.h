#pragma once

#include <memory>
#include <span>
#include <vector>

#include "framework/property_sheet.h"

namespace corvane {

struct SharedRecords;
class SensorLink;

// The pages of the property sheet.
enum class PageKind {
    Monitor,
    Setup,
    Test,
    Calibration,
    Software,
    Communications,
    Passwords,
    Channels,
    FactorySettings,
};

// One page of the sheet: the lowest access level whose sheet carries it (every higher level's
// sheet carries it too) and how the main window makes the page object it keeps for the whole
// run (a page that changes the link's state takes the sensor link as its third argument). A page
// whose window this build does not have yet has no maker and is left out of the
// sheet.
struct PageTableEntry {
    PageKind kind;
    int lowestLevel;
    std::unique_ptr<fw::PropertyPage> (*make)(fw::Host& host, SharedRecords& records,
                                              SensorLink& link);
};

// Every page in tab order. Adding a page takes:
//   - its window template in src/resources/ (control ids, list texts), listed in AllTemplates()
//     so that the template checks cover it;
//   - its page class, an OperatorPage, in the folder of its subsystem, with that folder's library
//     linked into corvane_app;
//   - a PageKind value above and an entry in kPages (page_table.cpp) with the lowest access level
//     whose sheet carries it and its maker; the sheets and the login then follow on their own;
//   - where the main window wires the page to something (the trend history, the serial devices),
//     that wiring in CControlCentreDlg's constructor.
std::span<const PageTableEntry> PageTable();

// The pages of the sheet for an access level, in tab order (none below level 2).
std::vector<PageKind> PagesForLevel(int accessLevel);

}  // namespace corvane
