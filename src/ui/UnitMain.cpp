#include "ui/UnitMain.h"

#include "settings/uSettings.h"
#include "ui/Resources.h"
#include "ui/ScopeExit.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

namespace vk {

TfrmMain::TfrmMain(SettingsStore& settings, Prompts& prompts, QWidget* parent)
    : QMainWindow(parent), FSettings(settings), FPrompts(prompts) {
    InitResources();
    setObjectName(QStringLiteral("frmMain"));
    BuildMenus();
    BuildToolbar();
    BuildList();
    BuildBottomBar();
    UseWindowFont();
    PlaceOnScreen();

    // 1. The caption: application title and version; never translated or changed.
    setWindowTitle(QString::fromUtf8(ApplicationTitle) + u' ' + QString::fromUtf8(ApplicationVersion));
    // 2. Qt draws every widget double-buffered, the list included.
    // 3. The rows, in stored order. A path that exists neither as item nor as
    //    locker stays, marked not found: it may lie on a drive that is not
    //    plugged in, and its locker must not drop out of the list.
    for (const std::string& storedPath : FSettings.StoredPaths)
        ListPath(QString::fromStdString(storedPath));
    // 4. The strong-hide option.
    chkStrongHide->setChecked(FSettings.StrongHide);
    // 5.
    UpdateCommandStates();
    // 6. Idle bottom bar.
    ProgressBar1->setEnabled(false);
    ProgressBar1->setVisible(false);
    lblStatus->setEnabled(false);
    btnStop->setEnabled(false);
    // 7.
    FStopRequested = false;
    FBusy = false;
    // 8. Files and folders dragged from the desktop or a file manager.
    setAcceptDrops(true);
    // 9, 10.
    BuildLanguageMenu();
    ApplyTranslation();
}

// Stops accepting drops and writes nothing: every change was saved when it was made.
TfrmMain::~TfrmMain() {
    FDestroying = true;
    setAcceptDrops(false);
}

// The first password is asked for once the window is on screen, whether or
// not the window manager activates it: without one, or with focus-stealing
// prevention, no activation may ever come. The question is queued so that
// the window is drawn behind the dialog first.
bool TfrmMain::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::Show)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isVisible())
                    RunCommand(&TfrmMain::FormActivate);
            },
            Qt::QueuedConnection);
    else if (event->type() == QEvent::WindowActivate)
        RunCommand(&TfrmMain::FormActivate);
    return handled;
}

// Without a password (a first run, or settings that could not be read) the
// password change asks for the first one; the window closes, ending the
// program, when none was set. The set-password dialog activates this window
// again when it closes; that activation must not ask a second time.
void TfrmMain::FormActivate() {
    if (FAskingFirstPassword || !FSettings.GeneralPassword.empty())
        return;
    FAskingFirstPassword = true;
    ScopeExit closeWithoutPassword([this] {
        FAskingFirstPassword = false;
        if (FSettings.GeneralPassword.empty())
            close();
    });
    btnChangePasswordClick();
}

} // namespace vk
