#pragma once

// The set-password dialog: one instance lives for the whole run and is shown
// for the first password and for every change. For a change it first asks for
// the password in force. Every showing starts with empty, masked entries.

#include "ui/Prompts.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vk {

class TfrmPasswordSet : public QDialog {
    Q_OBJECT

public:
    explicit TfrmPasswordSet(Prompts& prompts, QWidget* parent = nullptr);

    // Shows the dialog modally with every entry empty and masked. With a
    // currentPassword (a change) the first entry must hold exactly that text
    // before OK is taken; empty (the first password), that entry is hidden. On
    // a confirmed valid entry strNewPassword receives the trimmed new
    // password; otherwise it is left unchanged. Escape cancels.
    void ChangePassword(const QString& currentPassword, QString& strNewPassword);

    // 1 after a successful OK, 0 otherwise; the dialog itself always closes
    // with the result Rejected.
    int Tag = 0;

    void FormShow();
    void FormKeyPress(int key);
    void Button2Click(); // OK
    void Button1Click(); // Cancel
    void CheckBox1Click();

    QLineEdit* CurrentEntry() const { return edtCurrent; }
    QLineEdit* PasswordEntry() const { return Edit1; }
    QLineEdit* ConfirmEntry() const { return Edit2; }
    QCheckBox* ShowPasswordBox() const { return CheckBox1; }
    QPushButton* OkButton() const { return Button2; }
    QPushButton* CancelButton() const { return Button1; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Prompts& FPrompts;
    // The password in force while the dialog is shown for a change.
    QString FCurrentPassword;
    QLabel* Label3;
    QLabel* lblCurrent;
    QLineEdit* edtCurrent;
    QLabel* Label1;
    QLineEdit* Edit1;
    QLabel* Label2;
    QLineEdit* Edit2;
    QCheckBox* CheckBox1;
    QLabel* Label4; // the warning that a forgotten password cannot be recovered
    QPushButton* Button2;
    QPushButton* Button1;
};

} // namespace vk
