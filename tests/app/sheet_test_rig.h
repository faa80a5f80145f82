#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app_test_rig.h"

namespace corvane::testing {

// The program on the virtual sensor, logged in at the factory level so that the sheet carries
// every page there is, with the requests written to the line at hand.
class SheetRig : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(rig.Start());
        rig.Run(fw::kSecond);  // the link is up and the first readings are in
    }

    void LogIn() {
        rig.LogIn("A. Fitter", "K425TRM");
        ASSERT_NE(Sheet(), nullptr);
    }

    fw::PropertySheet* Sheet() {
        auto* sheet = rig.Window().Sheet();
        return sheet != nullptr && sheet->IsOpen() ? sheet : nullptr;
    }

    // Makes the page captioned `caption` the active page and returns its controls.
    fw::WindowModel& Open(std::string_view caption) {
        fw::PropertySheet& sheet = *Sheet();
        for (int i = 0; i < sheet.PageCount(); ++i) {
            if (sheet.Page(i).Caption() == caption) {
                EXPECT_TRUE(sheet.SetActivePage(i));
                rig.Settle();
                return sheet.Page(i).Controls();
            }
        }
        ADD_FAILURE() << "no page " << caption;
        return sheet.ActivePage().Controls();
    }

    // The payloads of the requests written with `function` since `from` (an index into the
    // line's written frames), in the order sent.
    std::vector<std::vector<std::uint8_t>> Sent(int function, std::size_t from = 0) {
        std::vector<std::vector<std::uint8_t>> payloads;
        const auto& written = rig.Line().Written();
        for (std::size_t i = from; i < written.size(); ++i) {
            const auto& frame = written[i];
            if (frame.size() >= 4 && frame[1] == function) {
                payloads.emplace_back(frame.begin() + 2, frame.end() - 2);
            }
        }
        return payloads;
    }
    std::size_t WrittenCount() { return rig.Line().Written().size(); }
    const fw::HeadlessHost::ShownBox& LastBox() { return rig.host.Boxes().back(); }

    AppRig rig;
};

}  // namespace corvane::testing
