#include "framework/qt/qt_host.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <QApplication>
#include <QCloseEvent>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpacerItem>
#include <QTabBar>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <clocale>

#include "framework/dialog.h"
#include "framework/property_sheet.h"
#include "framework/qt/qt_window_builder.h"
#include "framework/qt/slot_guard.h"

namespace corvane::fw {
namespace {

QString ToQ(const std::string& text) {
    return QString::fromUtf8(text.c_str());
}

// A message box is at least as wide as its caption needs, so that the title bar can show the
// caption whole (the box is otherwise as narrow as its text): a spacer across the box's grid.
void FitCaption(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) return;
    QFont title = box.font();
    title.setBold(true);
    const int wanted = QFontMetrics(title).horizontalAdvance(box.windowTitle()) + 120;
    grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

class QtTimer : public Timer {
  public:
    explicit QtTimer(std::function<void()> onTick) {
        QObject::connect(&timer_, &QTimer::timeout, &timer_,
                         [onTick = std::move(onTick)] { RunGuarded("a timer", onTick); });
    }
    void Start(int periodMs) override { timer_.start(periodMs); }
    void Stop() override { timer_.stop(); }
    bool Running() const override { return timer_.isActive(); }

  private:
    QTimer timer_;
};

// A top-level window whose Enter, Escape and close box go to the framework's handlers (the
// dialog's OK and Cancel, or the sheet's), not to Qt's default buttons; F1 opens the help at the
// window's section (the sheet's: at the page in view).
class RoutedDialog : public QDialog {
  public:
    RoutedDialog(QWidget* parent, std::function<void()> onEnter, std::function<void()> onEscape,
                 std::function<void()> onHelp)
        : QDialog(parent),
          onEnter_(std::move(onEnter)),
          onEscape_(std::move(onEscape)),
          onHelp_(std::move(onHelp)) {}

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            // Enter presses the push button that has the focus; only when the focus is on some
            // other control does it go to the window's default action (its OK).
            if (auto* button = qobject_cast<QPushButton*>(focusWidget());
                button != nullptr && button->isEnabled() && button->window() == this) {
                button->click();
                return;
            }
            RunGuarded("the Enter key", onEnter_);
        } else if (event->key() == Qt::Key_Escape) {
            RunGuarded("the Escape key", onEscape_);
        } else if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
            RunGuarded("the F1 key", onHelp_);
        } else {
            QDialog::keyPressEvent(event);
        }
    }
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        RunGuarded("the close box", onEscape_);
    }

  private:
    std::function<void()> onEnter_;
    std::function<void()> onEscape_;
    std::function<void()> onHelp_;
};

// Shows a box or file dialog as the modal window of the whole program, on top, with the keyboard.
void ShowModalOnTop(QWidget& window) {
    window.setWindowModality(Qt::ApplicationModal);
    window.show();
    window.raise();
    window.activateWindow();
}

// A window that closes hands the boxes and file dialogs open on it to the window below it (or
// to none), so that they stay open: a handler commonly raises a box and ends its own window in
// the same step, and the box is the program's, not the window's.
void HandOverBoxes(QWidget& closing) {
    for (auto* child : closing.findChildren<QDialog*>(Qt::FindDirectChildrenOnly)) {
        if (qobject_cast<QMessageBox*>(child) == nullptr &&
            qobject_cast<QFileDialog*>(child) == nullptr) {
            continue;
        }
        const bool shown = child->isVisible();
        child->setParent(closing.parentWidget(), child->windowFlags());
        if (shown) ShowModalOnTop(*child);
    }
}

// The contents of a window in a scroll area that asks for the contents' whole size, so that the
// window opens showing all of them, yet lets the window be smaller than that: on a small screen
// (or at a large scale factor) the window fits the screen and the contents scroll, with every
// control in reach. Where there is room, nothing scrolls and nothing looks different.
class ContentScroller : public QScrollArea {
  public:
    explicit ContentScroller(QWidget* contents) {
        setFrameShape(QFrame::NoFrame);
        setFocusPolicy(Qt::NoFocus);  // the keyboard goes to the controls, as before
        setWidgetResizable(true);
        setWidget(contents);
        viewport()->setAutoFillBackground(false);
        contents->setAutoFillBackground(false);
    }
    QSize sizeHint() const override {
        const QSize whole = widget()->minimumSizeHint().expandedTo(widget()->minimumSize());
        return whole.expandedTo(widget()->sizeHint().boundedTo(whole));
    }
    QSize minimumSizeHint() const override {
        const int line = fontMetrics().height();
        return QSize(16 * line, 8 * line).boundedTo(sizeHint());
    }
};

// Sizes a top-level window to what it asks for, within the screen's area for windows (less the
// window manager's frame), and keeps it on the screen.
void FitToScreen(QWidget& window, QSize atLeast = QSize()) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const bool framed = window.isVisible() && window.frameGeometry().size() != window.size();
    const QSize frame = framed ? window.frameGeometry().size() - window.size() : QSize(12, 40);
    const QSize room = (area.size() - frame).expandedTo(QSize(1, 1));
    window.setMinimumSize(window.minimumSize().boundedTo(room));
    window.resize(window.sizeHint().expandedTo(atLeast).expandedTo(window.size()).boundedTo(room));
    if (!window.isVisible()) return;
    QRect placed = window.frameGeometry();
    placed.moveRight(std::min(placed.right(), area.right()));
    placed.moveBottom(std::min(placed.bottom(), area.bottom()));
    placed.moveLeft(std::max(placed.left(), area.left()));
    placed.moveTop(std::max(placed.top(), area.top()));
    window.move(placed.topLeft());
}

// Reports to a window that Qt showed it again or activated it again (as when a window on top of
// it closes), so that the window paints again. It only reports: the window's paint handler runs
// after Qt's event handling, never inside it.
class ExposeWatcher : public QObject {
  public:
    ExposeWatcher(QWidget& watched, Dialog& window) : QObject(&watched), window_(window) {
        watched.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate) {
            RunGuarded("a window shown again", [this] { window_.OnExposed(); });
        }
        return false;
    }

  private:
    Dialog& window_;
};

// A dialog's window. A modal one with a parent blocks the rest of the program while it is open;
// a modeless one stays on top of its parent and blocks nothing. (Its parent being the top-level
// window that is modal at the time, such as the property sheet, keeps it out of that window's
// block.)
class QtDialogView : public WindowView {
  public:
    QtDialogView(QtHost& host, Dialog& dialog, WindowModel& controls, QWidget* parent,
                 bool modal = true)
        : host_(host),
          window_(new RoutedDialog(
              parent, [&dialog] { dialog.PressEnter(); }, [&dialog] { dialog.PressCloseBox(); },
              [&dialog] { dialog.PressHelp(); })) {
        window_->setWindowTitle(ToQ(std::string(dialog.Template().caption)));
        auto* contents = new QWidget;
        builder_ = std::make_unique<QtWindowBuilder>(controls, *contents);
        host_.AddBuilder(builder_.get());
        // The template's size, or more where the laid-out controls need it.
        contents->setMinimumSize(
            DialogUnitsToPixels(*contents, dialog.Template().width, dialog.Template().height)
                .expandedTo(contents->layout()->minimumSize()));
        auto* layout = new QVBoxLayout(window_);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new ContentScroller(contents));
        FitToScreen(*window_);
        if (parent != nullptr && modal) window_->setWindowModality(Qt::ApplicationModal);
        watcher_ = new ExposeWatcher(*window_, dialog);
    }
    ~QtDialogView() override { Close(); }
    void Show() override {
        window_->show();
        window_->raise();
        window_->activateWindow();
    }
    void Close() override {
        delete watcher_;  // the window is not told of anything once it has closed
        if (builder_) host_.RemoveBuilder(builder_.get());
        builder_.reset();
        if (!window_) return;
        HandOverBoxes(*window_);
        window_->hide();
        window_->deleteLater();
        window_ = nullptr;
    }
    QWidget* Widget() const { return window_; }

  private:
    QtHost& host_;
    QPointer<QDialog> window_;  // null once Qt has deleted it with its parent
    QPointer<ExposeWatcher> watcher_;
    std::unique_ptr<QtWindowBuilder> builder_;
};

class QtSheetView : public SheetView {
  public:
    QtSheetView(PropertySheet& sheet, QWidget* parent)
        : sheet_(sheet),
          window_(new RoutedDialog(
              parent, [&sheet] { sheet.PressOK(); }, [&sheet] { sheet.PressCancel(); },
              [&sheet] { sheet.PressHelp(); })) {
        window_->setWindowTitle(ToQ(sheet.Caption()));
        window_->setWindowModality(Qt::ApplicationModal);
        auto* layout = new QVBoxLayout(window_);
        tabs_ = new QTabWidget(window_);
        for (int i = 0; i < sheet.PageCount(); ++i) {
            auto* placeholder = new QWidget;
            tabs_->addTab(new ContentScroller(placeholder),
                          ToQ(std::string(sheet.Page(i).Caption())));
            pageHosts_.push_back(placeholder);
        }
        layout->addWidget(tabs_);
        auto* buttons = new QDialogButtonBox(window_);
        auto* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
        auto* cancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
        apply_ = buttons->addButton("&Apply", QDialogButtonBox::ApplyRole);
        apply_->setEnabled(false);
        for (QPushButton* b : {ok, cancel, apply_}) b->setAutoDefault(false);
        QObject::connect(ok, &QPushButton::clicked, window_,
                         [this] { RunGuarded("the sheet's OK", [this] { sheet_.PressOK(); }); });
        QObject::connect(cancel, &QPushButton::clicked, window_, [this] {
            RunGuarded("the sheet's Cancel", [this] { sheet_.PressCancel(); });
        });
        QObject::connect(apply_, &QPushButton::clicked, window_, [this] {
            RunGuarded("the sheet's Apply", [this] { sheet_.PressApply(); });
        });
        layout->addWidget(buttons);
        QObject::connect(tabs_, &QTabWidget::currentChanged, window_, [this](int index) {
            if (switching_ || index == sheet_.ActiveIndex()) return;
            RunGuarded("a tab change", [this, index] {
                if (!sheet_.SetActivePage(index)) ActivePageChanged(sheet_.ActiveIndex());
            });
        });
    }
    ~QtSheetView() override { Close(); }
    void Show() override {
        FitToScreen(*window_, WithEveryTab());
        window_->show();
        window_->raise();
    }
    // A page made for the first time may need more room than the pages before it: the sheet
    // grows to take it, as far as the screen allows. (The scroll area around the page does not
    // pass the page's new size on by itself.)
    // It is measured once it shows, after the page's initialisation.
    void PageCreated(int index) {
        if (!window_) return;
        QTimer::singleShot(0, &lifetime_, [this, index] {
            if (!window_) return;
            if (QWidget* scroller = tabs_->widget(index)) scroller->updateGeometry();
            tabs_->updateGeometry();
            window_->layout()->invalidate();
            window_->layout()->activate();
            FitToScreen(*window_, WithEveryTab());
        });
    }
    // Wide enough for every tab to show, where the screen allows.
    QSize WithEveryTab() const {
        const int margins = window_->width() - tabs_->width();
        return QSize(tabs_->tabBar()->sizeHint().width() + std::max(margins, 24) + 8, 0);
    }
    void Close() override {
        if (!window_) return;
        HandOverBoxes(*window_);
        window_->hide();
        window_->deleteLater();
        window_ = nullptr;
    }
    void ActivePageChanged(int index) override {
        switching_ = true;
        tabs_->setCurrentIndex(index);
        switching_ = false;
    }
    void ApplyEnabledChanged(bool enabled) override { apply_->setEnabled(enabled); }

    QWidget* PageHost(int index) const { return pageHosts_.at(static_cast<std::size_t>(index)); }
    QWidget* Widget() const { return window_; }

  private:
    PropertySheet& sheet_;
    QPointer<QDialog> window_;  // null once Qt has deleted it with its parent
    QTabWidget* tabs_ = nullptr;
    QPushButton* apply_ = nullptr;
    std::vector<QWidget*> pageHosts_;
    bool switching_ = false;
    QObject lifetime_;  // work posted for this view goes with it
};

class QtPageView : public WindowView {
  public:
    QtPageView(QtHost& host, QWidget& pageHost, Dialog& page, WindowModel& controls)
        : host_(host), widget_(new QWidget(&pageHost)) {
        auto* layout = pageHost.layout() ? pageHost.layout() : new QVBoxLayout(&pageHost);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(widget_);
        builder_ = std::make_unique<QtWindowBuilder>(controls, *widget_);
        host_.AddBuilder(builder_.get());
        widget_->setMinimumSize(
            DialogUnitsToPixels(*widget_, page.Template().width, page.Template().height)
                .expandedTo(widget_->layout()->minimumSize()));
        watcher_ = new ExposeWatcher(*widget_, page);
    }
    ~QtPageView() override { Close(); }
    void Show() override { widget_->show(); }
    QWidget* Widget() const { return widget_; }
    void Close() override {
        delete watcher_;
        if (builder_) host_.RemoveBuilder(builder_.get());
        builder_.reset();
        if (!widget_) return;
        widget_->deleteLater();
        widget_ = nullptr;
    }

  private:
    QtHost& host_;
    QPointer<QWidget> widget_;  // null once Qt has deleted it with its sheet
    QPointer<ExposeWatcher> watcher_;
    std::unique_ptr<QtWindowBuilder> builder_;
};

QMessageBox::Icon IconOf(Icon icon) {
    switch (icon) {
        case Icon::Information: return QMessageBox::Information;
        case Icon::Question: return QMessageBox::Question;
        case Icon::Exclamation: return QMessageBox::Warning;
        case Icon::Stop: return QMessageBox::Critical;
        case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

QString InstanceServerName(const std::string& title) {
    const QByteArray key = QByteArray::fromStdString(title) + qgetenv("USER");
    return "corvane-" +
           QString::fromLatin1(
               QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16));
}

}  // namespace

QString QtFileFilter(const std::string& filter) {
    QStringList entries;
    for (const auto& entry : ParseFileFilter(filter)) {
        QStringList patterns;
        for (const auto& pattern : entry.patterns) {
            patterns << (pattern == "*.*" ? QString("*") : ToQ(pattern));
        }
        QString description = ToQ(entry.description);
        const int paren = static_cast<int>(description.indexOf('('));
        if (paren > 0) description = description.left(paren).trimmed();
        entries << description + " (" + patterns.join(' ') + ")";
    }
    return entries.join(";;");
}

namespace {

// Icons and type names of the files a file dialog lists, told from the names alone. Qt's own
// provider reads a file whose name says nothing, to tell its type by its first bytes; a file
// that never gives bytes (a pipe, a device, /proc/kmsg) would hold the whole program, the link
// with it.
class NameOnlyIconProvider : public QFileIconProvider {
  public:
    QIcon icon(const QFileInfo& info) const override {
        return QFileIconProvider::icon(info.isDir() ? Folder : File);
    }
    using QFileIconProvider::icon;
    QString type(const QFileInfo& info) const override {
        if (info.isDir()) return QStringLiteral("Folder");
        if (!info.isFile()) return QStringLiteral("Special file");
        return QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension).comment();
    }
};

}  // namespace

void SetUpFileDialog(QFileDialog& dialog, const FileDialogRequest& request) {
    static NameOnlyIconProvider namesOnly;
    dialog.setIconProvider(&namesOnly);
    dialog.setNameFilter(QtFileFilter(request.filter));
    // The patterns show as the file types are written ("*.QCF") and match names in either case
    // ("setup.qcf" too), as on the system the files come from.
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // A name typed without its extension gets the file type's, when opening too.
    dialog.setDefaultSuffix(ToQ(request.defaultExtension));
    if (request.initialName.find('*') == std::string::npos) {
        dialog.selectFile(ToQ(request.initialName));
    }
}

QtHost::QtHost(std::string helpFile) : helpFile_(std::move(helpFile)) {
    std::setlocale(LC_NUMERIC, "C");
    QObject::connect(qApp, &QApplication::focusChanged, &context_, [this](QWidget*, QWidget* now) {
        RunGuarded("a focus change", [this, now] { OnFocusChanged(now); });
    });
}

QtHost::~QtHost() = default;

// Converting the system clock to local time asks the C library for the time zone, which checks
// the zone file every time; the link engine asks on every tick. The answer is kept for the rest
// of its second: a clock that reads another second is converted anew.
DateTime QtHost::Now() const {
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    if (second != nowSecond_) {
        const QDateTime now = QDateTime::fromSecsSinceEpoch(second);
        const QDate d = now.date();
        const QTime t = now.time();
        now_ = DateTime{d.year(),   d.month(),  d.day(),          t.hour(),
                        t.minute(), t.second(), d.dayOfWeek() % 7};
        nowSecond_ = second;
    }
    return now_;
}

std::chrono::system_clock::time_point QtHost::PreciseNow() const {
    return std::chrono::system_clock::now();
}

void QtHost::PlayBeep(Beep) {
    QApplication::beep();
}

// Boxes and file dialogs are windows of their own, modal to the whole program, that answer
// through their callback when they close; none runs an event loop of its own. (A nested loop
// would run the program's timers and posted work, and could close or delete the very window the
// box sits on, inside the box's call.) A box sits on the window active when it opens and passes
// to the window below when that one closes first (HandOverBoxes); a box destroyed unanswered
// answers as its close box would.
namespace {

Answer AnswerOf(Buttons buttons, QMessageBox::StandardButton pressed) {
    switch (buttons) {
        case Buttons::Ok: return Answer::Ok;
        case Buttons::YesNo: return pressed == QMessageBox::Yes ? Answer::Yes : Answer::No;
        case Buttons::YesNoCancel:
            if (pressed == QMessageBox::Yes) return Answer::Yes;
            if (pressed == QMessageBox::No) return Answer::No;
            return Answer::Cancel;
    }
    return Answer::Ok;
}

// How long after a box closes its owner checks that it has the keyboard.
constexpr int kRefocusMs = 150;

// The order in which a box was posted, kept on its window.
constexpr const char* kBoxNumber = "corvaneBoxNumber";

// The window a box or file dialog sits on: the active window, or, when that is itself a box or
// file dialog (which goes the moment it is answered or withdrawn), the window below it.
QWidget* BoxOwner() {
    QWidget* owner = QApplication::activeWindow();
    while (owner != nullptr && (qobject_cast<QMessageBox*>(owner) != nullptr ||
                                qobject_cast<QFileDialog*>(owner) != nullptr)) {
        owner = owner->parentWidget() != nullptr ? owner->parentWidget()->window() : nullptr;
    }
    return owner;
}

// Calls `onDone` once `window` is done, or `onGone` should it be destroyed unanswered; never
// both, never twice.
template <typename Window>
void AnswerOnce(Window* window, std::function<void(Window&)> onDone, std::function<void()> onGone) {
    auto answered = std::make_shared<bool>(false);
    QObject::connect(window, &QDialog::finished, window, [window, answered, onDone](int) {
        if (*answered) return;
        *answered = true;
        // The window the box sat on takes the keyboard again, as an owner does when its box
        // closes (a box handed over from a closed window would otherwise leave none active).
        if (QWidget* owner = window->parentWidget(); owner != nullptr && owner->isVisible()) {
            QPointer<QWidget> ownerWindow = owner->window();
            ownerWindow->activateWindow();
            // The window manager may hand the focus elsewhere as the box goes away: should no
            // window of the program have it a moment later, the owner asks again.
            QTimer::singleShot(kRefocusMs, ownerWindow, [ownerWindow] {
                if (ownerWindow && ownerWindow->isVisible() &&
                    QApplication::activeWindow() == nullptr) {
                    ownerWindow->activateWindow();
                }
            });
        }
        HandOverBoxes(*window);  // what was opened on it stays open
        onDone(*window);
        window->deleteLater();
    });
    QObject::connect(window, &QObject::destroyed, [answered, onGone] {
        if (*answered) return;
        *answered = true;
        onGone();
    });
}

}  // namespace

void QtHost::PostBox(BoxRequest box, std::function<void(Answer)> onAnswer) {
    const qulonglong number = ++boxesPosted_;
    QTimer::singleShot(
        0, &context_, [box = std::move(box), onAnswer = std::move(onAnswer), number] {
            auto* message = new QMessageBox(IconOf(box.icon), ToQ(box.caption), ToQ(box.text),
                                            QMessageBox::NoButton, BoxOwner());
            message->setTextFormat(Qt::PlainText);  // a box's text, whatever it holds, is text
            switch (box.buttons) {
                case Buttons::Ok: message->setStandardButtons(QMessageBox::Ok); break;
                case Buttons::YesNo:
                    message->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
                    break;
                case Buttons::YesNoCancel:
                    message->setStandardButtons(QMessageBox::Yes | QMessageBox::No |
                                                QMessageBox::Cancel);
                    break;
            }
            if (box.defaultNo) message->setDefaultButton(QMessageBox::No);
            FitCaption(*message);
            message->setProperty(kBoxNumber, number);
            const Buttons buttons = box.buttons;
            const auto deliver = [onAnswer](Answer answer) {
                if (onAnswer) RunGuarded("a message box answer", [&] { onAnswer(answer); });
            };
            AnswerOnce<QMessageBox>(
                message,
                [buttons, deliver](QMessageBox& done) {
                    deliver(AnswerOf(buttons, done.standardButton(done.clickedButton())));
                },
                [buttons, deliver] { deliver(AnswerOf(buttons, QMessageBox::NoButton)); });
            ShowModalOnTop(*message);
        });
}

// Only the boxes posted before the call go: one the same step posts afterwards (a new fault
// found while the port was opened again) stays.
void QtHost::WithdrawBoxes(const std::string& caption) {
    const QString title = ToQ(caption);
    const qulonglong postedBefore = boxesPosted_;
    // After the boxes already posted have been shown, so that none escapes.
    QTimer::singleShot(0, &context_, [title, postedBefore] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(window);
            if (box != nullptr && box->isVisible() && box->windowTitle() == title &&
                box->property(kBoxNumber).toULongLong() <= postedBefore) {
                box->accept();
            }
        }
    });
}

std::unique_ptr<Timer> QtHost::CreateTimer(std::function<void()> onTick) {
    return std::make_unique<QtTimer>(std::move(onTick));
}

void QtHost::Post(std::function<void()> action) {
    QTimer::singleShot(0, &context_,
                       [action = std::move(action)] { RunGuarded("posted work", action); });
}

// The top-level window of a dialog or page view: for a page, its sheet.
static QWidget* TopLevelOf(WindowView* view) {
    if (QWidget* dialog = QtHost::WidgetOf(view)) return dialog;
    if (auto* page = dynamic_cast<QtPageView*>(view);
        page != nullptr && page->Widget() != nullptr) {
        return page->Widget()->window();
    }
    return nullptr;
}

// A dialog opens on top of the window it was opened from: for a page, the sheet the page sits
// in, which is modal; a window below a modal one would be blocked by it and never take input.
// Without such a window it goes on top of whatever window is modal now, else it stands alone.
std::unique_ptr<WindowView> QtHost::CreateDialogView(Dialog& dialog, WindowModel& controls,
                                                     WindowView* parent) {
    QWidget* owner = TopLevelOf(parent);
    if (owner == nullptr) owner = QApplication::activeModalWidget();
    return std::make_unique<QtDialogView>(*this, dialog, controls, owner);
}

std::unique_ptr<WindowView> QtHost::CreateModelessView(Dialog& dialog, WindowModel& controls,
                                                       WindowView* owner) {
    return std::make_unique<QtDialogView>(*this, dialog, controls, TopLevelOf(owner), false);
}

std::unique_ptr<SheetView> QtHost::CreateSheetView(PropertySheet& sheet, WindowView* parent) {
    return std::make_unique<QtSheetView>(sheet, WidgetOf(parent));
}

std::unique_ptr<WindowView> QtHost::CreatePageView(SheetView& sheet, int index, Dialog& page,
                                                   WindowModel& controls) {
    auto& qtSheet = static_cast<QtSheetView&>(sheet);
    auto view = std::make_unique<QtPageView>(*this, *qtSheet.PageHost(index), page, controls);
    qtSheet.PageCreated(index);
    return view;
}

void QtHost::PostFileDialog(FileDialogRequest request,
                            std::function<void(std::optional<std::string>)> onChosen) {
    if (!fileAnswer_.empty()) {
        QTimer::singleShot(0, &context_, [path = fileAnswer_, onChosen = std::move(onChosen)] {
            RunGuarded("a file dialog answer", [&] { onChosen(path); });
        });
        return;
    }
    QTimer::singleShot(
        0, &context_, [request = std::move(request), onChosen = std::move(onChosen)] {
            auto* dialog = new QFileDialog(BoxOwner());
            SetUpFileDialog(*dialog, request);
            const auto deliver = [onChosen](std::optional<std::string> chosen) {
                RunGuarded("a file dialog answer", [&] { onChosen(std::move(chosen)); });
            };
            AnswerOnce<QFileDialog>(
                dialog,
                [deliver](QFileDialog& done) {
                    std::optional<std::string> chosen;
                    if (done.result() == QDialog::Accepted && !done.selectedFiles().isEmpty()) {
                        chosen = done.selectedFiles().front().toStdString();
                    }
                    deliver(std::move(chosen));
                },
                [deliver] { deliver(std::nullopt); });
            ShowModalOnTop(*dialog);
        });
}

void QtHost::OpenHelp(const std::string& section) {
    QUrl url = QUrl::fromLocalFile(ToQ(helpFile_));
    if (!section.empty()) url.setFragment(ToQ(section));
    // Some desktops' openers drop the section of a file's URL; a browser named here keeps it.
    const QString browser = qEnvironmentVariable("CORVANE_HELP_BROWSER");
    if (!browser.isEmpty()) {
        if (QProcess::startDetached(browser, {url.toString(QUrl::FullyEncoded)})) return;
    } else if (QDesktopServices::openUrl(url)) {
        return;
    }
    // No browser the desktop knows of: the technician is told where the help is.
    PostBox({"The help could not be shown: this desktop has no web browser set up to open it.\n"
             "Open this file in a browser:\n" +
                 helpFile_,
             AppTitle(), Icon::Information, Buttons::Ok},
            [](Answer) {});
}

bool QtHost::RaiseRunningCopy(const std::string& title, std::function<void()> onRaise) {
    return instanceLock_.RaiseRunningCopy(title, std::move(onRaise));
}

namespace {

// How long a later copy keeps asking a copy that holds the title but does not answer yet (it
// is still starting its server, or it is ending and about to give the title up).
constexpr int kRunningCopyAnswerMs = 3000;
constexpr int kRetryMs = 20;
constexpr int kConnectMs = 500;

// Whether `folder` is a folder of the user's that no one else may write to, so that no other
// user can plant a lock or a socket in it (a link to a folder is not taken). On Windows the
// folders asked about lie in the user's profile, which others may not write to.
bool PrivateToTheUser(const QString& folder) {
#ifdef _WIN32
    const QFileInfo info(folder);
    return info.isDir() && !info.isSymLink();
#else
    struct stat info {};
    const QByteArray path = QFile::encodeName(folder);
    return lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
#endif
}

// A folder of the user's own in the temporary directory, made for the user alone when it is not
// there yet (on Windows the temporary directory itself, in the user's profile).
QString OwnTemporaryFolder() {
#ifdef _WIN32
    return QDir::tempPath();
#else
    const QString own =
        QDir(QDir::tempPath())
            .filePath("corvane-" + QString::number(static_cast<qulonglong>(geteuid())));
    mkdir(QFile::encodeName(own).constData(), 0700);  // or there already: checked by the caller
    return own;
#endif
}

// The folder for the one-copy lock and the local socket, where only the user can write: the
// user's runtime directory where the system gives one (emptied at log-out), otherwise a folder
// of the user's own in the temporary directory, made for the user alone. Empty when neither is
// to be had (a folder of that name that another user made, or one others may write to).
QString InstanceFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && PrivateToTheUser(runtime)) return runtime;
    const QString own = OwnTemporaryFolder();
    return PrivateToTheUser(own) ? own : QString();
}

// Asks the copy serving `serverName` to come forward; false when no server answers.
bool AskToComeForward(const QString& serverName) {
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(kConnectMs)) return false;
    socket.write("raise\n");
    socket.waitForBytesWritten(kConnectMs);
    socket.disconnectFromServer();
    return true;
}

}  // namespace

LocalSocketInstanceLock::LocalSocketInstanceLock() = default;
LocalSocketInstanceLock::~LocalSocketInstanceLock() = default;

bool LocalSocketInstanceLock::RaiseRunningCopy(const std::string& title,
                                               std::function<void()> onRaise) {
    const QString folder = InstanceFolder();
    if (folder.isEmpty()) {
        // A lock or a socket where others can write would let them decide for this copy.
        qWarning(
            "%s: no folder of the user's own for the one-copy lock (%s is not private to "
            "the user); this copy runs without it",
            title.c_str(), qUtf8Printable(OwnTemporaryFolder()));
        return false;
    }
    // The socket's full path, so that it lies in the same private folder as the lock.
    const QString name = QDir(folder).filePath(InstanceServerName(title));
    auto lock = std::make_unique<QLockFile>(name + ".lock");
    // A running copy holds its lock for as long as it runs: only the lock of a process that has
    // gone is stale, and QLockFile recovers that one.
    lock->setStaleLockTime(0);
    const QDeadlineTimer deadline(kRunningCopyAnswerMs);
    bool locked = lock->tryLock(0);
    while (!locked && lock->error() == QLockFile::LockFailedError) {
        // Another copy holds the title: ask it to come forward.
        if (AskToComeForward(name)) return true;
        if (deadline.hasExpired()) {
            qWarning("%s: a running copy holds %s but does not answer", title.c_str(),
                     qUtf8Printable(lock->fileName()));
            return true;
        }
        QThread::msleep(kRetryMs);
        locked = lock->tryLock(0);
    }
    if (!locked) {
        // No lock can be made here (permissions, a full disk): the server name alone decides.
        qWarning("%s: cannot take the one-copy lock %s", title.c_str(),
                 qUtf8Printable(lock->fileName()));
        if (AskToComeForward(name)) return true;
    }

    // This copy holds the title. A server name left behind by a copy that crashed goes first.
    QLocalServer::removeServer(name);
    server_ = std::make_unique<QLocalServer>();
    QObject::connect(server_.get(), &QLocalServer::newConnection, &context_,
                     [this, onRaise = std::move(onRaise)] {
                         while (QLocalSocket* socket = server_->nextPendingConnection()) {
                             socket->deleteLater();
                             if (onRaise) onRaise();
                         }
                     });
    if (!server_->listen(name)) {
        qWarning("%s: later copies cannot bring this one forward: %s", title.c_str(),
                 qUtf8Printable(server_->errorString()));
    }
    if (locked) lock_ = std::move(lock);
    return false;
}

QWidget* QtHost::WidgetOf(WindowView* view) {
    auto* dialogView = dynamic_cast<QtDialogView*>(view);
    return dialogView != nullptr ? dialogView->Widget() : nullptr;
}

QWidget* QtHost::WidgetOf(SheetView* view) {
    auto* sheetView = dynamic_cast<QtSheetView*>(view);
    return sheetView != nullptr ? sheetView->Widget() : nullptr;
}

void QtHost::AddBuilder(QtWindowBuilder* builder) {
    builders_.push_back(builder);
}

void QtHost::RemoveBuilder(QtWindowBuilder* builder) {
    std::erase(builders_, builder);
}

void QtHost::OnFocusChanged(QWidget* now) {
    if (now == nullptr) return;
    for (QtWindowBuilder* builder : builders_) {
        if (const int id = builder->IdOf(now); id != 0) {
            builder->FocusFromWidget(id);
            return;
        }
    }
}

}  // namespace corvane::fw
