#include "ui/QtPrompts.h"

#include "ui/OpenLockerFileDialog.h"
#include "ui/SecretEntryDialog.h"
#include "ui/UnitPassword.h"
#include "ui/uPasswordSet.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStandardPaths>

namespace vk {

namespace {

QMessageBox::Icon ToMessageBoxIcon(Prompts::Icon icon) {
    switch (icon) {
    case Prompts::Icon::Information:
        return QMessageBox::Information;
    case Prompts::Icon::Warning:
        return QMessageBox::Warning;
    case Prompts::Icon::Error:
        return QMessageBox::Critical;
    case Prompts::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// A CR LF line break shows as one break.
QString ShownLines(const QString& text) {
    QString lines = text;
    return lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// Message boxes carry the application title as their caption.
QString BoxCaption() {
    return QCoreApplication::applicationName();
}

// The pickers open in the user's home folder with nothing preselected.
QString StartFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
}

} // namespace

QtPrompts::QtPrompts() = default;
QtPrompts::~QtPrompts() = default;

QWidget* QtPrompts::ParentWindow() const {
    return FParent ? FParent.data() : QApplication::activeWindow();
}

int QtPrompts::ShowBox(QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons,
                       QMessageBox::StandardButton defaultButton) const {
    QMessageBox box(icon, BoxCaption(), ShownLines(text), buttons, ParentWindow());
    // Paths and platform messages are shown as they are, never as rich text.
    box.setTextFormat(Qt::PlainText);
    if (buttons.testFlag(QMessageBox::Cancel))
        box.setEscapeButton(QMessageBox::Cancel);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return box.exec();
}

void QtPrompts::Message(const QString& text, Icon icon) {
    ShowBox(ToMessageBoxIcon(icon), text, QMessageBox::Ok);
}

bool QtPrompts::ConfirmOkCancel(const QString& text) {
    return ShowBox(QMessageBox::Warning, text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

Prompts::Answer QtPrompts::AskYesNoCancel(const QString& text) {
    // Yes replaces or deletes something; Enter gives the safe Cancel until the
    // user moves to another button.
    switch (ShowBox(QMessageBox::Warning, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                    QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

std::optional<QString> QtPrompts::AskText(const QString& caption, const QString& prompt, const QString& initial) {
    bool confirmed = false;
    const QString text = QInputDialog::getText(ParentWindow(), caption, prompt, QLineEdit::Normal, initial, &confirmed);
    if (!confirmed)
        return std::nullopt;
    return text;
}

std::optional<QString> QtPrompts::PickFolder(const QString& caption) {
    const QString folder =
        QFileDialog::getExistingDirectory(ParentWindow(), caption, StartFolder(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

std::optional<QString> QtPrompts::PickFile(const QString& caption) {
    // An open-file dialog accepts only an existing file.
    const QString file = QFileDialog::getOpenFileName(ParentWindow(), caption, StartFolder());
    if (file.isEmpty())
        return std::nullopt;
    return file;
}

std::optional<QString> QtPrompts::PickSaveFile(const QString& caption, const QString& suggestedName) {
    const QString file = QFileDialog::getSaveFileName(ParentWindow(), caption, StartFolder() + u'/' + suggestedName);
    if (file.isEmpty())
        return std::nullopt;
    return file;
}

std::optional<QString> QtPrompts::AskSecret(const QString& caption, const QString& prompt) {
    return AskSecretText(ParentWindow(), caption, prompt);
}

Prompts::PasswordOutcome QtPrompts::AskApplicationPassword(const PasswordCheck& opens) {
    return TfrmPassword::Execute(opens, *this);
}

void QtPrompts::ChangePassword(const QString& currentPassword, QString& newPassword) {
    if (!FPasswordSet)
        FPasswordSet = std::make_unique<TfrmPasswordSet>(*this);
    FPasswordSet->ChangePassword(currentPassword, newPassword);
}

std::optional<QString> QtPrompts::PickLockerToImport() {
    if (!FOpenLocker)
        FOpenLocker = std::make_unique<TfrmOpenLocker>();
    return FOpenLocker->SelectLocker();
}

} // namespace vk
