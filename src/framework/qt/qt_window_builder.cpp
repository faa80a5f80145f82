#include "framework/qt/qt_window_builder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextCursor>
#include <QTimer>
#include <QValidator>
#include <algorithm>

#include "framework/qt/group_box.h"
#include "framework/qt/line_list.h"
#include "framework/qt/qt_chart_widget.h"
#include "framework/qt/slot_guard.h"

namespace corvane::fw {
namespace {

QString ToQ(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}
QString ToQ(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}
std::string FromQ(const QString& text) {
    return text.toUtf8().toStdString();
}

// The application's icon, drawn: a sensor probe in a blue disc.
QPixmap ProbeIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(30, 90, 160));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(1, 1, size - 2, size - 2);
    painter.setBrush(QColor(235, 240, 245));
    painter.drawRoundedRect(size * 4 / 10, size / 6, size / 5, size * 6 / 10, 3, 3);
    painter.drawEllipse(size * 3 / 10, size * 2 / 3, size * 2 / 5, size / 5);
    return pixmap;
}

// Whether a caption marks an access key: an '&' that is not the first of "&&".
bool HasAccessKey(std::string_view caption) {
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (i + 1 < caption.size() && caption[i + 1] == '&') {
            ++i;
            continue;
        }
        return true;
    }
    return false;
}

// The character rules of an edit's template, applied as the operator types: a digits-only edit
// refuses any other character, an upper-case edit turns letters to capitals. The length limit is
// the line edit's own maximum length, kept from the model.
class TemplateCharacters : public QValidator {
  public:
    TemplateCharacters(bool digitsOnly, bool upperCase, QObject* parent)
        : QValidator(parent), digitsOnly_(digitsOnly), upperCase_(upperCase) {}

    State validate(QString& input, int& /*position*/) const override {
        if (digitsOnly_) {
            for (const QChar c : input) {
                if (c < QLatin1Char('0') || c > QLatin1Char('9')) return Invalid;
            }
        }
        if (upperCase_) input = input.toUpper();
        return Acceptable;
    }

  private:
    bool digitsOnly_;
    bool upperCase_;
};

// An edit that takes the focus with its window (the window opening, or active again after a
// box) or by a key has its text selected, as a dialog selects it, so what the operator types
// replaces a start text such as the login's instead of running into it. A click places the
// cursor where it lands, as always.
class SelectOnKeyboardFocus : public QObject {
  public:
    explicit SelectOnKeyboardFocus(QLineEdit* edit) : QObject(edit), edit_(edit) {
        edit->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != edit_ || event->type() != QEvent::FocusIn) return false;
        switch (static_cast<QFocusEvent*>(event)->reason()) {
            case Qt::ActiveWindowFocusReason:
            case Qt::TabFocusReason:
            case Qt::BacktabFocusReason:
            case Qt::ShortcutFocusReason: {
                QLineEdit* edit = edit_;
                // After the line edit's own focus handling, which may place the cursor.
                QTimer::singleShot(0, edit, [edit] {
                    if (edit->hasFocus() && !edit->isReadOnly()) edit->selectAll();
                });
                break;
            }
            default: break;
        }
        return false;
    }

  private:
    QLineEdit* edit_;
};

// A line edit's maximum length: the model's limit, or the length of a longer text the program
// itself put there (so the box shows all of what the model holds). Qt's default when unlimited.
int MaxLengthFor(int limit, const QString& shown) {
    if (limit <= 0) return 32767;
    return std::max(limit, static_cast<int>(shown.size()));
}

QGridLayout* GridOf(QWidget* container) {
    if (auto* grid = qobject_cast<QGridLayout*>(container->layout())) return grid;
    auto* grid = new QGridLayout(container);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    return grid;
}

}  // namespace

QSize DialogUnitsToPixels(const QWidget& widget, int width, int height) {
    const QFontMetrics metrics(widget.font());
    const int baseX = metrics.averageCharWidth();
    const int baseY = metrics.height();
    return QSize(width * baseX / 4, height * baseY / 8);
}

QtWindowBuilder::QtWindowBuilder(WindowModel& model, QWidget& container) : model_(model) {
    widgets_[0] = &container;
    const auto& controls = model_.Template().controls;
    // Groups first, so that their members find their container.
    for (const auto& control : controls) {
        if (control.kind == ControlKind::Group) {
            QWidget* parent =
                widgets_.count(control.parent) ? widgets_[control.parent] : &container;
            widgets_[control.id] = Create(control, parent);
        }
    }
    for (const auto& control : controls) {
        if (control.kind == ControlKind::Group) continue;
        QWidget* parent = widgets_.count(control.parent) ? widgets_[control.parent] : &container;
        QWidget* widget = Create(control, parent);
        widgets_[control.id] = widget;
        Connect(control, widget);
    }
    widgets_.erase(0);
    // A label with an access key ("&Baud Rate") hands the focus to the control that follows it
    // in its container, as dialog labels do; without that buddy the '&' would show as it is.
    for (std::size_t i = 0; i + 1 < controls.size(); ++i) {
        const ControlTemplate& label = controls[i];
        if (label.kind != ControlKind::Static || !HasAccessKey(label.caption)) continue;
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            if (controls[j].parent != label.parent) continue;
            static_cast<QLabel*>(widgets_[label.id])->setBuddy(widgets_[controls[j].id]);
            break;
        }
    }
    for (const auto& [id, widget] : widgets_) Refresh(id);
    model_.SetChangeObserver([this](int id) { Refresh(id); });
}

QtWindowBuilder::~QtWindowBuilder() {
    model_.SetChangeObserver(nullptr);
}

QWidget* QtWindowBuilder::WidgetFor(int id) const {
    const auto found = widgets_.find(id);
    return found == widgets_.end() ? nullptr : found->second;
}

int QtWindowBuilder::IdOf(const QWidget* widget) const {
    for (const auto& [id, candidate] : widgets_) {
        if (candidate == widget || (candidate != nullptr && candidate->isAncestorOf(widget) &&
                                    model_.KindOf(id) == ControlKind::DropDown)) {
            return id;
        }
    }
    return 0;
}

QWidget* QtWindowBuilder::Create(const ControlTemplate& control, QWidget* parent) {
    QWidget* widget = nullptr;
    const QString caption = ToQ(control.caption);
    switch (control.kind) {
        case ControlKind::Static: {
            // A label shows its text as text: a serial number "<h1>X" is never a heading.
            auto* label = new QLabel(parent);
            label->setTextFormat(Qt::PlainText);
            label->setText(caption);
            widget = label;
            break;
        }
        case ControlKind::Group: {
            auto* group = new GroupBox(caption, parent);
            GridOf(group);
            widget = group;
            break;
        }
        case ControlKind::Edit:
            if (control.Has(style::kMultiLine)) {
                auto* text = new QPlainTextEdit(parent);
                // Tab leaves the box as it leaves every other control of the window.
                text->setTabChangesFocus(true);
                widget = text;
            } else {
                auto* edit = new QLineEdit(parent);
                if (control.Has(style::kPassword)) edit->setEchoMode(QLineEdit::Password);
                new SelectOnKeyboardFocus(edit);
                if (control.Has(style::kDigitsOnly) || control.Has(style::kUpperCase)) {
                    edit->setValidator(new TemplateCharacters(
                        control.Has(style::kDigitsOnly), control.Has(style::kUpperCase), edit));
                }
                if (control.Has(style::kBorderless)) {
                    edit->setFrame(false);
                    edit->setStyleSheet("background: transparent;");
                }
                widget = edit;
            }
            break;
        case ControlKind::Button: {
            auto* button = new QPushButton(caption, parent);
            button->setAutoDefault(false);
            button->setDefault(control.Has(style::kDefaultButton));
            widget = button;
            break;
        }
        case ControlKind::CheckBox: widget = new QCheckBox(caption, parent); break;
        case ControlKind::Radio: {
            auto* radio = new QRadioButton(caption, parent);
            radio->setAutoExclusive(false);  // the model keeps the group
            widget = radio;
            break;
        }
        case ControlKind::ListBox: widget = new LineList(parent); break;
        case ControlKind::DropDown: widget = new QComboBox(parent); break;
        case ControlKind::ProgressBar: widget = new QProgressBar(parent); break;
        case ControlKind::Icon: {
            auto* label = new QLabel(parent);
            label->setPixmap(ProbeIcon(32));
            widget = label;
            break;
        }
        case ControlKind::Chart: widget = CreateChartWidget(parent); break;
    }
    widget->setObjectName(QString::number(control.id));
    if (control.widthChars > 0) {
        widget->setMinimumWidth(widget->fontMetrics().averageCharWidth() * control.widthChars + 12);
    }
    GridOf(parent)->addWidget(widget, control.row, control.column, control.rowSpan,
                              control.columnSpan);
    return widget;
}

// The operator's input goes to the model, whose notifications run the window's handlers: each
// goes through RunGuarded, so no exception of a handler crosses Qt's signal delivery.
void QtWindowBuilder::Connect(const ControlTemplate& control, QWidget* widget) {
    const int id = control.id;
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        // After the model has taken what was typed the box shows what the model holds: a text
        // the model cut or refused never stays on screen.
        QObject::connect(edit, &QLineEdit::textEdited, &connections_,
                         [this, id](const QString& text) {
                             RunGuarded("typing", [&] { model_.UserType(id, FromQ(text)); });
                             Refresh(id);
                         });
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
        QObject::connect(text, &QPlainTextEdit::textChanged, &connections_, [this, id, text] {
            if (refreshing_) return;
            RunGuarded("typing", [&] { model_.UserType(id, FromQ(text->toPlainText())); });
            Refresh(id);
        });
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        QObject::connect(button, &QAbstractButton::clicked, &connections_,
                         [this, id] { RunGuarded("a click", [&] { model_.UserClick(id); }); });
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
        QObject::connect(list, &QListWidget::currentRowChanged, &connections_, [this, id](int row) {
            if (refreshing_) return;
            RunGuarded("a list choice", [&] { model_.UserSelect(id, row); });
        });
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        QObject::connect(combo, QOverload<int>::of(&QComboBox::activated), &connections_,
                         [this, id](int index) {
                             RunGuarded("a list choice", [&] { model_.UserSelect(id, index); });
                         });
    }
}

void QtWindowBuilder::Refresh(int id) {
    QWidget* widget = WidgetFor(id);
    if (widget == nullptr || refreshing_) return;
    refreshing_ = true;
    const ControlKind kind = model_.KindOf(id);
    widget->setEnabled(model_.IsEnabled(id));
    switch (kind) {
        case ControlKind::Static:
            static_cast<QLabel*>(widget)->setText(ToQ(model_.Text(id)));
            break;
        case ControlKind::Group:
            static_cast<QGroupBox*>(widget)->setTitle(ToQ(model_.Text(id)));
            break;
        case ControlKind::Edit:
            if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
                const QString text = ToQ(model_.Text(id));
                // Only when it changes: setting the maximum sets the text again, which would drop
                // the selection the operator is about to type over.
                const int maxLength = MaxLengthFor(model_.Limit(id), text);
                if (edit->maxLength() != maxLength) edit->setMaxLength(maxLength);
                if (edit->text() != text) {
                    // A selected text stays selected when the program replaces it, so what the
                    // operator types next still replaces it.
                    const bool allSelected =
                        !edit->text().isEmpty() && edit->selectedText() == edit->text();
                    const int cursor = edit->cursorPosition();
                    edit->setText(text);
                    edit->setCursorPosition(std::min(cursor, static_cast<int>(text.size())));
                    if (allSelected) edit->selectAll();
                }
                edit->setReadOnly(model_.IsReadOnly(id));
            } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
                const QString text = ToQ(model_.Text(id));
                if (plain->toPlainText() != text) {
                    const int cursor = plain->textCursor().position();
                    plain->setPlainText(text);
                    QTextCursor moved = plain->textCursor();
                    moved.setPosition(std::min(cursor, static_cast<int>(text.size())));
                    plain->setTextCursor(moved);
                }
                plain->setReadOnly(model_.IsReadOnly(id));
            }
            break;
        case ControlKind::Button:
            static_cast<QPushButton*>(widget)->setText(ToQ(model_.Text(id)));
            break;
        case ControlKind::CheckBox:
        case ControlKind::Radio:
            static_cast<QAbstractButton*>(widget)->setChecked(model_.Check(id) != 0);
            break;
        case ControlKind::ListBox: {
            auto* list = static_cast<LineList*>(widget);
            list->ShowLines(model_.ListItems(id));
            if (list->currentRow() != model_.ListSelection(id)) {
                list->setCurrentRow(model_.ListSelection(id));
            }
            break;
        }
        case ControlKind::DropDown: {
            auto* combo = static_cast<QComboBox*>(widget);
            const auto& items = model_.ListItems(id);
            // The entries may change without their number changing (a serial adapter swapped).
            bool same = combo->count() == static_cast<int>(items.size());
            for (int i = 0; same && i < combo->count(); ++i) {
                same = combo->itemText(i) == ToQ(items[static_cast<std::size_t>(i)]);
            }
            if (!same) {
                combo->clear();
                for (const auto& item : items) combo->addItem(ToQ(item));
            }
            combo->setCurrentIndex(model_.ListSelection(id));
            break;
        }
        case ControlKind::ProgressBar:
            static_cast<QProgressBar*>(widget)->setValue(model_.Progress(id));
            break;
        case ControlKind::Icon: break;
        case ControlKind::Chart: ShowChart(widget, model_.Chart(id)); break;
    }
    if (model_.Focus() == id && !widget->hasFocus() && widget->isVisible()) {
        widget->setFocus(Qt::OtherFocusReason);
        // As a dialog does when it moves the focus to an edit: the text is selected, so what is
        // typed next replaces it instead of running into it.
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->selectAll();
    }
    refreshing_ = false;
}

}  // namespace corvane::fw
