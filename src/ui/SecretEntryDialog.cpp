#include "ui/SecretEntryDialog.h"

#include "ui/UiText.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vk {

SecretEntryDialog::SecretEntryDialog(QWidget* parent, const QString& caption, const QString& prompt)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      FEntry(new QLineEdit(this)), FShow(new QCheckBox(this)) {
    setWindowTitle(caption);
    auto* label = new QLabel(prompt, this);
    label->setWordWrap(true);
    FEntry->setEchoMode(QLineEdit::Password);
    FEntry->setMinimumWidth(300);
    FShow->setText(TranslatedText("Show password"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(TranslatedText("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(TranslatedText("Cancel"), QDialogButtonBox::RejectRole);
    auto* column = new QVBoxLayout(this);
    column->addWidget(label);
    column->addWidget(FEntry);
    column->addWidget(FShow);
    column->addWidget(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);
    connect(FShow, &QCheckBox::toggled, this,
            [this](bool shown) { FEntry->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    FEntry->setFocus();
}

std::optional<QString> AskSecretText(QWidget* parent, const QString& caption, const QString& prompt) {
    SecretEntryDialog dialog(parent, caption, prompt);
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    const QString text = dialog.Entry()->text();
    dialog.Entry()->clear();
    if (!confirmed)
        return std::nullopt;
    return text;
}

} // namespace vk
