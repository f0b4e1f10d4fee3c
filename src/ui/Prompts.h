#pragma once

// The prompts seam: every modal question the GUI asks goes through this
// interface. QtPrompts shows real Qt dialogs; tests install a scripted one
// that answers and records what was asked, so no test waits on a modal dialog.

#include <QString>
#include <optional>

namespace vk {

class Prompts {
public:
    enum class Icon { None, Information, Warning, Error };
    enum class Answer { Yes, No, Cancel };

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
    // The folder and file pickers; nothing when cancelled.
    virtual std::optional<QString> PickFolder(const QString& caption) = 0;
    virtual std::optional<QString> PickFile(const QString& caption) = 0;
    // A save-file picker opening in the home folder with suggestedName filled
    // in; the chosen path, nothing when cancelled.
    virtual std::optional<QString> PickSaveFile(const QString& caption, const QString& suggestedName) = 0;

    // The password prompt at start-up: true only when confirmed and the entry
    // matches expected (ASCII letter case ignored). A mismatch shows its message.
    virtual bool AskApplicationPassword(const QString& expected) = 0;
    // The set-password dialog: on entry newPassword pre-fills both entries; on a
    // confirmed valid entry it receives the trimmed new password, else it is unchanged.
    virtual void ChangePassword(QString& newPassword) = 0;
    // The import dialog: the full path of the selected item on OK, nothing otherwise.
    virtual std::optional<QString> PickLockerToImport() = 0;
};

} // namespace vk
