#include "ui/uPasswordSet.h"

#include "settings/uPasswordRules.h"
#include "ui/UiText.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vk {

namespace {

// The explanations wrap at this width at the least.
constexpr int MinimumTextWidth = 347;

QString Trimmed(const QLineEdit* entry) {
    return QString::fromStdString(TrimPassword(entry->text().toStdString()));
}

} // namespace

TfrmPasswordSet::TfrmPasswordSet(Prompts& prompts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::CustomizeWindowHint),
      FPrompts(prompts), Label3(new QLabel(this)), lblCurrent(new QLabel(this)), edtCurrent(new QLineEdit(this)),
      Label1(new QLabel(this)), Edit1(new QLineEdit(this)), Label2(new QLabel(this)), Edit2(new QLineEdit(this)),
      CheckBox1(new QCheckBox(this)), Label4(new QLabel(this)), Button2(new QPushButton(this)),
      Button1(new QPushButton(this)) {
    setFont(QFont(QStringLiteral("Segoe UI"), 9));
    // Laid out by Qt layouts, so that every control grows with its text in
    // every language; the dialog takes the size its contents need.
    Label3->setWordWrap(true);
    Label3->setMinimumWidth(MinimumTextWidth);
    Label4->setWordWrap(true);
    Label4->setMinimumWidth(MinimumTextWidth);
    Label2->setWordWrap(true);
    // The check box answers clicks on its box and caption only: it keeps its own width.
    CheckBox1->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* fields = new QFormLayout;
    fields->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
    fields->addRow(lblCurrent, edtCurrent);
    fields->addRow(Label1, Edit1);
    fields->addRow(Label2, Edit2);
    fields->addRow(QString(), CheckBox1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button2);
    buttons->addWidget(Button1);
    auto* column = new QVBoxLayout(this);
    column->addWidget(Label3);
    column->addLayout(fields);
    column->addWidget(Label4);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);
    edtCurrent->setEchoMode(QLineEdit::Password);
    Edit1->setEchoMode(QLineEdit::Password);
    Edit2->setEchoMode(QLineEdit::Password);
    // Enter on a focused button presses that button; anywhere else it runs OK
    // (below).
    Button2->setAutoDefault(true);
    Button1->setAutoDefault(true);
    setTabOrder(edtCurrent, Edit1);
    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, CheckBox1);
    setTabOrder(CheckBox1, Button2);
    setTabOrder(Button2, Button1);
    // The dialog sees every key before its controls do.
    for (QWidget* control :
         {static_cast<QWidget*>(edtCurrent), static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Edit2),
          static_cast<QWidget*>(CheckBox1), static_cast<QWidget*>(Button2), static_cast<QWidget*>(Button1)})
        control->installEventFilter(this);
    connect(CheckBox1, &QCheckBox::clicked, this, &TfrmPasswordSet::CheckBox1Click);
    connect(Button2, &QPushButton::clicked, this, &TfrmPasswordSet::Button2Click);
    connect(Button1, &QPushButton::clicked, this, &TfrmPasswordSet::Button1Click);
}

void TfrmPasswordSet::ChangePassword(const QString& currentPassword, QString& strNewPassword) {
    Tag = 0;
    FCurrentPassword = currentPassword;
    const bool asksCurrent = !currentPassword.isEmpty();
    lblCurrent->setVisible(asksCurrent);
    edtCurrent->setVisible(asksCurrent);
    // Every showing starts empty and masked: nothing typed before is shown.
    for (QLineEdit* entry : {edtCurrent, Edit1, Edit2})
        entry->clear();
    CheckBox1->setChecked(false);
    CheckBox1Click();
    (asksCurrent ? edtCurrent : Edit1)->setFocus();
    exec();
    if (Tag != 0)
        strNewPassword = Trimmed(Edit1);
    for (QLineEdit* entry : {edtCurrent, Edit1, Edit2})
        entry->clear();
    FCurrentPassword.fill(QChar(0));
    FCurrentPassword.clear();
}

void TfrmPasswordSet::showEvent(QShowEvent* event) {
    FormShow();
    // The size follows the texts just set, before the dialog is drawn.
    layout()->activate();
    QDialog::showEvent(event);
}

void TfrmPasswordSet::FormShow() {
    Tag = 0;
    setWindowTitle(QLatin1Char(' ') + TranslatedText("Set Password"));
    lblCurrent->setText(TranslatedText("Current password:"));
    Label1->setText(TranslatedText("Password:"));
    Label2->setText(TranslatedText("Confirm password"));
    CheckBox1->setText(TranslatedText("Show password"));
    Button2->setText(TranslatedText("OK"));
    Button1->setText(TranslatedText("Cancel"));
    Label3->setText(TranslatedText("Set password to protect the program from unauthorized access and to encrypt "
                                   "selected files and folders."));
    Label4->setText(TranslatedText("A forgotten password cannot be recovered. Only the recovery sheet, which the "
                                   "program offers to save after hiding, can open the lockers without it.") +
                    QLatin1Char(' ') +
                    TranslatedText("Should the password be forgotten, the password prompt at start-up can start "
                                   "afresh; the lockers then open through Import Locker with their recovery codes."));
}

bool TfrmPasswordSet::eventFilter(QObject* watched, QEvent* event) {
    // A focused button takes Enter itself and presses itself.
    if (event->type() == QEvent::KeyPress && qobject_cast<QPushButton*>(watched) == nullptr) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            FormKeyPress(key);
        // The key goes on to the control: neither entry nor the check box
        // does anything with it, and the dialog swallows it below.
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmPasswordSet::keyPressEvent(QKeyEvent* event) {
    // Keys the controls leave alone end here. Escape cancels, and Enter has
    // already run OK on its way in.
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        event->accept();
        Button1Click();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmPasswordSet::FormKeyPress(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        Button2Click();
}

void TfrmPasswordSet::Button2Click() {
    if (!FCurrentPassword.isEmpty() &&
        !PasswordMatches(edtCurrent->text().toStdString(), FCurrentPassword.toStdString())) {
        FPrompts.Message(TranslatedText("The current password is not correct."), Prompts::Icon::Error);
        edtCurrent->clear();
        edtCurrent->setFocus();
        return;
    }
    const QString password = Trimmed(Edit1);
    const QString confirmation = Trimmed(Edit2);
    if (password != confirmation) {
        FPrompts.Message(TranslatedText("Passwords do not match."), Prompts::Icon::Error);
        return;
    }
    if (password.isEmpty()) {
        FPrompts.Message(TranslatedText("Password is required."), Prompts::Icon::Error);
        return;
    }
    Tag = 1;
    reject();
}

void TfrmPasswordSet::Button1Click() {
    reject();
}

void TfrmPasswordSet::CheckBox1Click() {
    const QLineEdit::EchoMode mode = CheckBox1->isChecked() ? QLineEdit::Normal : QLineEdit::Password;
    Edit1->setEchoMode(mode);
    Edit2->setEchoMode(mode);
}

} // namespace vk
