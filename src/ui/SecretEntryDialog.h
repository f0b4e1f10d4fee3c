#pragma once

// A one-line prompt for a password or recovery code: the entry is masked
// unless the user ticks "Show password", and starts empty.

#include <QDialog>
#include <QString>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace vk {

class SecretEntryDialog : public QDialog {
    Q_OBJECT

public:
    SecretEntryDialog(QWidget* parent, const QString& caption, const QString& prompt);

    QLineEdit* Entry() const { return FEntry; }
    QCheckBox* ShowBox() const { return FShow; }

private:
    QLineEdit* FEntry;
    QCheckBox* FShow;
};

// Shows the dialog modally; the typed text on OK, nothing otherwise.
std::optional<QString> AskSecretText(QWidget* parent, const QString& caption, const QString& prompt);

} // namespace vk
