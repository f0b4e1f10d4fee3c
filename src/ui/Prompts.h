#pragma once

// The prompts seam: every modal question the GUI asks goes through this
// interface. QtPrompts shows real Qt dialogs; tests install a scripted one
// that answers and records what was asked, so no test waits on a modal dialog.

#include <QString>
#include <functional>
#include <optional>

namespace vk {

class Prompts {
public:
    enum class Icon { None, Information, Warning, Error };
    enum class Answer { Yes, No, Cancel };
    // How the start-up password prompt ended: the entry opened the settings;
    // cancelled or refused (the prompt has shown "Invalid password."); or the
    // user chose the way out for a forgotten password.
    enum class PasswordOutcome { Opened, Refused, Forgotten };
    // Tries an entry: true when the settings open with it.
    using PasswordCheck = std::function<bool(const QString&)>;

    virtual ~Prompts() = default;

    // A message box with a single OK button.
    virtual void Message(const QString& text, Icon icon = Icon::None) = 0;
    // A warning box with OK and Cancel; true for OK.
    virtual bool ConfirmOkCancel(const QString& text) = 0;
    // A warning box with Yes, No and Cancel (the close box answers Cancel);
    // Cancel is its default button.
    virtual Answer AskYesNoCancel(const QString& text) = 0;
    // A one-line text prompt with OK and Cancel; the entry is not masked.
    // Returns the text on OK, nothing on Cancel.
    virtual std::optional<QString> AskText(const QString& caption, const QString& prompt,
                                           const QString& initial = {}) = 0;
    // The same for a password or recovery code: the entry starts empty and
    // masked, with a check box that shows it.
    virtual std::optional<QString> AskSecret(const QString& caption, const QString& prompt) = 0;
    // The folder and file pickers; nothing when cancelled.
    virtual std::optional<QString> PickFolder(const QString& caption) = 0;
    virtual std::optional<QString> PickFile(const QString& caption) = 0;
    // A save-file picker opening in the home folder with suggestedName filled
    // in; the chosen path, nothing when cancelled.
    virtual std::optional<QString> PickSaveFile(const QString& caption, const QString& suggestedName) = 0;

    // The password prompt at start-up, one attempt: Opened only when confirmed
    // and opens accepts the entry as typed; a refused entry shows its message.
    virtual PasswordOutcome AskApplicationPassword(const PasswordCheck& opens) = 0;
    // The set-password dialog, nothing pre-filled. With a password in force
    // (currentPassword not empty) it asks for it first and accepts only that
    // exact text; then the new password twice. On a confirmed valid entry
    // newPassword receives the trimmed new password, else it is unchanged.
    virtual void ChangePassword(const QString& currentPassword, QString& newPassword) = 0;
    // The import dialog: the full path of the selected item on OK, nothing otherwise.
    virtual std::optional<QString> PickLockerToImport() = 0;
};

} // namespace vk
