#pragma once

#include <QFont>
#include <QGroupBox>
#include <QRect>
#include <QString>

class QStyle;
class QStyleOptionGroupBox;

namespace corvane::fw {

// The widget of a group: a frame with a title. Whatever repaints inside the group repaints the
// group behind it first, and the style measures and shapes the title for every such paint, which
// is most of what a text cursor blinking in an edit of the group costs. Under the Fusion style:
// - a paint that lies wholly on edits of the group paints nothing of the group: a framed edit
//   paints every pixel of its rows opaquely but for its rounded corners, in a palette without
//   transparent colours, so nothing of the group would show there;
// - a paint that does not reach the title draws the frame alone, as the style's group box
//   control draws it; the place of the title is measured once for each title, font, size and
//   style.
class GroupBox : public QGroupBox {
  public:
    using QGroupBox::QGroupBox;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // Whether the edits of the group cover `region` with pixels of their own.
    bool CoveredByEdits(const QRegion& region) const;
    // Where the title's pixels may be: the style's place for it, with a margin.
    QRect TitleArea(const QStyleOptionGroupBox& option, const QStyle& style);

    struct {
        QString title;
        QFont font;
        QSize size;
        int alignment = 0;
        int direction = 0;
        const QStyle* style = nullptr;
        QRect area;
    } title_;
};

}  // namespace corvane::fw
