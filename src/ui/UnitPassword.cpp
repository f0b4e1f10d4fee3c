#include "ui/UnitPassword.h"

#include "settings/uPasswordRules.h"
#include "ui/UiText.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vk {

TfrmPassword::TfrmPassword(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::CustomizeWindowHint),
      lblPrompt(new QLabel(this)), edtPassword(new QLineEdit(this)), btnOK(new QPushButton(this)),
      btnCancel(new QPushButton(this)) {
    setFont(QFont(QStringLiteral("Segoe UI"), 8));
    // Laid out by Qt layouts: the dialog grows with its texts in every language.
    lblPrompt->setWordWrap(true);
    edtPassword->setMinimumWidth(265);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->addWidget(lblPrompt);
    column->addWidget(edtPassword);
    column->addSpacing(8);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);
    // In the entry, its key handler decides what Enter and Escape do; Enter
    // on a focused button presses that button.
    btnOK->setAutoDefault(true);
    btnCancel->setAutoDefault(true);
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
