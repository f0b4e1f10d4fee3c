#pragma once

// The update dialog asks only one kind of question: the error box. This fake
// records every message shown and refuses every other kind of question.

#include "ui/Prompts.h"

#include <QStringList>

#include <stdexcept>

namespace vk::test {

class RecordingPrompts : public Prompts {
public:
    QStringList Messages;

    void Message(const QString& text, Icon) override { Messages << text; }
    bool ConfirmOkCancel(const QString&) override { return Unexpected<bool>(); }
    Answer AskYesNoCancel(const QString&) override { return Unexpected<Answer>(); }
    std::optional<QString> AskText(const QString&, const QString&, const QString&) override {
        return Unexpected<std::optional<QString>>();
    }
    std::optional<QString> PickFolder(const QString&) override { return Unexpected<std::optional<QString>>(); }
    std::optional<QString> PickFile(const QString&) override { return Unexpected<std::optional<QString>>(); }
    bool AskApplicationPassword(const QString&) override { return Unexpected<bool>(); }
    void ChangePassword(QString&) override { Unexpected<bool>(); }
    std::optional<QString> PickLockerToImport() override { return Unexpected<std::optional<QString>>(); }

private:
    template <typename T> static T Unexpected() {
        throw std::logic_error("the update dialog asked an unexpected question");
    }
};

} // namespace vk::test
