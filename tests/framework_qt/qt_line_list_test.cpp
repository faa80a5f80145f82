#include <gtest/gtest.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QListWidget>
#include <QPaintEvent>
#include <QPixmap>
#include <QRegion>
#include <QScreen>
#include <QStyle>
#include <string>
#include <vector>

#include "framework/qt/line_list.h"

namespace corvane::fw {
namespace {

const std::vector<std::string> kSpinner = {
    "Msg 08..Sensor Comms OK   \\", "Msg 08..Sensor Comms OK   |", "Msg 08..Sensor Comms OK   /",
    "Msg 08..Sensor Comms OK   -"};

// Lines of every kind a list shows: plain, with signs outside ASCII, kerned pairs, empty, right
// to left, on two lines (drawn by the style), and wider than the list (which then scrolls).
const std::vector<std::string> kMixed = {
    "Msg 08..Sensor Comms OK   \\",
    "Temp.Comp.Slope:  2.00 % / \u00b0C         Temp.Comp.Base 25\u00b0C",
    "AVAWAT To Ty Yo fi ffl",
    "",
    "\u05e9\u05dc\u05d5\u05dd 12.5 mS/cm",
    "first line\nsecond line",
    "Current Output 1:  Conductivity with T.C. (mS/cm)     4 mA :  0.0 mS/cm     20 mA :  1000.0 "
    "mS/cm and more besides",
};

// Lets Qt lay out and paint what waits (a list lays its rows out on a timer of its own).
void Settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

QStringList ToQ(const std::vector<std::string>& lines) {
    QStringList out;
    for (const auto& line : lines) out << QString::fromStdString(line);
    return out;
}

// A LineList beside a plain list widget drawn by the style alone, the same size in the same
// window, so that both are in the same state (active, enabled) when they are painted.
class QtLineList : public ::testing::Test {
  protected:
    void SetUp() override {
        auto* layout = new QHBoxLayout(&window);
        layout->addWidget(&lines);
        layout->addWidget(&plain);
        // The keyboard focus, which one of them would have, only where a case asks for it.
        lines.setFocusPolicy(Qt::NoFocus);
        plain.setFocusPolicy(Qt::NoFocus);
        window.resize(900, 220);
        window.show();
        window.activateWindow();
        Settle();
        ASSERT_EQ(lines.size(), plain.size());
    }

    void Show(const std::vector<std::string>& shown) {
        lines.ShowLines(shown);
        const QStringList texts = ToQ(shown);
        while (plain.count() > texts.size()) delete plain.takeItem(plain.count() - 1);
        for (int i = 0; i < texts.size(); ++i) {
            if (i < plain.count()) {
                plain.item(i)->setText(texts[i]);
            } else {
                plain.addItem(texts[i]);
            }
        }
        Settle();
    }

    // What the screen shows of a widget: painted in the parts Qt asked to repaint, kept from
    // earlier paints elsewhere.
    QImage Picture(QWidget& widget) {
        const QPoint at = widget.mapTo(&window, QPoint(0, 0));
        return window.screen()
            ->grabWindow(window.winId(), at.x(), at.y(), widget.width(), widget.height())
            .toImage()
            .convertToFormat(QImage::Format_ARGB32);
    }

    static int DifferingPixels(const QImage& mine, const QImage& style) {
        if (mine.size() != style.size()) return mine.width() * mine.height();
        int differing = 0;
        for (int y = 0; y < mine.height(); ++y) {
            for (int x = 0; x < mine.width(); ++x)
                differing += mine.pixel(x, y) != style.pixel(x, y);
        }
        return differing;
    }

    // The number of pixels in which the two lists differ.
    int DifferingPixels() { return DifferingPixels(Picture(lines), Picture(plain)); }

    // The same with the keyboard focus in the list painted.
    int DifferingPixelsFocused() {
        lines.setFocusPolicy(Qt::StrongFocus);
        plain.setFocusPolicy(Qt::StrongFocus);
        lines.setFocus();
        Settle();
        const QImage mine = Picture(lines);
        plain.setFocus();
        Settle();
        const int differing = DifferingPixels(mine, Picture(plain));
        lines.setFocusPolicy(Qt::NoFocus);
        plain.setFocusPolicy(Qt::NoFocus);
        return differing;
    }

    void ExpectSameSizes() {
        ASSERT_EQ(lines.count(), plain.count());
        for (int i = 0; i < lines.count(); ++i) {
            EXPECT_EQ(lines.sizeHintForIndex(lines.model()->index(i, 0)),
                      plain.sizeHintForIndex(plain.model()->index(i, 0)))
                << "row " << i << ": " << lines.item(i)->text().toStdString();
        }
    }

    QWidget window;
    LineList lines;
    QListWidget plain;
};

TEST_F(QtLineList, paintsEveryKindOfLineAsTheStyleDoes) {
    Show(kMixed);
    EXPECT_EQ(DifferingPixels(), 0) << "nothing chosen";
    ExpectSameSizes();

    lines.setCurrentRow(1);
    plain.setCurrentRow(1);
    EXPECT_EQ(DifferingPixels(), 0) << "a row chosen";

    EXPECT_EQ(DifferingPixelsFocused(), 0) << "a row chosen in the focused list";

    window.setEnabled(false);
    Settle();
    EXPECT_EQ(DifferingPixels(), 0) << "disabled";
}

TEST_F(QtLineList, aRowTurningThroughTextsSeenBeforeIsPaintedAndSizedForEachText) {
    std::vector<std::string> shown = {"Msg 01..Power On", "Msg 08..Sensor Comms OK   \\"};
    const int turns = 3 * static_cast<int>(kSpinner.size());
    for (int tick = 0; tick < turns; ++tick) {
        if (tick == turns / 3) {  // the operator chooses the turning row
            lines.setCurrentRow(1);
            plain.setCurrentRow(1);
        } else if (tick == 2 * turns / 3) {  // and then the other one
            lines.setCurrentRow(0);
            plain.setCurrentRow(0);
        }
        shown.back() = kSpinner[static_cast<std::size_t>(tick) % kSpinner.size()];
        Show(shown);
        ASSERT_EQ(DifferingPixels(), 0) << "turn " << tick << ": " << shown.back();
        ExpectSameSizes();
    }
}

TEST_F(QtLineList, aNewFontMeasuresAndPaintsTheSameTextsAnew) {
    Show(kMixed);
    ExpectSameSizes();
    QFont larger = lines.font();
    larger.setPointSizeF(larger.pointSizeF() * 1.5);
    lines.setFont(larger);
    plain.setFont(larger);
    Settle();
    ExpectSameSizes();
    EXPECT_EQ(DifferingPixels(), 0);
}

// Records the region of each paint of a widget.
class PaintRecorder : public QObject {
  public:
    explicit PaintRecorder(QWidget& watched) { watched.installEventFilter(this); }
    std::vector<QRegion> regions;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            regions.push_back(static_cast<QPaintEvent*>(event)->region());
        }
        return false;
    }
};

TEST_F(QtLineList, theSameLinesPaintNothingAndARewrittenRowPaintsWhatChangedOnly) {
    std::vector<std::string> shown = {"Msg 01..Power On", "Msg 03..Setup Read", kSpinner[0]};
    Show(shown);
    PaintRecorder painted(*lines.viewport());

    Show(shown);
    EXPECT_TRUE(painted.regions.empty());

    const QRect row = lines.visualRect(lines.model()->index(2, 0));
    for (std::size_t turn = 1; turn <= kSpinner.size(); ++turn) {
        painted.regions.clear();
        shown.back() = kSpinner[turn % kSpinner.size()];
        Show(shown);
        ASSERT_EQ(painted.regions.size(), 1u) << shown.back();
        const QRect part = painted.regions.front().boundingRect();
        EXPECT_TRUE(row.contains(part))
            << "the row's place is " << row.top() << " to " << row.bottom() << ", painted "
            << part.top() << " to " << part.bottom();
        if (lines.style()->name().compare("fusion", Qt::CaseInsensitive) == 0) {
            EXPECT_LT(part.width(), row.width() / 4) << "the spinner, not the message before it";
        }
        EXPECT_EQ(DifferingPixels(), 0) << shown.back();
    }

    painted.regions.clear();
    shown[1] = "Msg 04..Setup Written";
    Show(shown);
    ASSERT_EQ(painted.regions.size(), 1u);
    EXPECT_EQ(DifferingPixels(), 0) << "a message of other glyphs";
}

}  // namespace
}  // namespace corvane::fw
