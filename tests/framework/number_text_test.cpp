#include "framework/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvane::fw {
namespace {

// What printf writes, in full, in the locale of the test process (the C locale).
std::string Printf(const char* format, double value) {
    const int length = std::snprintf(nullptr, 0, format, value);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, value);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

TEST(FormatNumber, writesWhatPrintfWritesInTheCLocale) {
    ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> values{
        0.0,    -0.0,  0.05,       0.25,       0.35,  2.5,          -2.5,    1.0 / 3.0, 2.675,
        9.995,  -9.95, 123456.789, 12345678.9, 1e-5,  0.0001,       99999.5, 999999.5,  1e15,
        1e16,   -1e22, 1e62,       1e64,       1e300, -1e300,       DBL_MAX, DBL_MIN,   5e-324,
        1e-300, inf,   -inf,       nan,        -nan,  45.249999999, 4.77e-3, 100.0};
    const std::vector<const char*> formats{
        "%.1f",  "%.2f",    "%f",           "%.0f",     "%F",         "%.3e",
        "%e",    "%E",      "%.0e",         "%g",       "%G",         "%.15g",
        "%.0g",  "%.1g",    "%.10g",        "%+.1f",    "% .2f",      "%+ .2e",
        "%8.2f", "%-8.2f|", "%08.2f",       "%+08.1f",  "%-+9.3e|",   "%012.4g",
        "%3.1f", "%lf",     "Out1 %.2f mA", "%%%.1f%%", "%.1f, then", "%50.20f"};
    // The sign of a NaN is where C libraries differ: glibc writes "-nan", Windows' "nan". The
    // program writes the same everywhere: glibc's.
    EXPECT_EQ(FormatNumber("%f", -nan), "-nan");
    const bool printfSignsNan = Printf("%f", -nan) == "-nan";
    for (const char* format : formats) {
        for (const double value : values) {
            if (std::isnan(value) && std::signbit(value) && !printfSignsNan) continue;
            EXPECT_EQ(FormatNumber(format, value), Printf(format, value))
                << "format \"" << format << "\", value " << Printf("%.17g", value);
        }
    }
}

TEST(FormatNumber, writesHugeNumbersInFull) {
    const std::string text = FormatNumber("%.1f", 1e300);
    EXPECT_EQ(text.size(), 303u);  // 301 digits, the point and one decimal
    EXPECT_EQ(text.substr(text.size() - 2), ".0");
    EXPECT_EQ(ParseNumber(text), 1e300);
    EXPECT_EQ(ParseNumber(FormatNumber("%.1f", -DBL_MAX)), -DBL_MAX);
    EXPECT_EQ(AsDisplayed("%.2f", 1e300), 1e300);
    EXPECT_EQ(AsDisplayed("%.1f", 1e62), 1e62);
    EXPECT_EQ(FormatNumber("%.400f", 1.0).size(), 402u);
}

TEST(FormatNumber, keepsTheUsualFormsOfOrdinaryValues) {
    EXPECT_EQ(FormatNumber("%.1f", 45.25), "45.2");  // a tie rounds to even, as printf does
    EXPECT_EQ(FormatNumber("%.2f", 4.775), "4.78");  // 4.775 is a little above in binary
    EXPECT_EQ(FormatNumber("%.1f", -0.0), "-0.0");
    EXPECT_EQ(FormatNumber("%.1f", -0.04), "-0.0");
    EXPECT_EQ(FormatNumber("%.2f", 0.0), "0.00");
    EXPECT_EQ(FormatNumber("%.1f", std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(FormatNumber("%.1f", -std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(FormatNumber("%.15g", 4.0), "4");
    EXPECT_EQ(AsDisplayed("%.1f", 45.26), 45.3);
}

TEST(FormatNumber, refusesFormatsThatAreNotOneConversionOfADouble) {
    for (const char* format :
         {"%d", "%s", "%a", "%Lf", "%*.1f", "%.*f", "%#.1f", "%#g", "%.1f %.1f", "%", "%.1"}) {
        EXPECT_THROW(FormatNumber(format, 1.0), std::invalid_argument) << format;
    }
    EXPECT_EQ(FormatNumber("no number", 1.0), "no number");
}

// A locale that writes a decimal comma, for the length of one test: an installed one, or else
// one made with localedef in a scratch directory that LOCPATH points to.
class CommaLocale : public ::testing::Test {
  protected:
    void SetUp() override {
        if (SelectCommaLocale()) return;
        if (MakeCommaLocale() && SelectCommaLocale()) return;
        GTEST_SKIP() << "no locale with a decimal comma is installed, and none could be made: "
                        "that needs localedef and the locale sources of the Debian package "
                        "'locales' (/usr/share/i18n/locales/de_DE)";
    }

    void TearDown() override {
        std::setlocale(LC_NUMERIC, "C");
#ifndef _WIN32
        if (!made_.empty()) {
            if (hadLocPath_) {
                ::setenv("LOCPATH", oldLocPath_.c_str(), 1);
            } else {
                ::unsetenv("LOCPATH");
            }
            std::error_code ignored;
            std::filesystem::remove_all(made_, ignored);
        }
#endif
    }

  private:
    static bool SelectCommaLocale() {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8",
                                 "nl_NL.UTF-8", "de_DE", "de-DE"}) {
            if (std::setlocale(LC_NUMERIC, name) != nullptr &&
                std::strcmp(std::localeconv()->decimal_point, ",") == 0) {
                return true;
            }
        }
        std::setlocale(LC_NUMERIC, "C");
        return false;
    }

    bool MakeCommaLocale() {
#ifdef _WIN32
        return false;
#else
        if (!std::filesystem::exists("/usr/share/i18n/locales/de_DE") ||
            std::system("command -v localedef >/dev/null 2>&1") != 0) {
            return false;
        }
        std::string dir = ::testing::TempDir() + "corvane-locale-XXXXXX";
        if (::mkdtemp(dir.data()) == nullptr) return false;
        made_ = dir;
        // -c: warnings about the locale source do not stop the output.
        const std::string command =
            "localedef -c -i de_DE -f UTF-8 '" + dir + "/de_DE.UTF-8' >/dev/null 2>&1";
        if (std::system(command.c_str()) == -1) return false;
        if (const char* old = std::getenv("LOCPATH")) {
            hadLocPath_ = true;
            oldLocPath_ = old;
        }
        ::setenv("LOCPATH", dir.c_str(), 1);
        return true;
#endif
    }

    std::string made_;
    bool hadLocPath_ = false;
    std::string oldLocPath_;
};

TEST_F(CommaLocale, numbersAreWrittenWithADecimalPoint) {
    ASSERT_EQ(Printf("%.1f", 2.5), "2,5") << "the C library does write a comma now";
    EXPECT_EQ(FormatNumber("%.1f", 1234.5), "1234.5");
    EXPECT_EQ(FormatNumber("%.2f", -0.25), "-0.25");
    EXPECT_EQ(FormatNumber("%.3e", 45.25), "4.525e+01");
    EXPECT_EQ(FormatNumber("%.3g", 0.000125), "0.000125");
    EXPECT_EQ(FormatNumber("%.1f, 100%%", 3.25), "3.2, 100%");
    EXPECT_EQ(ShortestText(0.1), "0.1");
}

TEST_F(CommaLocale, numbersAreReadWithADecimalPoint) {
    ASSERT_EQ(Printf("%.1f", 2.5), "2,5") << "the C library does write a comma now";
    EXPECT_EQ(ParseNumber("2.5"), 2.5);
    EXPECT_EQ(ParseNumber(" -0.125 "), -0.125);
    EXPECT_FALSE(ParseNumber("2,5").has_value());
    EXPECT_EQ(LeadingNumber("4.77 mA"), 4.77);
    EXPECT_EQ(AsDisplayed("%.2f", 4.567), 4.57);
    EXPECT_EQ(AsDisplayed("%.1f", 45.26), 45.3);
}

}  // namespace
}  // namespace corvane::fw
