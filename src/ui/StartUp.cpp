#include "ui/StartUp.h"

#include "platform/Error.h"
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
    // 8: only GeneralPassword decides what follows; a file no reader accepts
    //    is moved aside before anything can be saved over it.
    if (!settings.LoadSettings())
        SetUnreadableSettingsAside(settings, prompts);
    // 9: with a password set, one attempt at the password prompt; cancelled
    //    or wrong (the prompt has said so), the program ends and saves nothing.
    if (!settings.GeneralPassword.empty() &&
        !prompts.AskApplicationPassword(QString::fromStdString(settings.GeneralPassword))) {
        settings.StoredPaths.clear();
        return nullptr;
    }
    auto mainWindow = std::make_unique<TfrmMain>(settings, prompts); // 10
    if (settings.PasswordChangeInProgress)
        mainWindow->ResumePasswordChange();
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
