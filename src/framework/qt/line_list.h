#pragma once

#include <QListWidget>
#include <QStyleOptionViewItem>
#include <optional>
#include <string>
#include <vector>

namespace corvane::fw {

class RowPainter;

// The widget of a list box: rows of text. The lines of this program change often (the System
// Messages line turns its spinner on every tick), so the list keeps the cost of a change to what
// changed:
// - ShowLines brings the rows to new lines in one update: rows whose text differs are rewritten
//   in place, surplus rows go from the end and missing rows are appended together. A list that
//   already shows the lines is not touched at all; otherwise the scroll position is kept.
// - QListView lays all rows out again after any change of a row, and that repaints the whole
//   list. A row rewritten in place that keeps its height, while every row fits the list's width
//   (no horizontal scrolling) and so does the new text, leaves that layout as it is: then only
//   that row is painted again, and of an unselected row only the part where glyphs differ
//   between the old text and the new (the spinner, not the message before it).
// - The rows are measured and painted by a RowPainter, which keeps the texts it has laid out, so
//   a text seen before (the spinner's four turns) is neither shaped nor measured again.
class LineList : public QListWidget {
  public:
    explicit LineList(QWidget* parent = nullptr);
    ~LineList() override;

    void ShowLines(const std::vector<std::string>& lines);

    QRect visualRect(const QModelIndex& index) const override;

  protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles) override;
    void changeEvent(QEvent* event) override;

  private:
    // A row being rewritten in place: which, its text and height before, and the view's options
    // for its rows (made once for all that the rewrite asks of the row painter).
    struct Rewrite {
        QModelIndex row;
        QString before;
        int height = 0;
        QStyleOptionViewItem view;
    };

    void RewriteRow(int row, const QString& text);
    bool KeepsLayout() const;
    std::optional<QRect> ChangedPart() const;

    RowPainter* rows_;                  // owned by the list, as its item delegate
    std::optional<Rewrite> rewrite_;    // while RewriteRow runs
    std::optional<QRect> changedPart_;  // while the rewritten row asks to be painted again
};

}  // namespace corvane::fw
