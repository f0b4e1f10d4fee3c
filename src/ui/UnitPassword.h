#pragma once

// The password prompt shown once at start-up: one masked entry, one attempt.

#include "ui/Prompts.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vk {

class TfrmPassword : public QDialog {
    Q_OBJECT

public:
    explicit TfrmPassword(QWidget* parent = nullptr);

    // Creates the prompt without an owner, shows it modally and checks the
    // entry against the stored password (ASCII letter case ignored, nothing
    // trimmed). True only when confirmed and matching; a mismatch shows
    // "Invalid password." through prompts; cancelling shows nothing.
    static bool Execute(const QString& AExpectedPassword, Prompts& prompts);

    // The same on an existing dialog: clears the entry, shows it modally and
    // checks the answer. Execute runs this once on a dialog of its own.
    bool AskOnce(const QString& AExpectedPassword, Prompts& prompts);

    QLineEdit* PasswordEntry() const { return edtPassword; }
    QPushButton* OkButton() const { return btnOK; }
    QPushButton* CancelButton() const { return btnCancel; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    // Enter clicks OK and Escape clicks Cancel; both keys are swallowed.
    bool edtPasswordKeyPress(int key);

    QLabel* lblPrompt;
    QLineEdit* edtPassword;
    QPushButton* btnOK;
    QPushButton* btnCancel;
};

} // namespace vk
