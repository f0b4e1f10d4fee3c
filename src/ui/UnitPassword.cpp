#include "ui/UnitPassword.h"

#include "ui/UiText.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vk {

namespace {

// The dialog's result when the user chose the way out of a forgotten password.
constexpr int ForgottenResult = 2;

} // namespace

TfrmPassword::TfrmPassword(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::CustomizeWindowHint),
      lblPrompt(new QLabel(this)), edtPassword(new QLineEdit(this)), btnOK(new QPushButton(this)),
      btnCancel(new QPushButton(this)), btnForgotten(new QPushButton(this)) {
    setFont(QFont(QStringLiteral("Segoe UI"), 8));
    // Laid out by Qt layouts: the dialog grows with its texts in every language.
    lblPrompt->setWordWrap(true);
    edtPassword->setMinimumWidth(265);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnForgotten);
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
    btnForgotten->setAutoDefault(true);
    setTabOrder(edtPassword, btnOK);
    setTabOrder(btnOK, btnCancel);
    setTabOrder(btnCancel, btnForgotten);
    edtPassword->installEventFilter(this);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnForgotten, &QPushButton::clicked, this, [this] { done(ForgottenResult); });
    FormCreate();
}

void TfrmPassword::FormCreate() {
    edtPassword->setEchoMode(QLineEdit::Password);
    setWindowTitle(TranslatedText("Enter Password"));
    lblPrompt->setText(TranslatedText("Please enter the application password:"));
    btnOK->setText(TranslatedText("OK"));
    btnCancel->setText(TranslatedText("Cancel"));
    btnForgotten->setText(TranslatedText("Forgotten Password..."));
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

Prompts::PasswordOutcome TfrmPassword::AskOnce(const Prompts::PasswordCheck& opens, Prompts& prompts) {
    edtPassword->clear();
    edtPassword->setFocus();
    const int result = exec();
    // The typed text is tried once and leaves the entry at once.
    const QString typed = edtPassword->text();
    edtPassword->clear();
    if (result == ForgottenResult)
        return Prompts::PasswordOutcome::Forgotten;
    if (result != QDialog::Accepted)
        return Prompts::PasswordOutcome::Refused;
    if (opens(typed))
        return Prompts::PasswordOutcome::Opened;
    prompts.Message(TranslatedText("Invalid password."), Prompts::Icon::Error);
    return Prompts::PasswordOutcome::Refused;
}

Prompts::PasswordOutcome TfrmPassword::Execute(const Prompts::PasswordCheck& opens, Prompts& prompts) {
    TfrmPassword dialog;
    return dialog.AskOnce(opens, prompts);
}

} // namespace vk
