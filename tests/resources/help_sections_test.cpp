// The help has a section for every window, under the name F1 asks for, and every picture it
// shows exists.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "framework/host.h"
#include "resources/all_templates.h"

namespace corvane {
namespace {

std::string HelpText() {
    std::ifstream file(CORVANE_HELP_FILE);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::set<std::string> Matches(const std::string& text, const std::regex& pattern) {
    std::set<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
         it != std::sregex_iterator(); ++it) {
        found.insert((*it)[1].str());
    }
    return found;
}

TEST(Help, hasASectionForEveryWindowUnderTheNameItsHelpKeyOpens) {
    const std::string help = HelpText();
    ASSERT_FALSE(help.empty()) << CORVANE_HELP_FILE;
    const std::set<std::string> ids = Matches(help, std::regex(R"re(\bid="([^"]+)")re"));
    for (const fw::DialogTemplate* t : resources::AllTemplates()) {
        const std::string section = fw::HelpSectionOf(t->caption);
        EXPECT_TRUE(ids.count(section) == 1)
            << "no section id=\"" << section << "\" for \"" << t->caption << "\"";
    }
}

TEST(Help, everyLinkWithinItLeadsToASectionAndEveryPictureExists) {
    const std::string help = HelpText();
    const std::set<std::string> ids = Matches(help, std::regex(R"re(\bid="([^"]+)")re"));
    for (const std::string& target : Matches(help, std::regex(R"re(href="#([^"]*)")re"))) {
        EXPECT_TRUE(ids.count(target) == 1) << "a link to #" << target << " leads nowhere";
    }
    const std::filesystem::path folder = std::filesystem::path(CORVANE_HELP_FILE).parent_path();
    const std::set<std::string> pictures = Matches(help, std::regex(R"re(src="([^"]+)")re"));
    EXPECT_GE(pictures.size(), 15u);
    for (const std::string& picture : pictures) {
        EXPECT_TRUE(std::filesystem::is_regular_file(folder / picture)) << picture;
    }
}

}  // namespace
}  // namespace corvane
