// Every window of the program, opened and driven on the headless backend: a window that binds a
// control id its template lacks, or binds it as another kind, throws here.
#include <gtest/gtest.h>

#include "app_test_rig.h"

namespace corvane {
namespace {

using fw::kSecond;

TEST(WindowBindings, everyWindowExchangesPaintsAndRefreshesWithTheControlsItBinds) {
    testing::AppRig rig;
    ASSERT_TRUE(rig.Start());
    rig.Controls().UserClick(ids::kVersion);
    rig.Settle();
    ASSERT_EQ(rig.host.OpenDialogs().size(), 2u) << "the about box is open";
    rig.host.OpenDialogs().back()->PressEnter();
    rig.Settle();

    rig.LogIn("Fitter", "K425TRM");  // the factory level: every page
    fw::PropertySheet* sheet = rig.Window().Sheet();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(sheet->IsOpen());
    int pagesBuilt = 0;
    for (const PageTableEntry& entry : PageTable()) pagesBuilt += entry.make != nullptr ? 1 : 0;
    ASSERT_EQ(sheet->PageCount(), pagesBuilt);

    for (int i = 0; i < sheet->PageCount(); ++i) {
        ASSERT_TRUE(sheet->SetActivePage(i)) << sheet->Page(i).Caption();
        fw::PropertyPage& page = sheet->Page(i);
        rig.Records().PageRefresh = PageRefresh::Requested;
        EXPECT_NO_THROW(rig.Run(kSecond)) << page.Caption();
        EXPECT_NO_THROW(page.UpdateData(true)) << page.Caption();
        EXPECT_NO_THROW(page.UpdateData(false)) << page.Caption();
        EXPECT_NO_THROW(page.Invalidate()) << page.Caption();
        rig.Settle();
    }
    EXPECT_NO_THROW(rig.Window().UpdateData(true));
}

}  // namespace
}  // namespace corvane
