#pragma once

// The prompts seam served by real Qt dialogs: message boxes, the text prompt,
// the folder and file pickers and the password and import dialogs.

#include "ui/Prompts.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <memory>

namespace vk {

class TfrmOpenLocker;
class TfrmPasswordSet;

class QtPrompts : public Prompts {
public:
    QtPrompts();
    ~QtPrompts() override;

    // Dialogs are owned by this window; without one, by the active window.
    void SetParentWindow(QWidget* parent) { FParent = parent; }

    void Message(const QString& text, Icon icon = Icon::None) override;
    bool ConfirmOkCancel(const QString& text) override;
    Answer AskYesNoCancel(const QString& text) override;
    std::optional<QString> AskText(const QString& caption, const QString& prompt, const QString& initial = {}) override;
    std::optional<QString> PickFolder(const QString& caption) override;
    std::optional<QString> PickFile(const QString& caption) override;
    std::optional<QString> PickSaveFile(const QString& caption, const QString& suggestedName) override;
    std::optional<QString> AskSecret(const QString& caption, const QString& prompt) override;
    PasswordOutcome AskApplicationPassword(const PasswordCheck& opens) override;
    void ChangePassword(const QString& currentPassword, QString& newPassword) override;
    std::optional<QString> PickLockerToImport() override;

private:
    QWidget* ParentWindow() const;
    // Shows a message box with the application title as caption; the button
    // pressed. Enter presses defaultButton when one is given.
    int ShowBox(QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons,
                QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) const;

    QPointer<QWidget> FParent;
    // The set-password and import dialogs are made on first use and kept for
    // the whole run, so that what they show carries over between showings.
    std::unique_ptr<TfrmPasswordSet> FPasswordSet;
    std::unique_ptr<TfrmOpenLocker> FOpenLocker;
};

} // namespace vk
