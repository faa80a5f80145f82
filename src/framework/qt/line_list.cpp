#include "framework/qt/line_list.h"

#include <QApplication>
#include <QCache>
#include <QEvent>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace corvane::fw {

namespace {

QString ToQ(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// What the style's measuring and laying out of a row's text depends on.
struct RowKey {
    QString text;
    QFont font;
    QSize size;  // of the row; empty when measuring
    int features = 0;
    int decorationPosition = 0;
    int alignment = 0;
    int direction = 0;
    int elideMode = 0;
    bool showDecorationSelected = false;
    const QStyle* style = nullptr;

    RowKey(const QStyleOptionViewItem& option, const QStyle& rowStyle, QSize rowSize)
        : text(option.text),
          font(option.font),
          size(rowSize),
          features(static_cast<int>(option.features)),
          decorationPosition(option.decorationPosition),
          alignment(static_cast<int>(option.displayAlignment)),
          direction(option.direction),
          elideMode(option.textElideMode),
          showDecorationSelected(option.showDecorationSelected),
          style(&rowStyle) {}

    bool operator==(const RowKey& other) const {
        return text == other.text && font == other.font && size == other.size &&
               features == other.features && decorationPosition == other.decorationPosition &&
               alignment == other.alignment && direction == other.direction &&
               elideMode == other.elideMode &&
               showDecorationSelected == other.showDecorationSelected && style == other.style;
    }
};

// The font is left to the comparison: hashing one is costly, and rows rarely differ in it.
size_t qHash(const RowKey& key, size_t seed = 0) {
    return qHashMulti(seed, key.text, key.size.width(), key.size.height(), key.features,
                      key.alignment);
}

}  // namespace

// Measures and paints the rows of a LineList as the style does, but lays each text out once.
//
// The style lays a row's text out anew every time it measures or paints the row: it shapes the
// text to find its size, three times more to place the parts of the row, and twice to find
// whether it must be elided and to draw it. A list rewritten on every tick spends most of the
// program's time there. The row painter keeps, for the texts it met last, the size the style
// gave, the place the style gives the text in the row, and the text laid out as the style lays
// it out; a row whose text was seen before costs no shaping at all.
//
// It paints only a plain row itself: text alone (no check box, icon or wrapping), not focused
// or being edited, on one line that fits, under the Fusion style, whose item view rows are drawn
// by the common style code that this repeats (the background and selection from the style, the
// text in the pen and at the place that code chooses). Every other row, and every row under
// another style, is drawn by the style.
class RowPainter : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Forgets every kept size and text, after a change of font or style.
    void Forget() {
        sizes_.clear();
        texts_.clear();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (index.data(Qt::SizeHintRole).isValid()) {
            return QStyledItemDelegate::sizeHint(option, index);
        }
        QStyleOptionViewItem row = option;
        initStyleOption(&row, index);
        if (!IsPlain(row)) return QStyledItemDelegate::sizeHint(option, index);
        const QStyle& style = StyleOf(row);
        const RowKey key(row, style, QSize());
        if (const QSize* kept = sizes_.object(key)) return *kept;
        const QSize size =
            style.sizeFromContents(QStyle::CT_ItemViewItem, &row, QSize(), row.widget);
        sizes_.insert(key, new QSize(size));
        return size;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem row = option;
        initStyleOption(&row, index);
        const QStyle& style = StyleOf(row);
        const LaidOutText* text = FastText(row, style);
        if (text == nullptr) {
            style.drawControl(QStyle::CE_ItemViewItem, &row, painter, row.widget);
            return;
        }
        // As the style draws a row: clipped to it, its background, then the text in the pen of
        // its state.
        painter->save();
        painter->setClipRegion(painter->hasClipping() ? painter->clipRegion() & row.rect
                                                      : QRegion(row.rect));
        style.drawPrimitive(QStyle::PE_PanelItemViewItem, &row, painter, row.widget);
        QPalette::ColorGroup group =
            (row.state & QStyle::State_Enabled) != 0 ? QPalette::Normal : QPalette::Disabled;
        if (group == QPalette::Normal && (row.state & QStyle::State_Active) == 0) {
            group = QPalette::Inactive;
        }
        painter->setPen(row.palette.color(group, (row.state & QStyle::State_Selected) != 0
                                                     ? QPalette::HighlightedText
                                                     : QPalette::Text));
        text->layout.draw(painter, QPointF(row.rect.topLeft()) + text->position);
        painter->restore();
    }

    // The part of an unselected row (`row` as the view paints it) in which painting it with its
    // text differs from painting it with `before`: the boxes of the glyphs that differ in either,
    // or where they stand. Empty when no pixel differs; none when the row is not painted here.
    std::optional<QRect> ChangedPart(QStyleOptionViewItem row, const QModelIndex& index,
                                     const QString& before) const {
        initStyleOption(&row, index);
        const QStyle& style = StyleOf(row);
        const LaidOutText* now = FastText(row, style);
        QStyleOptionViewItem earlier = row;
        earlier.text = displayText(before, row.locale);
        const LaidOutText* was = FastText(earlier, style);
        if (now == nullptr || was == nullptr || now->position != was->position) {
            return std::nullopt;
        }
        const std::vector<Glyph>& a = was->glyphs;
        const std::vector<Glyph>& b = now->glyphs;
        std::size_t same = 0;  // glyphs alike from the start
        while (same < a.size() && same < b.size() && a[same] == b[same]) ++same;
        std::size_t sameAtEnd = 0;
        while (sameAtEnd < a.size() - same && sameAtEnd < b.size() - same &&
               a[a.size() - 1 - sameAtEnd] == b[b.size() - 1 - sameAtEnd]) {
            ++sameAtEnd;
        }
        QRectF changed;
        for (std::size_t i = same; i < a.size() - sameAtEnd; ++i) changed |= a[i].ink;
        for (std::size_t i = same; i < b.size() - sameAtEnd; ++i) changed |= b[i].ink;
        if (changed.isNull()) return QRect();
        // A pixel of margin for the edges antialiasing touches, and one for rounding.
        const QRect inRow =
            changed.toAlignedRect()
                .adjusted(-2, -2, 2, 2)
                .translated((QPointF(row.rect.topLeft()) + now->position).toPoint());
        return inRow & row.rect;
    }

  private:
    // A glyph of a laid out text, where it stands in the text and the box of its ink there.
    struct Glyph {
        QRawFont font;
        quint32 index = 0;
        QPointF position;
        QRectF ink;
        bool operator==(const Glyph& other) const {
            return index == other.index && position == other.position && font == other.font;
        }
    };

    struct LaidOutText {
        QTextLayout layout;
        bool drawable = false;  // on one line that fits: otherwise the style draws the row
        QPointF position;       // where it is drawn, from the row's top left corner
        std::vector<Glyph> glyphs;
    };

    static constexpr int kKept = 64;  // texts, and sizes, kept

    static const QStyle& StyleOf(const QStyleOptionViewItem& row) {
        return row.widget != nullptr ? *row.widget->style() : *QApplication::style();
    }

    static bool IsFusion(const QStyle& style) {
        return style.name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0;
    }

    static bool IsPlain(const QStyleOptionViewItem& row) {
        constexpr auto kOwnDrawing = QStyleOptionViewItem::WrapText |
                                     QStyleOptionViewItem::HasCheckIndicator |
                                     QStyleOptionViewItem::HasDecoration;
        return (row.features & QStyleOptionViewItem::HasDisplay) != 0 &&
               (row.features & kOwnDrawing) == 0;
    }

    // The text of a row (after initStyleOption) as this painter draws it; null when the style
    // draws the row.
    const LaidOutText* FastText(const QStyleOptionViewItem& row, const QStyle& style) const {
        if (!IsPlain(row) || (row.state & (QStyle::State_HasFocus | QStyle::State_Editing)) != 0 ||
            !IsFusion(style)) {
            return nullptr;
        }
        return TextOf(row, style);
    }

    // The row's text laid out and placed as the style does it; null when the style would have
    // to do more (elide it, or draw it on more lines than one).
    const LaidOutText* TextOf(const QStyleOptionViewItem& row, const QStyle& style) const {
        const RowKey key(row, style, row.rect.size());
        if (const LaidOutText* kept = texts_.object(key)) return kept->drawable ? kept : nullptr;

        // The room the style gives the text in the row, less its margins.
        const QRect room = style.subElementRect(QStyle::SE_ItemViewItemText, &row, row.widget);
        const int margin = style.pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, row.widget) + 1;
        const QRect textRect = room.adjusted(margin, 0, -margin, 0);

        auto text = std::make_unique<LaidOutText>();
        QTextOption textOption;
        textOption.setWrapMode(QTextOption::ManualWrap);
        textOption.setTextDirection(row.direction);
        textOption.setAlignment(QStyle::visualAlignment(row.direction, row.displayAlignment));
        text->layout.setText(row.text);
        text->layout.setFont(row.font);
        text->layout.setTextOption(textOption);
        text->layout.setCacheEnabled(true);  // keeps the shaped glyphs for every later drawing
        text->layout.beginLayout();
        QTextLine line = text->layout.createLine();
        text->drawable = line.isValid();
        if (text->drawable) {
            line.setLineWidth(textRect.width());
            line.setPosition(QPointF(0, 0));
            text->drawable = line.naturalTextWidth() <= textRect.width();
        }
        text->drawable = text->drawable && !text->layout.createLine().isValid();
        text->layout.endLayout();
        if (text->drawable) {
            const QRect placed =
                QStyle::alignedRect(Qt::LayoutDirectionAuto, row.displayAlignment,
                                    text->layout.boundingRect().size().toSize(), textRect);
            text->position = QPointF(textRect.x(), placed.top()) - QPointF(row.rect.topLeft());
            for (const QGlyphRun& run : text->layout.glyphRuns()) {
                const QRawFont font = run.rawFont();
                const QList<quint32> indexes = run.glyphIndexes();
                const QList<QPointF> positions = run.positions();
                for (qsizetype i = 0; i < indexes.size(); ++i) {
                    text->glyphs.push_back(
                        {font, indexes[i], positions[i],
                         font.boundingRect(indexes[i]).translated(positions[i])});
                }
            }
        }
        const LaidOutText* kept = text->drawable ? text.get() : nullptr;
        texts_.insert(key, text.release());
        return kept;
    }

    mutable QCache<RowKey, QSize> sizes_{kKept};
    mutable QCache<RowKey, LaidOutText> texts_{kKept};
};

LineList::LineList(QWidget* parent) : QListWidget(parent), rows_(new RowPainter(this)) {
    setItemDelegate(rows_);
}

LineList::~LineList() = default;

void LineList::ShowLines(const std::vector<std::string>& lines) {
    const int count = static_cast<int>(lines.size());
    bool same = this->count() == count;
    for (int i = 0; same && i < count; ++i) {
        same = item(i)->text() == ToQ(lines[static_cast<std::size_t>(i)]);
    }
    if (same) return;
    // Nothing paints before the event loop runs again, so the changes need no holding back
    // (holding painting with setUpdatesEnabled would repaint the whole list with its frame and
    // the group behind it when released).
    const int scroll = verticalScrollBar()->value();
    for (int i = 0; i < std::min(this->count(), count); ++i) {
        const QString text = ToQ(lines[static_cast<std::size_t>(i)]);
        if (item(i)->text() != text) RewriteRow(i, text);
    }
    while (this->count() > count) delete takeItem(this->count() - 1);
    QStringList missing;
    for (int i = this->count(); i < count; ++i) missing << ToQ(lines[static_cast<std::size_t>(i)]);
    if (!missing.isEmpty()) addItems(missing);
    // Lays the rows out now if a change asked for it, so that they paint in one pass with the
    // changed rows instead of in a second one.
    executeDelayedItemsLayout();
    verticalScrollBar()->setValue(scroll);
}

void LineList::RewriteRow(int row, const QString& text) {
    QListWidgetItem* rewritten = item(row);
    Rewrite& rewrite = rewrite_.emplace();
    rewrite.row = indexFromItem(rewritten);
    rewrite.before = rewritten->text();
    initViewItemOption(&rewrite.view);
    rewrite.height = rows_->sizeHint(rewrite.view, rewrite.row).height();
    rewritten->setText(text);
    rewrite_.reset();
}

void LineList::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                           const QList<int>& roles) {
    if (topLeft == bottomRight && rewrite_ && topLeft == rewrite_->row && KeepsLayout()) {
        // Repaints that row, or the part of it that changed: the view asks for the row's place
        // to paint it again, and is told that part.
        changedPart_ = ChangedPart();
        QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
        changedPart_.reset();
    } else {
        QListWidget::dataChanged(topLeft, bottomRight, roles);  // lays all rows out again
    }
}

QRect LineList::visualRect(const QModelIndex& index) const {
    if (changedPart_ && rewrite_ && index == rewrite_->row) return *changedPart_;
    return QListWidget::visualRect(index);
}

// The rewritten row keeps its height, and it fits the list's width as every row does.
bool LineList::KeepsLayout() const {
    if (horizontalScrollBar()->maximum() > 0) return false;
    const QSize size = rows_->sizeHint(rewrite_->view, rewrite_->row);
    return size.height() == rewrite_->height && size.width() <= viewport()->width() - 2 * spacing();
}

// Only a row that is neither chosen nor current: the style may draw those around their text.
std::optional<QRect> LineList::ChangedPart() const {
    const QModelIndex& index = rewrite_->row;
    if (index == currentIndex() || selectionModel()->isSelected(index)) return std::nullopt;
    // The row as paintEvent hands it to the painter.
    QStyleOptionViewItem row = rewrite_->view;
    row.rect = visualRect(index);
    if (flow() == TopToBottom) {
        row.rect.setWidth(
            std::min(std::max(viewport()->width(), contentsSize().width()) - 2 * spacing(),
                     row.rect.width()));
    }
    return rows_->ChangedPart(row, index, rewrite_->before);
}

void LineList::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        rows_->Forget();
    }
    QListWidget::changeEvent(event);
}

}  // namespace corvane::fw
