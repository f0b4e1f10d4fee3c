#include "ui/UnitPassword.h"

#include "settings/uPasswordRules.h"
#include "ui/UiText.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vk {

TfrmPassword::TfrmPassword(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::CustomizeWindowHint),
      lblPrompt(new QLabel(this)), edtPassword(new QLineEdit(this)), btnOK(new QPushButton(this)),
      btnCancel(new QPushButton(this)) {
    setFont(QFont(QStringLiteral("Segoe UI"), 8));
    setFixedSize(300, 120);
    lblPrompt->move(16, 16);
    edtPassword->setGeometry(16, 40, 265, 21);
    btnOK->setGeometry(124, 80, 75, 25);
    btnCancel->setGeometry(206, 80, 75, 25);
    // The entry's key handler decides what Enter and Escape do, not the buttons.
    btnOK->setAutoDefault(false);
    btnCancel->setAutoDefault(false);
    setTabOrder(edtPassword, btnOK);
    setTabOrder(btnOK, btnCancel);
    edtPassword->installEventFilter(this);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    FormCreate();
}

void TfrmPassword::FormCreate() {
    edtPassword->setEchoMode(QLineEdit::Password);
    setWindowTitle(TranslatedText("Enter Password"));
    lblPrompt->setText(TranslatedText("Please enter the application password:"));
    lblPrompt->adjustSize();
    btnOK->setText(TranslatedText("OK"));
    btnCancel->setText(TranslatedText("Cancel"));
}

bool TfrmPassword::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edtPassword && event->type() == QEvent::KeyPress)
        return edtPasswordKeyPress(static_cast<QKeyEvent*>(event)->key());
    return QDialog::eventFilter(watched, event);
}

bool TfrmPassword::edtPasswordKeyPress(int key) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        btnOK->click();
        return true;
    case Qt::Key_Escape:
        btnCancel->click();
        return true;
    default:
        return false;
    }
}

bool TfrmPassword::AskOnce(const QString& AExpectedPassword, Prompts& prompts) {
    edtPassword->clear();
    edtPassword->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    if (PasswordMatches(edtPassword->text().toStdString(), AExpectedPassword.toStdString()))
        return true;
    prompts.Message(TranslatedText("Invalid password."), Prompts::Icon::Error);
    return false;
}

bool TfrmPassword::Execute(const QString& AExpectedPassword, Prompts& prompts) {
    TfrmPassword dialog;
    return dialog.AskOnce(AExpectedPassword, prompts);
}

} // namespace vk
