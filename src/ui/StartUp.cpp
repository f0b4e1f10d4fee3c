#include "ui/StartUp.h"

#include "platform/Error.h"
#include "security/uSecurityUtils.h"
#include "settings/uSettings.h"
#include "translation/translation.h"
#include "ui/LanguageChoice.h"
#include "ui/Prompts.h"
#include "ui/QtTranslation.h"
#include "ui/Resources.h"
#include "ui/SingleInstance.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"
#include "ui/VisualStyle.h"
#include "update/UpdateAtStartup.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

namespace vk {

namespace {

void ApplyStyleOrReport(QApplication& application, Prompts& prompts) {
    if (!ApplyBuiltInStyle(application))
        prompts.Message(QStringLiteral("The visual style \"%1\" cannot be applied; the default look is used.")
                            .arg(QString::fromUtf8(BuiltInStyleName)),
                        Prompts::Icon::Error);
}

// The stored language choice (else the system's language) and the
// translation file beside the executable, and Qt's own texts in the same
// language; from here on texts show translated.
void LoadLanguage() {
    std::optional<std::string> storedCode;
    if (const std::optional<QString> storedLanguage = ReadLanguageChoice())
        storedCode = storedLanguage->toStdString();
    LoadTranslation(storedCode);
    UseQtTranslation(QString::fromStdString(LanguageCode()));
}

// A settings file that no reader accepts here (made under another host or
// user name, or damaged) still holds the only copy of the old password and
// list: it is moved aside, so the first save cannot overwrite it, and the user
// learns why and where it lies. A file that cannot be moved aside ends the
// program instead.
void SetUnreadableSettingsAside(SettingsStore& settings, Prompts& prompts) {
    const QString lineBreak = QStringLiteral("\r\n");
    const QString reason = QString::fromStdString(settings.UnreadableReason());
    std::filesystem::path aside;
    try {
        aside = settings.MoveSettingsFileAside();
    } catch (const std::exception& error) {
        throw Error((TranslatedText("The settings file cannot be opened here and cannot be moved aside:") + lineBreak +
                     reason + lineBreak + QString::fromStdString(error.what()))
                        .toStdString());
    }
    prompts.Message(TranslatedText("The settings file cannot be opened here:") + lineBreak + reason + lineBreak +
                        TranslatedText("It may come from another computer or user name, or it is damaged. "
                                       "It was moved to:") +
                        lineBreak + ToQString(aside) + lineBreak +
                        TranslatedText("The program starts as on its first run. Lockers made before open with their "
                                       "own password through Import Locker."),
                    Prompts::Icon::Warning);
}

// The way out of a forgotten password: once confirmed, the settings file is
// moved aside (kept, dated; it opens again should the password come back) and
// the program starts as on its first run. False when the user thought better
// of it; a file that cannot be moved aside ends the program.
bool StartAfreshWithoutPassword(SettingsStore& settings, Prompts& prompts) {
    const QString lineBreak = QStringLiteral("\r\n");
    if (!prompts.ConfirmOkCancel(
            TranslatedText("Start afresh without the forgotten password?") + lineBreak +
            TranslatedText("The settings file is kept under a new name and the list starts empty. Lockers made "
                           "before open through Import Locker with their recovery codes.")))
        return false;
    std::filesystem::path aside;
    try {
        aside = settings.MoveSettingsFileAside();
    } catch (const std::exception& error) {
        throw Error((TranslatedText("The settings file cannot be moved aside:") + lineBreak +
                     QString::fromStdString(error.what()))
                        .toStdString());
    }
    settings.ResetToFirstRun();
    prompts.Message(TranslatedText("The settings file was moved to:") + lineBreak + ToQString(aside),
                    Prompts::Icon::Information);
    return true;
}

// Step 9: the file must open with what is typed; one attempt, or the way out
// of a forgotten password. False when the program is to end.
bool OpenSettingsWithPassword(SettingsStore& settings, Prompts& prompts) {
    for (;;) {
        const Prompts::PasswordOutcome outcome = prompts.AskApplicationPassword([&settings](const QString& typed) {
            std::string text = typed.toStdString();
            const bool opened = settings.OpenWithPassword(text);
            SecureWipe(text);
            return opened;
        });
        if (outcome == Prompts::PasswordOutcome::Opened)
            return true;
        if (outcome == Prompts::PasswordOutcome::Refused)
            return false;
        if (StartAfreshWithoutPassword(settings, prompts))
            return true;
    }
}

// An older file has just been opened: it is replaced at once, in one rename,
// by the layout keyed by the password, and the user learns once that older
// copies still give the password away. True when the user takes up the offer
// of a password change.
bool ReplaceOlderSettingsFile(SettingsStore& settings, Prompts& prompts) {
    const QString lineBreak = QStringLiteral("\r\n");
    try {
        settings.WriteSettingsFile();
    } catch (const std::exception& error) {
        // The file stays as it was; the next start tries again.
        prompts.Message(TranslatedText("The settings file could not be rewritten:") + lineBreak +
                            QString::fromStdString(error.what()),
                        Prompts::Icon::Warning);
        return false;
    }
    return prompts.ConfirmOkCancel(
        TranslatedText("The settings file is now protected by the application password.") + lineBreak +
        TranslatedText("Copies of the settings folder made before (backups, synchronised folders) can still reveal "
                       "the old password to anyone who has them. Change the password now?"));
}

} // namespace

UpdateStep WebSiteUpdateStep() {
    return [](Prompts& prompts) { return OfferUpdateAtStartup(prompts); };
}

void SetApplicationTitle() {
    QCoreApplication::setApplicationName(QString::fromUtf8(ApplicationTitle));
}

void IdentifyToDesktop() {
    InitResources();
    QGuiApplication::setDesktopFileName(QStringLiteral("orvanveilkeep"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/orvanveilkeep.svg")));
}

std::unique_ptr<TfrmMain> StartUpToMainWindow(QApplication& application, SettingsStore& settings, Prompts& prompts,
                                              const UpdateStep& offerUpdate, SingleInstance* instance) {
    // 1, 2: the application object exists; on this desktop the main window
    // owns its task-bar entry by itself.
    ApplyStyleOrReport(application, prompts); // 3
    SetApplicationTitle();                    // 4
    IdentifyToDesktop();
    LoadLanguage(); // 5
    // Only one copy runs per user: a later start brings the running copy
    // forward and ends before it reads the settings.
    if (instance != nullptr && !instance->ClaimOrHandOver())
        return nullptr;
    // 6: when the update dialog's outcome is to exit (an update was started or
    //    the running version may no longer be used), no settings are read and
    //    no window is created.
    if (!offerUpdate(prompts))
        return nullptr;
    settings.StoredPaths.clear(); // 7
    // 8: the file is looked at; a file no reader accepts is moved aside before
    //    anything can be saved over it. A file keyed by the password is not
    //    decrypted yet.
    if (!settings.LoadSettings())
        SetUnreadableSettingsAside(settings, prompts);
    // 9: with a password set, the file must open with what is typed: one
    //    attempt; cancelled or wrong (the prompt has said so), the program ends,
    //    the file untouched. An older file is replaced right after it opened.
    bool offerPasswordChange = false;
    if (settings.AwaitsPassword()) {
        if (!OpenSettingsWithPassword(settings, prompts)) {
            settings.StoredPaths.clear();
            return nullptr;
        }
        if (settings.ReadFromOlderLayout())
            offerPasswordChange = ReplaceOlderSettingsFile(settings, prompts);
    }
    auto mainWindow = std::make_unique<TfrmMain>(settings, prompts); // 10
    // The accepted offer runs the password change once the window is on screen.
    if (offerPasswordChange)
        QTimer::singleShot(0, mainWindow.get(), [window = mainWindow.get()] { window->btnChangePasswordClick(); });
    // 11: the set-password and import dialogs belong to the prompts, which
    //     make each once and keep it for the run; the update dialog comes here.
    return mainWindow;
}

int RunProgram(QApplication& application, SettingsStore& settings, Prompts& prompts, const UpdateStep& offerUpdate) {
    SingleInstance instance(SingleInstance::ServerPathFor(settings));
    QObject::connect(&instance, &SingleInstance::ActivationRequested, &BringProgramForward);
    std::unique_ptr<TfrmMain> mainWindow;
    try {
        mainWindow = StartUpToMainWindow(application, settings, prompts, offerUpdate, &instance);
    } catch (const std::exception& error) {
        prompts.Message(QString::fromStdString(error.what()), Prompts::Icon::Error);
        return 1;
    }
    if (!mainWindow)
        return 0;
    // 12: the message loop shows the main window and runs until it closes.
    mainWindow->show();
    const int exitCode = QApplication::exec();
    // 13, 14: the stored paths and the windows go; the main window writes nothing.
    settings.StoredPaths.clear();
    return exitCode;
}

} // namespace vk
