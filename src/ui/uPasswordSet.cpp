#include "ui/uPasswordSet.h"

#include "settings/uPasswordRules.h"
#include "ui/UiText.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vk {

namespace {

QString Trimmed(const QLineEdit* entry) {
    return QString::fromStdString(TrimPassword(entry->text().toStdString()));
}

} // namespace

TfrmPasswordSet::TfrmPasswordSet(Prompts& prompts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::CustomizeWindowHint),
      FPrompts(prompts), Label3(new QLabel(this)), Label1(new QLabel(this)), Edit1(new QLineEdit(this)),
      Label2(new QLabel(this)), Edit2(new QLineEdit(this)), CheckBox1(new QCheckBox(this)),
      Button2(new QPushButton(this)), Button1(new QPushButton(this)) {
    setFont(QFont(QStringLiteral("Segoe UI"), 9));
    setFixedSize(370, 193);
    Label3->setGeometry(11, 9, 347, 33);
    Label3->setWordWrap(true);
    // Right-aligned with its right edge at 124.
    Label1->setGeometry(8, 58, 116, 17);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Edit1->setGeometry(132, 55, 227, 23);
    Label2->setGeometry(8, 90, 116, 45);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Label2->setWordWrap(true);
    Edit2->setGeometry(132, 87, 227, 23);
    CheckBox1->setGeometry(132, 126, 225, 17);
    Button2->setGeometry(203, 159, 75, 25);
    Button1->setGeometry(284, 159, 75, 25);
    Edit1->setEchoMode(QLineEdit::Password);
    Edit2->setEchoMode(QLineEdit::Password);
    // Enter is the dialog's own key (below); no button takes it as default.
    Button2->setAutoDefault(false);
    Button1->setAutoDefault(false);
    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, CheckBox1);
    setTabOrder(CheckBox1, Button2);
    setTabOrder(Button2, Button1);
    // The dialog sees every key before its controls do.
    for (QWidget* control :
         {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Edit2), static_cast<QWidget*>(CheckBox1),
          static_cast<QWidget*>(Button2), static_cast<QWidget*>(Button1)})
        control->installEventFilter(this);
    connect(CheckBox1, &QCheckBox::clicked, this, &TfrmPasswordSet::CheckBox1Click);
    connect(Button2, &QPushButton::clicked, this, &TfrmPasswordSet::Button2Click);
    connect(Button1, &QPushButton::clicked, this, &TfrmPasswordSet::Button1Click);
}

void TfrmPasswordSet::ChangePassword(QString& strNewPassword) {
    Tag = 0;
    Edit1->setText(strNewPassword);
    Edit2->setText(strNewPassword);
    Edit1->setFocus();
    exec();
    if (Tag != 0)
        strNewPassword = Trimmed(Edit1);
}

void TfrmPasswordSet::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TfrmPasswordSet::FormShow() {
    Tag = 0;
    setWindowTitle(QLatin1Char(' ') + TranslatedText("Set Password"));
    Label1->setText(TranslatedText("Password:"));
    Label2->setText(TranslatedText("Confirm password"));
    CheckBox1->setText(TranslatedText("Show password"));
    Button2->setText(TranslatedText("OK"));
    Button1->setText(TranslatedText("Cancel"));
    Label3->setText(TranslatedText("Set password to protect the program from unauthorized access and to encrypt "
                                   "selected files and folders."));
}

bool TfrmPasswordSet::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            FormKeyPress(key);
        // The key goes on to the control: neither entry, the check box nor a
        // button (none takes Enter as default) does anything more with it.
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmPasswordSet::keyPressEvent(QKeyEvent* event) {
    // Keys the controls leave alone end here. Escape does nothing in this
    // dialog, and Enter has already run OK on its way in.
    const int key = event->key();
    if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
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
