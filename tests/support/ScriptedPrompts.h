#pragma once

// A prompts seam for GUI tests: every question is answered from a queue of
// scripted answers for its kind and recorded (kind and text), so tests can
// assert what the user would have seen. An empty queue answers as Cancel
// (or OK for a plain message box) and the question is still recorded.

#include "ui/Prompts.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace vk::test {

class ScriptedPrompts : public Prompts {
public:
    enum class Kind {
        Message,
        ConfirmOkCancel,
        AskYesNoCancel,
        AskText,
        AskSecret,
        PickFolder,
        PickFile,
        PickSaveFile,
        AskApplicationPassword,
        ChangePassword,
        PickLockerToImport
    };

    struct Question {
        Kind kind;
        QString text; // message text, prompt, or caption of a picker
        Icon icon = Icon::None;
    };

    // Scripted answers, taken from the front.
    std::deque<bool> OkCancelAnswers;
    std::deque<Answer> YesNoCancelAnswers;
    std::deque<std::optional<QString>> TextAnswers;
    std::deque<std::optional<QString>> FolderAnswers;
    std::deque<std::optional<QString>> FileAnswers;
    std::deque<std::optional<QString>> SaveFileAnswers;
    // What is typed at the start-up prompt; nothing: it is cancelled;
    // ForgottenPassword(): the way out of a forgotten password is taken.
    std::deque<std::optional<QString>> ApplicationPasswordAnswers;
    static QString ForgottenPassword() { return QStringLiteral("\x01forgotten"); }
    std::deque<std::optional<QString>> SecretAnswers;
    std::deque<std::optional<QString>> NewPasswordAnswers; // nothing: the dialog is cancelled
    std::deque<std::optional<QString>> LockerAnswers;

    // Every question asked, in order.
    std::vector<Question> Asked;
    // Runs after a question is recorded and before it is answered (for
    // example to press Stop while a message box is up).
    std::function<void(const Question&)> OnAsk;

    std::vector<Question> AskedOf(Kind kind) const {
        std::vector<Question> found;
        for (const Question& question : Asked)
            if (question.kind == kind)
                found.push_back(question);
        return found;
    }
    QStringList TextsOf(Kind kind) const {
        QStringList texts;
        for (const Question& question : AskedOf(kind))
            texts << question.text;
        return texts;
    }
    QStringList Messages() const { return TextsOf(Kind::Message); }

    void Message(const QString& text, Icon icon = Icon::None) override { Record(Kind::Message, text, icon); }
    bool ConfirmOkCancel(const QString& text) override {
        Record(Kind::ConfirmOkCancel, text, Icon::Warning);
        return Take(OkCancelAnswers, false);
    }
    Answer AskYesNoCancel(const QString& text) override {
        Record(Kind::AskYesNoCancel, text, Icon::Warning);
        return Take(YesNoCancelAnswers, Answer::Cancel);
    }
    std::optional<QString> AskText(const QString& caption, const QString& prompt, const QString& = {}) override {
        Record(Kind::AskText, caption + QStringLiteral(": ") + prompt);
        return Take(TextAnswers, std::optional<QString>());
    }
    std::optional<QString> PickFolder(const QString& caption) override {
        Record(Kind::PickFolder, caption);
        return Take(FolderAnswers, std::optional<QString>());
    }
    std::optional<QString> PickFile(const QString& caption) override {
        Record(Kind::PickFile, caption);
        return Take(FileAnswers, std::optional<QString>());
    }
    std::optional<QString> PickSaveFile(const QString& caption, const QString& suggestedName) override {
        Record(Kind::PickSaveFile, caption + QStringLiteral(": ") + suggestedName);
        return Take(SaveFileAnswers, std::optional<QString>());
    }
    std::optional<QString> AskSecret(const QString& caption, const QString& prompt) override {
        Record(Kind::AskSecret, caption + QStringLiteral(": ") + prompt);
        return Take(SecretAnswers, std::optional<QString>());
    }
    // Recorded with the typed text; a refused one shows the real prompt's message.
    PasswordOutcome AskApplicationPassword(const PasswordCheck& opens) override {
        const std::optional<QString> typed = Take(ApplicationPasswordAnswers, std::optional<QString>());
        Record(Kind::AskApplicationPassword, typed.value_or(QString()));
        if (!typed)
            return PasswordOutcome::Refused;
        if (*typed == ForgottenPassword())
            return PasswordOutcome::Forgotten;
        if (opens(*typed))
            return PasswordOutcome::Opened;
        Message(QStringLiteral("Invalid password."), Icon::Error);
        return PasswordOutcome::Refused;
    }
    // Recorded with the password in force; an answer stands for the right
    // current password and the new one typed twice.
    void ChangePassword(const QString& currentPassword, QString& newPassword) override {
        Record(Kind::ChangePassword, currentPassword);
        if (std::optional<QString> answer = Take(NewPasswordAnswers, std::optional<QString>()))
            newPassword = *answer;
    }
    std::optional<QString> PickLockerToImport() override {
        Record(Kind::PickLockerToImport, QString());
        return Take(LockerAnswers, std::optional<QString>());
    }

private:
    void Record(Kind kind, const QString& text, Icon icon = Icon::None) {
        Asked.push_back(Question{kind, text, icon});
        if (OnAsk)
            OnAsk(Asked.back());
    }

    // Copies the front answer out before dropping it (moving an optional
    // QString out of the deque trips a false "may be used uninitialized").
    template <typename T> static T Take(std::deque<T>& answers, const T& whenEmpty) {
        if (answers.empty())
            return whenEmpty;
        const T answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace vk::test
