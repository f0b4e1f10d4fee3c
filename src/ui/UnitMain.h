#pragma once

// The main window: the list of protected paths with their status, the toolbar,
// the menu bar and the bottom bar with progress and Stop.
//
// The class is implemented across files, one responsibility each:
//   UnitMain.cpp            creation steps, destruction, activation
//   MainLayout.cpp          building the menus, toolbar, list and bottom bar
//   MainTexts.cpp           the translated captions, hints and column titles
//   MainCommands.cpp        enabling rules, About box, Help links, Exit, error display
//   MainPathList.cpp        rows, statuses, the add commands, saving the list
//   MainDrop.cpp            files and folders dropped on the window
//   PathFileOps.cpp         hiding attributes and deleting items on disk
//   MainRuns.cpp            the hide and restore runs
//   MainRunState.cpp        the busy state, progress and Stop
//   MainHideRestore.cpp     hiding one path into its locker and restoring it
//   MainRemove.cpp          removing a path from the list
//   MainImport.cpp          importing a lost locker
//   MainRecoverySheet.cpp   offering the new lockers' recovery codes as a sheet
//   MainPasswordChange.cpp  changing the application password
//   MainLanguage.cpp        the Language menu

#include "ui/HelpPages.h"
#include "ui/RecoverySheet.h"
#include "ui/RunProgress.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

class QAbstractButton;
class QAction;
class QCheckBox;
class QCloseEvent;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QEvent;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace vk {

enum class TConflictAnswer;    // protect/uProtect.h
struct TProtectCallbacks;      // protect/uProtect.h
struct TPasswordChangeOutcome; // protect/uPasswordChange.h
enum class TDiscardAnswer;     // protect/uProtect.h

class Prompts;
class SettingsStore;

// Qt's move to the desktop's trash: the freedesktop.org trash on Linux, the
// Recycle Bin on Windows.
bool MoveToDesktopTrash(const QString& path);

// Row status texts (English keys; rows show them translated).
inline constexpr const char* StatusEncryptedHidden = "Encrypted & Hidden";
inline constexpr const char* StatusVisible = "Visible";
// Neither the item nor its locker is there (a drive not plugged in, or moved
// away): the row stays, so a locker on that drive is not forgotten.
inline constexpr const char* StatusNotFound = "Not found";

class TfrmMain : public QMainWindow {
    Q_OBJECT

public:
    // Runs the creation steps: builds the rows from the stored paths, mirrors
    // the strong-hide option and sets the command states and texts.
    TfrmMain(SettingsStore& settings, Prompts& prompts, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // --- path list (MainPathList.cpp) ------------------------------------
    // The locker of a path: its full form with ".vklocker" appended.
    static QString GetLockerPath(const QString& path);
    // Adds the full form of path as a row, unless it is listed already (as
    // the file system compares names) or exists neither as item nor as
    // locker (reported). Saves nothing and leaves the command states to the
    // caller.
    void AddPath(const QString& path);
    // AddPath for a path the user picked or dropped: a locker is offered to
    // be listed as the path it hides or imported, and a path inside or around
    // a listed one is added only once the user agrees.
    void AddPathAsUser(const QString& path);
    // A path inside a listed folder, or a folder around a listed path: true
    // when the user agrees to list it after being told what hiding does then.
    bool ConfirmNesting(const QString& fullPath);
    // Imports the locker at lockerPath with the secret the user types, and
    // lists its item (MainImport.cpp).
    void ImportLockerFile(const QString& lockerPath);
    // Adds a full path as a row unless it is listed already, whether or not
    // it is on the disk now (a stored row whose drive is not plugged in).
    void ListPath(const QString& fullPath);
    // Whether two full paths name the same item for the list: exactly equal
    // on Linux, equal with ASCII letter case ignored on Windows.
    static bool SameListedPath(const QString& first, const QString& second);
    // The row that lists fullPath; nullptr when none does.
    QTreeWidgetItem* RowOf(const QString& fullPath) const;
    static bool ItemOrLockerExists(const QString& fullPath);
    // Sets the row's status from the disk: hidden when its locker is there,
    // else visible when its item is there, else not found.
    void UpdateItemStatus(QTreeWidgetItem* row);
    static bool RowHasStatus(const QTreeWidgetItem* row, const char* status);
    virtual void RefreshAllStatuses();
    // Copies the strong-hide option and the rows into the store and rewrites
    // the settings file; raises vk::Error when it cannot be written.
    virtual void SaveSettings();
    void SyncStoredPaths();
    QStringList ListedPaths() const;

    // --- dropped files (MainDrop.cpp) ------------------------------------
    // Adds dropped files and folders in order; ignored while a run is busy.
    void AddDroppedFiles(const QStringList& paths);

    // --- items on disk (PathFileOps.cpp) ---------------------------------
    // Sets (hide) or clears the hidden bit, and the system bit when strong;
    // keeps every other bit. Raises "Path not found: " for a missing path.
    static void SetPathHidden(const QString& path, bool hide, bool strong);
    // Clears read-only, hidden and system of a file, or of a folder and
    // everything in it. Links are neither followed nor changed.
    static void ClearAttributesTree(const QString& path);
    // Deletes a file, a link (never its target) or a folder tree; raises
    // naming the first entry that could not be deleted.
    static void DeletePath(const QString& path);

    // --- commands (MainCommands.cpp) -------------------------------------
    // Enables every governed command from FBusy, the selection and the rows.
    void UpdateCommandStates();
    // The About box's text, built at the moment it is shown.
    static QString AboutText();
    // Activation of the window: without a password, asks for the first one
    // and closes the window when none is set.
    void FormActivate();

    // --- run state (fields cleared on creation; MainRunState.cpp) --------
    // Used by every batch run (hide/restore runs, password change, removal,
    // import). Names and signatures are stable.
    bool FBusy = false;          // a batch run is in progress
    bool FStopRequested = false; // Stop was pressed during the run
    int FCurrentItemIndex = 0;   // number of the path being processed
    int FTotalItems = 0;         // number of paths in the run

    // Enters the busy state for a run over total paths: disables the
    // commands, shows the progress bar, label and Stop, sets the busy cursor.
    void BeginBusy(int total);
    // Leaves the busy state; call it however the run ends (use a scope guard).
    void EndBusy();
    // Shows "current/total" in the status label (never translated).
    void UpdateStatusLabel();
    // Progress callback for the locker engine: moves the bar (1000 steps)
    // and processes pending events so Stop can be pressed.
    // Virtual so tests can act at a chosen moment of an operation.
    virtual void LockerProgress(const std::string& path, std::int64_t done, std::int64_t total);
    // The bar position for done of total: the share of maximum, rounded to
    // the nearest integer with halves to the even one, clamped to the range.
    static int ProgressPosition(std::int64_t done, std::int64_t total, int minimum, int maximum);
    // Cancel callback for the locker engine: true once Stop was pressed.
    bool IsStopRequested() const;

    // --- hiding and restoring one path (MainHideRestore.cpp) -------------
    // Encrypts the item at P into its locker, verifies the locker, puts it in
    // place and deletes the item. False with Message on a reported failure;
    // raises vk::Error for failures that are not reported in Message.
    bool HidePathIntoLocker(const QString& P, QString& Message);
    // Recreates the item at P from its locker and deletes the locker.
    bool RestorePathFromLocker(const QString& P, QString& Message);
    // The lockers created since the recovery sheet was last offered, with
    // their recovery codes; every successful hide adds its locker.
    std::vector<RecoveryEntry> FNewRecoveryCodes;
    // After a run that created lockers: asks whether to save their recovery
    // codes, lets the user pick the file and writes it; the list is emptied
    // whatever the answer (MainRecoverySheet.cpp).
    void OfferRecoverySheet();
    // Called when both P and a locker that opened exist: asks the user.
    TConflictAnswer ResolveRestoreConflict(const QString& P);
    // A version a conflict answer discards: to the desktop's trash, else the
    // user chooses between deleting it for good and keeping it
    // (MainDiscard.cpp).
    TDiscardAnswer DiscardVersion(const QString& path);
    std::function<TDiscardAnswer(const std::string&)> DiscardCallback();
    // Moves a file or folder to the desktop's trash; true when it went there.
    // Tests put a trash in place that refuses.
    std::function<bool(const QString&)> FMoveToTrash = MoveToDesktopTrash;
    // The locker engine's callbacks bound to this window: progress to
    // LockerProgress, cancel to IsStopRequested.
    std::function<void(const std::string&, std::int64_t, std::int64_t)> ProgressCallback();
    std::function<bool()> CancelCallback() const;

    // --- the hide and restore runs (MainRuns.cpp) -------------------------
    // What sets one of the four runs apart: its rows, the status of the rows
    // it acts on, the operation and the error prefix.
    struct TRunKind;

    // --- controls ---------------------------------------------------------
    // Menu bar.
    QMenu* File1 = nullptr;
    QAction* AddFolder1 = nullptr;
    QAction* AddFile1 = nullptr;
    QAction* ImportLocker1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* Edit1 = nullptr; // "Encrypt"
    QAction* EncryptHideSelected1 = nullptr;
    QAction* DencryptUnhideSelected1 = nullptr;
    QAction* EncryptHideAll1 = nullptr;
    QAction* DencryptUnhideAll1 = nullptr;
    QMenu* ools1 = nullptr; // "Tools"
    QAction* ChangePassword1 = nullptr;
    QMenu* mmLanguage = nullptr;
    QMenu* Help1 = nullptr;
    QAction* utorial1 = nullptr;
    QAction* ContactUs1 = nullptr;
    QAction* VisitWebsite1 = nullptr;
    QAction* About1 = nullptr;

    // Toolbar.
    QWidget* Panel1 = nullptr;
    QToolButton* btnAddFolder = nullptr;
    QToolButton* btnAddFile = nullptr;
    QToolButton* btnRemove = nullptr;
    QToolButton* btnEncryptAndHideSelected = nullptr;
    QToolButton* btnDecryptAndUnhideSelected = nullptr;
    QToolButton* btnEncryptAndHideAll = nullptr;
    QToolButton* btnDecryptAndUnhideAll = nullptr;
    QToolButton* btnImportLocker = nullptr;
    QToolButton* btnAboutProgram = nullptr;

    // The list: caption column "Path", sub-item column "Status".
    QTreeWidget* ListViewPaths = nullptr;

    // Bottom bar.
    QWidget* Panel2 = nullptr;
    QPushButton* btnChangePassword = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* lblStatus = nullptr;
    QPushButton* btnStop = nullptr;
    // Under the list: the current item with its bytes, speed and time left
    // during a run, the run's summary after it.
    QLabel* lblProgress = nullptr;

    // Never shown; carries the strong-hide option.
    QCheckBox* chkStrongHide = nullptr;

    // Where the Help items look: the site, else the README beside the
    // program. Tests put their own in place.
    HelpSources FHelpSources = DesktopHelpSources();

    // Finishes, once the window is up, a password change that an earlier run
    // left in progress (the settings file holds its record), with progress
    // and Stop as for a change the user starts (MainPasswordChange.cpp).
    void ResumePasswordChange();
    void FinishInterruptedPasswordChange();

public slots:
    // Toolbar and menu commands; a toolbar button and its menu twin run the
    // same handler.
    void btnAddFolderClick();
    void btnAddFileClick();
    void btnRemoveClick();                   // MainRemove.cpp
    void btnEncryptAndHideSelectedClick();   // MainRuns.cpp
    void btnDecryptAndUnhideSelectedClick(); // MainRuns.cpp
    void btnEncryptAndHideAllClick();        // MainRuns.cpp
    void btnDecryptAndUnhideAllClick();      // MainRuns.cpp
    void btnImportLockerClick();             // MainImport.cpp
    void btnAboutProgramClick();
    void btnChangePasswordClick(); // MainPasswordChange.cpp
    void btnStopClick();           // MainRunState.cpp
    void Exit1Click();
    void utorial1Click();
    void ContactUs1Click();
    void VisitWebsite1Click();
    void ListViewPathsSelectItem();
    // A Language entry: switches to its language at once, stores the choice,
    // sets the window's texts and every row's status again (MainLanguage.cpp).
    void LanguageItemClick(QAction* item);

protected:
    bool event(QEvent* event) override;
    // During a run a close request stops the run and closes the window once
    // the run has ended; otherwise the window closes at once.
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    SettingsStore& FSettings;
    Prompts& FPrompts;

private:
    // MainLayout.cpp
    void UseWindowFont();
    void BuildMenus();
    void BuildToolbar();
    void BuildList();
    void BuildBottomBar();
    void PlaceOnScreen();
    // MainTexts.cpp: sets every translated caption, hint and column title.
    void ApplyTranslation();
    // MainLanguage.cpp: one entry per language of the translation file, and
    // the stored choice ("CurrentLanguage") for the next start.
    void BuildLanguageMenu();
    void SaveLanguageChoice();
    // MainCommands.cpp: runs a handler; an error that escapes it is shown in
    // an error box (the program-wide error display) and the program goes on.
    void RunCommand(void (TfrmMain::*handler)());
    // Runs a password change of the core with the window's progress, Stop and
    // messages, and keeps the new recovery codes for the sheet.
    void RunPasswordChange(
        const std::function<TPasswordChangeOutcome(
            const TProtectCallbacks&, const std::function<void(const std::string&, int, int)>& itemStarted)>& change);
    void ShowError(const std::exception& error);
    void ConnectCommand(QAction* action, void (TfrmMain::*handler)());
    void ConnectCommand(QAbstractButton* button, void (TfrmMain::*handler)());
    // A Help item: the site's page at path, else the README; a failure is shown.
    void OpenSitePage(const char* path);

    bool FDestroying = false;          // set while the window is destroyed: nothing is saved then
    bool FAskingFirstPassword = false; // FormActivate is asking for the first password

    // MainRunState.cpp
    void RequestStop();            // Stop's effect, without processing events
    bool FCloseRequested = false;  // the window closes when the run ends
    bool FBusyCursorShown = false; // the busy cursor is set by BeginBusy
    QElapsedTimer FProgressShown;  // since the last progress report was shown
    QElapsedTimer FRunClock;       // since the run began
    TransferRate FRate;            // of the current item
    std::string FRateItem;         // the item FRate measures
    std::int64_t FRateLastDone = 0;
    void ShowProgressLine(const std::string& path, std::int64_t done, std::int64_t total);

    // MainRuns.cpp: the four hide and restore runs share one procedure.
    void RunOverRows(const TRunKind& run);
};

// Deletes path when it exists; false when anything of it remains.
bool TryDeletePath(const QString& path);

} // namespace vk
