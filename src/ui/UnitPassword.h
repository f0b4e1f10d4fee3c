#pragma once

// The password prompt shown once at start-up: one masked entry, one attempt,
// and a way out for a forgotten password.

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

    // Creates the prompt without an owner, shows it modally and tries the
    // entry, exactly as typed, with opens. Opened only when confirmed and
    // opens accepts it; a refused entry shows "Invalid password." through
    // prompts; cancelling shows nothing; "Forgotten Password..." gives Forgotten.
    static Prompts::PasswordOutcome Execute(const Prompts::PasswordCheck& opens, Prompts& prompts);

    // The same on an existing dialog: clears the entry, shows it modally and
    // tries the answer. Execute runs this once on a dialog of its own.
    Prompts::PasswordOutcome AskOnce(const Prompts::PasswordCheck& opens, Prompts& prompts);

    QLineEdit* PasswordEntry() const { return edtPassword; }
    QPushButton* OkButton() const { return btnOK; }
    QPushButton* CancelButton() const { return btnCancel; }
    QPushButton* ForgottenButton() const { return btnForgotten; }

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
    QPushButton* btnForgotten;
};

} // namespace vk
