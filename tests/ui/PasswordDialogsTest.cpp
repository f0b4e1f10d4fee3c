#include "support/QtTestApp.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"
#include "translation/translation.h"
#include "ui/UnitPassword.h"
#include "ui/uPasswordSet.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace vk {
namespace {

using test::QtTestApp;
using test::WhenModalShown;

using test::ScriptedPrompts;

void Retype(QLineEdit* entry, const QString& text) {
    entry->clear();
    test::TypeText(entry, text);
}

class PasswordDialogsTest : public ::testing::Test {
protected:
    void SetUp() override { QtTestApp(); }
    ScriptedPrompts prompts;
};

// ---- The start-up prompt --------------------------------------------------

// Runs the real prompt: types the entry and presses the key in it.
bool AnswerPrompt(const QString& expected, const QString& typed, Qt::Key key, Prompts& prompts,
                  bool* entryWasMasked = nullptr) {
    WhenModalShown([&](QDialog& dialog) {
        auto& prompt = dynamic_cast<TfrmPassword&>(dialog);
        if (entryWasMasked != nullptr)
            *entryWasMasked = prompt.PasswordEntry()->echoMode() == QLineEdit::Password;
        test::TypeText(prompt.PasswordEntry(), typed);
        QTest::keyClick(prompt.PasswordEntry(), key);
    });
    return TfrmPassword::Execute(expected, prompts);
}

TEST_F(PasswordDialogsTest, PromptIgnoresAsciiLetterCaseOnly) {
    struct Case {
        QString expected;
        QString typed;
        bool accepted;
    };
    const Case cases[] = {
        {QStringLiteral("Secret9"), QStringLiteral("Secret9"), true},
        {QStringLiteral("Secret9"), QStringLiteral("sECRET9"), true},
        {QStringLiteral("caf\u00e9"), QStringLiteral("CAF\u00e9"), true},
        {QStringLiteral("caf\u00e9"), QStringLiteral("caf\u00c9"), false},
        {QStringLiteral("Secret9"), QStringLiteral("Secret9 "), false},
        {QStringLiteral("Secret9"), QStringLiteral(" Secret9"), false},
        {QStringLiteral("Secret9"), QStringLiteral("Secret"), false},
    };
    for (const Case& c : cases) {
        ScriptedPrompts recorder;
        bool masked = false;
        const bool result = AnswerPrompt(c.expected, c.typed, Qt::Key_Return, recorder, &masked);
        SCOPED_TRACE(c.typed.toStdString());
        EXPECT_EQ(result, c.accepted);
        EXPECT_TRUE(masked);
        if (c.accepted) {
            EXPECT_TRUE(recorder.Messages().isEmpty());
        } else {
            ASSERT_EQ(recorder.Messages(), QStringList{QStringLiteral("Invalid password.")});
            EXPECT_EQ(recorder.Asked.front().icon, Prompts::Icon::Error);
        }
    }
}

TEST_F(PasswordDialogsTest, PromptCancelledByEscapeOrCloseBoxShowsNothing) {
    EXPECT_FALSE(AnswerPrompt(QStringLiteral("Secret9"), QStringLiteral("Secret9"), Qt::Key_Escape, prompts));

    WhenModalShown([](QDialog& dialog) {
        auto& prompt = dynamic_cast<TfrmPassword&>(dialog);
        test::TypeText(prompt.PasswordEntry(), QStringLiteral("Secret9"));
        prompt.close();
    });
    EXPECT_FALSE(TfrmPassword::Execute(QStringLiteral("Secret9"), prompts));
    EXPECT_TRUE(prompts.Messages().isEmpty());
}

TEST_F(PasswordDialogsTest, PromptOkButtonChecksTheEntry) {
    WhenModalShown([](QDialog& dialog) {
        auto& prompt = dynamic_cast<TfrmPassword&>(dialog);
        test::TypeText(prompt.PasswordEntry(), QStringLiteral("secret9"));
        QTest::mouseClick(prompt.OkButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(TfrmPassword::Execute(QStringLiteral("Secret9"), prompts));
}

// ---- The set-password dialog ----------------------------------------------

struct Entries {
    QString first;
    QString second;
};

// Opens the dialog on current, types the two entries and presses Enter in the
// confirmation entry. Records the messages shown and whether the dialog was
// still open afterwards; then cancels if it was.
struct SetOutcome {
    QString password;
    QStringList messages;
    bool stayedOpen = false;
};

SetOutcome TypeAndConfirm(TfrmPasswordSet& dialog, ScriptedPrompts& prompts, const QString& current,
                          const Entries& typed) {
    SetOutcome outcome;
    outcome.password = current;
    WhenModalShown([&](QDialog&) {
        Retype(dialog.PasswordEntry(), typed.first);
        Retype(dialog.ConfirmEntry(), typed.second);
        QTest::keyClick(dialog.ConfirmEntry(), Qt::Key_Return);
        outcome.stayedOpen = dialog.isVisible();
        if (outcome.stayedOpen)
            QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    });
    prompts.Asked.clear();
    dialog.ChangePassword(outcome.password);
    outcome.messages = prompts.Messages();
    return outcome;
}

TEST_F(PasswordDialogsTest, SetPasswordValidatesTrimmedEntries) {
    struct Case {
        Entries typed;
        QString result;  // what ChangePassword hands back (opened on "old")
        QString message; // empty: none
    };
    const Case cases[] = {
        {{QStringLiteral("  new pass "), QStringLiteral("new pass")}, QStringLiteral("new pass"), {}},
        {{QStringLiteral("\tnew"), QStringLiteral("new  ")}, QStringLiteral("new"), {}},
        {{QStringLiteral("Secret"), QStringLiteral("secret")},
         QStringLiteral("old"),
         QStringLiteral("Passwords do not match.")},
        {{QStringLiteral("   "), QStringLiteral("  ")}, QStringLiteral("old"), QStringLiteral("Password is required.")},
        {{QString(), QString()}, QStringLiteral("old"), QStringLiteral("Password is required.")},
        {{QStringLiteral("  "), QStringLiteral("a")}, QStringLiteral("old"), QStringLiteral("Passwords do not match.")},
    };
    TfrmPasswordSet dialog(prompts);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.first.toStdString() + "|" + c.typed.second.toStdString());
        const SetOutcome outcome = TypeAndConfirm(dialog, prompts, QStringLiteral("old"), c.typed);
        EXPECT_EQ(outcome.password, c.result);
        EXPECT_EQ(outcome.stayedOpen, !c.message.isEmpty());
        EXPECT_EQ(outcome.messages, c.message.isEmpty() ? QStringList() : QStringList{c.message});
    }
}

TEST_F(PasswordDialogsTest, SetPasswordOpenedWithCurrentReturnsItOnOkAndOnCancel) {
    TfrmPasswordSet dialog(prompts);
    for (QPushButton* button : {dialog.OkButton(), dialog.CancelButton()}) {
        QString password = QStringLiteral("current");
        WhenModalShown([&](QDialog&) {
            EXPECT_EQ(dialog.PasswordEntry()->text(), QStringLiteral("current"));
            EXPECT_EQ(dialog.ConfirmEntry()->text(), QStringLiteral("current"));
            QTest::mouseClick(button, Qt::LeftButton);
        });
        dialog.ChangePassword(password);
        EXPECT_EQ(password, QStringLiteral("current"));
        EXPECT_EQ(dialog.Tag, button == dialog.OkButton() ? 1 : 0);
    }
    EXPECT_TRUE(prompts.Messages().isEmpty());
}

TEST_F(PasswordDialogsTest, SetPasswordEnterPressesTheFocusedButtonElseRunsOkAndEscapeDoesNothing) {
    TfrmPasswordSet dialog(prompts);
    QString password = QStringLiteral("old");
    WhenModalShown([&](QDialog&) {
        Retype(dialog.PasswordEntry(), QStringLiteral("one"));
        Retype(dialog.ConfirmEntry(), QStringLiteral("two"));
        QTest::keyClick(dialog.PasswordEntry(), Qt::Key_Escape);
        QTest::keyClick(dialog.ConfirmEntry(), Qt::Key_Escape);
        EXPECT_TRUE(dialog.isVisible());
        // Enter on the OK button or on the check box runs OK exactly once.
        QTest::keyClick(dialog.OkButton(), Qt::Key_Return);
        QTest::keyClick(dialog.ShowPasswordBox(), Qt::Key_Enter);
        EXPECT_EQ(prompts.Messages().size(), 2);
        EXPECT_TRUE(dialog.isVisible());
        // The entries keep what was typed after a message.
        EXPECT_EQ(dialog.ConfirmEntry()->text(), QStringLiteral("two"));
        // Enter on the Cancel button cancels, whatever the entries hold.
        Retype(dialog.ConfirmEntry(), QStringLiteral("one"));
        QTest::keyClick(dialog.CancelButton(), Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible());
    });
    dialog.ChangePassword(password);
    EXPECT_EQ(password, QStringLiteral("old"));
    EXPECT_EQ(prompts.Messages(), QStringList(2, QStringLiteral("Passwords do not match.")));

    WhenModalShown([&](QDialog&) {
        Retype(dialog.PasswordEntry(), QStringLiteral("one"));
        Retype(dialog.ConfirmEntry(), QStringLiteral("one"));
        QTest::keyClick(dialog.OkButton(), Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible());
    });
    dialog.ChangePassword(password);
    EXPECT_EQ(password, QStringLiteral("one"));
}

// Enter on a focused button of the start-up prompt presses that button.
TEST_F(PasswordDialogsTest, PromptEnterPressesTheFocusedButton) {
    for (const bool onOk : {true, false}) {
        WhenModalShown([onOk](QDialog& dialog) {
            auto& prompt = dynamic_cast<TfrmPassword&>(dialog);
            test::TypeText(prompt.PasswordEntry(), QStringLiteral("Secret9"));
            QTest::keyClick(onOk ? prompt.OkButton() : prompt.CancelButton(), Qt::Key_Return);
        });
        EXPECT_EQ(TfrmPassword::Execute(QStringLiteral("Secret9"), prompts), onOk);
    }
    EXPECT_TRUE(prompts.Messages().isEmpty());
}

// The first-run dialog says what a forgotten password costs.
TEST_F(PasswordDialogsTest, SetPasswordWarnsThatAForgottenPasswordIsLostWithoutTheSheet) {
    TfrmPasswordSet dialog(prompts);
    QStringList texts;
    WhenModalShown([&](QDialog&) {
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            texts << label->text();
    });
    QString password;
    dialog.ChangePassword(password);
    EXPECT_TRUE(texts.contains(QStringLiteral("A forgotten password cannot be recovered. Only the recovery sheet, "
                                              "which the program offers to save after hiding, can open the lockers "
                                              "without it.")))
        << texts.join(u'|').toStdString();
}

TEST_F(PasswordDialogsTest, SetPasswordCloseBoxLeavesPasswordUnchanged) {
    TfrmPasswordSet dialog(prompts);
    QString password;
    WhenModalShown([&](QDialog&) {
        Retype(dialog.PasswordEntry(), QStringLiteral("typed"));
        Retype(dialog.ConfirmEntry(), QStringLiteral("typed"));
        dialog.close();
    });
    dialog.ChangePassword(password);
    EXPECT_TRUE(password.isEmpty());
    EXPECT_EQ(dialog.Tag, 0);
}

TEST_F(PasswordDialogsTest, SetPasswordKeepsShowPasswordBetweenShowingsAndCaptionStartsWithSpace) {
    TfrmPasswordSet dialog(prompts);
    QString password = QStringLiteral("old");
    QString caption;
    WhenModalShown([&](QDialog&) {
        caption = dialog.windowTitle();
        EXPECT_FALSE(dialog.ShowPasswordBox()->isChecked());
        EXPECT_EQ(dialog.PasswordEntry()->echoMode(), QLineEdit::Password);
        EXPECT_EQ(dialog.ConfirmEntry()->echoMode(), QLineEdit::Password);
        QTest::mouseClick(dialog.ShowPasswordBox(), Qt::LeftButton);
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    });
    dialog.ChangePassword(password);
    EXPECT_EQ(caption, QStringLiteral(" Set Password"));

    QString next = QStringLiteral("new");
    WhenModalShown([&](QDialog&) {
        EXPECT_EQ(dialog.Tag, 0);
        EXPECT_TRUE(dialog.ShowPasswordBox()->isChecked());
        EXPECT_EQ(dialog.PasswordEntry()->echoMode(), QLineEdit::Normal);
        EXPECT_EQ(dialog.ConfirmEntry()->echoMode(), QLineEdit::Normal);
        EXPECT_EQ(dialog.PasswordEntry()->text(), QStringLiteral("new"));
        QTest::mouseClick(dialog.ShowPasswordBox(), Qt::LeftButton);
        EXPECT_EQ(dialog.PasswordEntry()->echoMode(), QLineEdit::Password);
        EXPECT_EQ(dialog.ConfirmEntry()->echoMode(), QLineEdit::Password);
        QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    });
    dialog.ChangePassword(next);
    EXPECT_EQ(next, QStringLiteral("new"));
}

// The texts are looked up when the dialog is shown, not when it is made: a
// language chosen after start-up shows at the next showing.
TEST_F(PasswordDialogsTest, SetPasswordTextsFollowTheLanguageAtEachShowing) {
    TfrmPasswordSet dialog(prompts);
    test::TempFolder temp;
    test::WriteFile(temp / "transl.dt", "2\nEnglish\nDeutsch\nen\nde\nSet Password\nKennwort setzen\n"
                                        "Passwords do not match.\nKennw\u00f6rter verschieden.\n");
    LoadTranslation("de", temp / "transl.dt");
    QString caption;
    QString password;
    WhenModalShown([&](QDialog&) {
        caption = dialog.windowTitle();
        Retype(dialog.PasswordEntry(), QStringLiteral("a"));
        QTest::keyClick(dialog.PasswordEntry(), Qt::Key_Return);
    });
    dialog.ChangePassword(password);
    LoadTranslation(std::nullopt, temp / "missing");
    EXPECT_EQ(caption, QStringLiteral(" Kennwort setzen"));
    EXPECT_EQ(prompts.Messages(), QStringList{QStringLiteral("Kennw\u00f6rter verschieden.")});
}

} // namespace
} // namespace vk
