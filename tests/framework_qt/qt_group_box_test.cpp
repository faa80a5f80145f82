#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <vector>

#include "framework/qt/group_box.h"

namespace corvane::fw {
namespace {

void Settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// A GroupBox beside a plain group box drawn by the style alone, each holding an edit, the same
// size in the same window.
class QtGroupBox : public ::testing::Test {
  protected:
    void SetUp() override {
        auto* layout = new QHBoxLayout(&window);
        for (QGroupBox* box : {static_cast<QGroupBox*>(&mine), &plain}) {
            auto* inside = new QVBoxLayout(box);
            auto* edit = new QLineEdit("ENTER YOUR NAME", box);
            edit->setFocusPolicy(Qt::NoFocus);  // one would show its focus, the other not
            inside->addWidget(edit);
            edits.push_back(edit);
            inside->addStretch();
            layout->addWidget(box);
        }
        window.resize(600, 160);
        window.show();
        Settle();
        ASSERT_EQ(mine.size(), plain.size());
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

    // Repaints `part` of both groups (with the window behind them) and counts the pixels in
    // which they then differ.
    int DifferingPixelsAfterRepainting(const QRect& part) {
        mine.update(part);
        plain.update(part);
        Settle();
        const QImage a = Picture(mine);
        const QImage b = Picture(plain);
        int differing = 0;
        for (int y = 0; y < a.height(); ++y) {
            for (int x = 0; x < a.width(); ++x) differing += a.pixel(x, y) != b.pixel(x, y);
        }
        return differing;
    }

    // Where a part of the first edit lies in its group.
    QRect OnEdit(const QRect& part) const { return part.translated(edits.front()->pos()); }

    QWidget window;
    GroupBox mine{"Operator Information"};
    QGroupBox plain{"Operator Information"};
    std::vector<QLineEdit*> edits;  // mine's, then plain's
};

TEST_F(QtGroupBox, repaintsAnyPartAsTheStyleDrawsIt) {
    const QRect all = mine.rect();
    EXPECT_EQ(DifferingPixelsAfterRepainting(all), 0) << "the whole group";
    EXPECT_EQ(DifferingPixelsAfterRepainting(QRect(all.center(), QSize(6, 14))), 0)
        << "inside, where a cursor blinks";
    EXPECT_EQ(DifferingPixelsAfterRepainting(QRect(0, all.height() / 2, 12, 20)), 0)
        << "across the left side of the frame";
    EXPECT_EQ(DifferingPixelsAfterRepainting(QRect(all.right() - 10, all.bottom() - 10, 11, 11)), 0)
        << "the bottom right corner";
    EXPECT_EQ(DifferingPixelsAfterRepainting(QRect(0, 0, 40, 10)), 0) << "across the title";
}

TEST_F(QtGroupBox, repaintsOnAnEditAsTheStyleDrawsThem) {
    const QSize edit = edits.front()->size();
    EXPECT_EQ(DifferingPixelsAfterRepainting(OnEdit(QRect(0, 4, 6, edit.height() - 8))), 0)
        << "where a cursor at the start of the text blinks";
    EXPECT_EQ(DifferingPixelsAfterRepainting(OnEdit(QRect(QPoint(0, 0), edit))), 0)
        << "the whole edit, with its corners";
    edits.front()->setEnabled(false);
    edits.back()->setEnabled(false);
    EXPECT_EQ(DifferingPixelsAfterRepainting(OnEdit(QRect(QPoint(0, 0), edit))), 0) << "disabled";
}

// What lets a group leave the rows of its edits to them: under the Fusion style an edit with a
// frame paints every pixel of its rows opaquely but for the three at the top and the bottom that
// hold its rounded corners, focused or not, enabled or not.
TEST(QtFramedEdit, paintsItsRowsOpaquelyButForItsCorners) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* edit = new QLineEdit("ENTER YOUR NAME", &window);
    layout->addWidget(edit);
    window.show();
    window.activateWindow();
    Settle();
    if (edit->style()->name().compare("fusion", Qt::CaseInsensitive) != 0) {
        GTEST_SKIP() << "groups leave their edits' rows to them under the Fusion style only";
    }
    const auto transparentPixels = [edit] {
        QImage picture(edit->size(), QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        edit->render(&picture, QPoint(), QRegion(), QWidget::RenderFlags());
        int transparent = 0;
        for (int y = 3; y < picture.height() - 3; ++y) {
            for (int x = 0; x < picture.width(); ++x)
                transparent += qAlpha(picture.pixel(x, y)) != 255;
        }
        return transparent;
    };
    EXPECT_EQ(transparentPixels(), 0) << "unfocused";
    edit->setFocus();
    Settle();
    ASSERT_TRUE(edit->hasFocus());
    EXPECT_EQ(transparentPixels(), 0) << "focused";
    edit->setEnabled(false);
    Settle();
    EXPECT_EQ(transparentPixels(), 0) << "disabled";
}

TEST_F(QtGroupBox, aNewTitleOrSizeIsDrawnWhereTheStylePutsIt) {
    mine.setTitle("System Messages");
    plain.setTitle("System Messages");
    Settle();
    const QRect inside(mine.rect().center(), QSize(6, 14));
    EXPECT_EQ(DifferingPixelsAfterRepainting(inside), 0);
    EXPECT_EQ(DifferingPixelsAfterRepainting(mine.rect()), 0);

    window.resize(700, 220);
    Settle();
    EXPECT_EQ(DifferingPixelsAfterRepainting(QRect(mine.rect().center(), QSize(6, 14))), 0);
    EXPECT_EQ(DifferingPixelsAfterRepainting(QRect(0, 0, 40, 10)), 0);
}

}  // namespace
}  // namespace corvane::fw
