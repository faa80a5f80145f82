#include "framework/qt/group_box.h"

#include <QLineEdit>
#include <QPaintEvent>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>
#include <QStylePainter>

namespace corvane::fw {

namespace {

// The rows at the top and at the bottom of a framed edit that hold its rounded corners.
constexpr int kCornerRows = 3;

bool IsFusion(const QStyle& style) {
    return style.name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0;
}

// Whether an edit's frame and inside are drawn in colours without transparency, in every state.
bool PaintsOpaquely(const QPalette& palette) {
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (const QPalette::ColorRole role :
             {QPalette::Base, QPalette::Window, QPalette::Highlight}) {
            if (!palette.brush(group, role).isOpaque()) return false;
        }
    }
    return true;
}

}  // namespace

void GroupBox::paintEvent(QPaintEvent* event) {
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    const QStyle& shown = *style();
    if (!IsFusion(shown) || isCheckable() || isFlat() || option.text.isEmpty()) {
        QGroupBox::paintEvent(event);
        return;
    }
    if (CoveredByEdits(event->region())) return;
    if (event->region().intersects(TitleArea(option, shown))) {
        QGroupBox::paintEvent(event);
        return;
    }
    // The frame as the style's group box control draws it. (That control measures the title
    // and the check box first, shaping the title, even when it is asked for the frame alone.)
    QStyleOptionFrame frame;
    frame.QStyleOption::operator=(option);
    frame.features = option.features;
    frame.lineWidth = option.lineWidth;
    frame.midLineWidth = option.midLineWidth;
    frame.rect = shown.subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, this);
    QStylePainter painter(this);
    painter.drawPrimitive(QStyle::PE_FrameGroupBox, frame);
}

bool GroupBox::CoveredByEdits(const QRegion& region) const {
    QRegion covered;
    for (const QLineEdit* edit : findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly)) {
        if (edit->isVisible() && edit->hasFrame() && edit->styleSheet().isEmpty() &&
            IsFusion(*edit->style()) && PaintsOpaquely(edit->palette())) {
            covered += edit->geometry().adjusted(0, kCornerRows, 0, -kCornerRows);
        }
    }
    return !covered.isEmpty() && (region - covered).isEmpty();
}

QRect GroupBox::TitleArea(const QStyleOptionGroupBox& option, const QStyle& style) {
    if (title_.title != option.text || title_.font != font() || title_.size != size() ||
        title_.alignment != static_cast<int>(option.textAlignment) ||
        title_.direction != option.direction || title_.style != &style) {
        title_.title = option.text;
        title_.font = font();
        title_.size = size();
        title_.alignment = static_cast<int>(option.textAlignment);
        title_.direction = option.direction;
        title_.style = &style;
        // Glyphs may reach a little past the place the style gives the text.
        const int margin = option.fontMetrics.height() / 2;
        title_.area =
            style.subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this)
                .adjusted(-margin, -margin, margin, margin);
    }
    return title_.area;
}

}  // namespace corvane::fw
