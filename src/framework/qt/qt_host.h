#pragma once

#include <QObject>
#include <QWidget>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "framework/host.h"

class QFileDialog;
class QLocalServer;
class QLockFile;

namespace corvane::fw {

class QtWindowBuilder;

// The one-copy rule across processes. A copy claims its main window title by taking an
// exclusive lock file named after it; only the holder listens on the local socket of that name,
// for as long as it lives. A copy that cannot take the lock connects to the socket (retrying
// while the holder is still starting its server), asks the holder to come forward, and ends.
// Of copies started at the same moment exactly one claims the title; the lock of a copy that
// crashed is recovered. The lock and the socket lie in a folder only the user can write to (the
// runtime directory, or a folder of the user's own made with mode 0700 in the temporary
// directory), so another user can neither block the program nor receive its requests; where no
// such folder can be had the copy runs without the check.
class LocalSocketInstanceLock {
  public:
    LocalSocketInstanceLock();
    ~LocalSocketInstanceLock();
    bool RaiseRunningCopy(const std::string& title, std::function<void()> onRaise);

  private:
    QObject context_;
    std::unique_ptr<QLockFile> lock_;       // held while this copy owns the title
    std::unique_ptr<QLocalServer> server_;  // closed before the lock is given up
};

// The desktop host on Qt Widgets: real windows built from the templates, QTimer timers, message
// boxes with their icons and sounds, the file dialogs and the help in the desktop's browser.
// Numbers are formatted in the C locale whatever the desktop's locale (the constructor resets
// LC_NUMERIC after QApplication has set it from the environment).
class QtHost : public Host {
  public:
    explicit QtHost(std::string helpFile);
    ~QtHost() override;

    DateTime Now() const override;
    std::chrono::system_clock::time_point PreciseNow() const override;
    void PlayBeep(Beep beep) override;
    void PostBox(BoxRequest box, std::function<void(Answer)> onAnswer) override;
    void WithdrawBoxes(const std::string& caption) override;
    std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) override;
    void Post(std::function<void()> action) override;
    std::unique_ptr<WindowView> CreateDialogView(Dialog& dialog, WindowModel& controls,
                                                 WindowView* parent) override;
    std::unique_ptr<SheetView> CreateSheetView(PropertySheet& sheet, WindowView* parent) override;
    std::unique_ptr<WindowView> CreatePageView(SheetView& sheet, int index, Dialog& page,
                                               WindowModel& controls) override;
    std::unique_ptr<WindowView> CreateModelessView(Dialog& dialog, WindowModel& controls,
                                                   WindowView* owner) override;
    void PostFileDialog(FileDialogRequest request,
                        std::function<void(std::optional<std::string>)> onChosen) override;
    using Host::OpenHelp;
    // The help file at the section, in the program named by the environment variable
    // CORVANE_HELP_BROWSER when it is set (given the help's URL), else in the desktop's browser.
    void OpenHelp(const std::string& section) override;
    bool RaiseRunningCopy(const std::string& title, std::function<void()> onRaise) override;

    // Answers every later file dialog with `path` without showing it (for the screenshot tour,
    // which has no operator to choose a file); an empty path shows the dialogs again.
    void AnswerFileDialogsWith(std::string path) { fileAnswer_ = std::move(path); }

    // The top-level widget of a dialog or sheet view made by this host (for screenshots).
    static QWidget* WidgetOf(WindowView* view);
    static QWidget* WidgetOf(SheetView* view);

    // Widget registry for focus tracking.
    void AddBuilder(QtWindowBuilder* builder);
    void RemoveBuilder(QtWindowBuilder* builder);

  private:
    void OnFocusChanged(QWidget* now);

    std::string helpFile_;
    QObject context_;
    std::vector<QtWindowBuilder*> builders_;
    LocalSocketInstanceLock instanceLock_;
    std::string fileAnswer_;
    qulonglong boxesPosted_ = 0;
    // Now() of the second of the system clock last asked for.
    mutable qint64 nowSecond_ = std::numeric_limits<qint64>::min();
    mutable DateTime now_;
};

// Turns a filter string such as "Download Files (*.Hex)|*.Hex|All Files (*.*)|*.*||" into a Qt
// file dialog filter ("Download Files (*.Hex);;All Files (*)").
QString QtFileFilter(const std::string& filter);
// Sets a file dialog up for `request`: its file types, matched in either letter case, open or
// save, the extension added to a name typed without one, the name offered.
void SetUpFileDialog(QFileDialog& dialog, const FileDialogRequest& request);

}  // namespace corvane::fw
