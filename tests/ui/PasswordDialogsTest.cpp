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

// Runs the real prompt: types the entry and presses the key in it. The check
// opens on expected alone and records what it was handed.
struct PromptRun {
    Prompts::PasswordOutcome outcome = Prompts::PasswordOutcome::Refused;
    QStringList tried;
    bool masked = false;
};

PromptRun AnswerPrompt(const QString& expected, const QString& typed, Qt::Key key, Prompts& prompts) {
    PromptRun run;
    WhenModalShown([&](QDialog& dialog) {
        auto& prompt = dynamic_cast<TfrmPassword&>(dialog);
        run.masked = prompt.PasswordEntry()->echoMode() == QLineEdit::Password;
        test::TypeText(prompt.PasswordEntry(), typed);
        QTest::keyClick(prompt.PasswordEntry(), key);
    });
    run.outcome = TfrmPassword::Execute(
        [&](const QString& entry) {
            run.tried << entry;
            return entry == expected;
        },
        prompts);
    return run;
}

// The entry goes to the check exactly as typed: no letter case ignored,
// nothing trimmed.
TEST_F(PasswordDialogsTest, PromptTriesTheEntryExactlyAsTyped) {
    struct Case {
        QString typed;
        bool opened;
    };
    const Case cases[] = {
        {QStringLiteral("Secret9"), true},   {QStringLiteral("sECRET9"), false},  {QStringLiteral("secret9"), false},
        {QStringLiteral("Secret9 "), false}, {QStringLiteral(" Secret9"), false}, {QStringLiteral("Secret"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        ScriptedPrompts recorder;
        const PromptRun run = AnswerPrompt(QStringLiteral("Secret9"), c.typed, Qt::Key_Return, recorder);
        EXPECT_EQ(run.outcome, c.opened ? Prompts::PasswordOutcome::Opened : Prompts::PasswordOutcome::Refused);
        EXPECT_TRUE(run.masked);
        EXPECT_EQ(run.tried, QStringList{c.typed});
        if (c.opened) {
            EXPECT_TRUE(recorder.Messages().isEmpty());
        } else {
            ASSERT_EQ(recorder.Messages(), QStringList{QStringLiteral("Invalid password.")});
            EXPECT_EQ(recorder.Asked.front().icon, Prompts::Icon::Error);
        }
    }
}

TEST_F(PasswordDialogsTest, PromptCancelledByEscapeOrCloseBoxTriesNothingAndShowsNothing) {
    const PromptRun escaped =
        AnswerPrompt(QStringLiteral("Secret9"), QStringLiteral("Secret9"), Qt::Key_Escape, prompts);
    EXPECT_EQ(escaped.outcome, Prompts::PasswordOutcome::Refused);
    EXPECT_TRUE(escaped.tried.isEmpty());

    WhenModalShown([](QDialog& dialog) {
        auto& prompt = dynamic_cast<TfrmPassword&>(dialog);
        test::TypeText(prompt.PasswordEntry(), QStringLiteral("Secret9"));
        prompt.close();
    });
    bool tried = false;
    EXPECT_EQ(TfrmPassword::Execute([&](const QString&) { return tried = true; }, prompts),
              Prompts::PasswordOutcome::Refused);
    EXPECT_FALSE(tried);
    EXPECT_TRUE(prompts.Messages().isEmpty());
}

// OK tries the entry; "Forgotten Password..." ends the prompt without trying it.
TEST_F(PasswordDialogsTest, PromptOkTriesTheEntryAndTheForgottenButtonTakesTheWayOut) {
    for (const bool forgotten : {false, true}) {
        WhenModalShown([forgotten](QDialog& dialog) {
            auto& prompt = dynamic_cast<TfrmPassword&>(dialog);
            test::TypeText(prompt.PasswordEntry(), QStringLiteral("Secret9"));
            QTest::mouseClick(forgotten ? prompt.ForgottenButton() : prompt.OkButton(), Qt::LeftButton);
        });
        QStringList tried;
        const Prompts::PasswordOutcome outcome = TfrmPassword::Execute(
            [&](const QString& entry) {
                tried << entry;
                return true;
            },
            prompts);
        EXPECT_EQ(outcome, forgotten ? Prompts::PasswordOutcome::Forgotten : Prompts::PasswordOutcome::Opened);
        EXPECT_EQ(tried, forgotten ? QStringList() : QStringList{QStringLiteral("Secret9")});
    }
    EXPECT_TRUE(prompts.Messages().isEmpty());
}

// ---- The set-password dialog ----------------------------------------------

struct Entries {
    QString first;
    QString second;
};

// Opens the dialog for a change from current (typing it right), types the two
// new entries and presses Enter in the confirmation entry. Records the
// messages shown and whether the dialog was still open afterwards; then
// cancels if it was.
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
        Retype(dialog.CurrentEntry(), current);
        Retype(dialog.PasswordEntry(), typed.first);
        Retype(dialog.ConfirmEntry(), typed.second);
        QTest::keyClick(dialog.ConfirmEntry(), Qt::Key_Return);
        outcome.stayedOpen = dialog.isVisible();
        if (outcome.stayedOpen)
            QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    });
    prompts.Asked.clear();
    dialog.ChangePassword(current, outcome.password);
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

// Nothing the dialog showed before is on it: every entry starts empty and
// masked, the current password is asked for first and must be exact.
TEST_F(PasswordDialogsTest, AChangeAsksForTheExactCurrentPasswordWithNothingPrefilled) {
    TfrmPasswordSet dialog(prompts);
    QString password = QStringLiteral("Current1");
    WhenModalShown([&](QDialog&) {
        EXPECT_TRUE(dialog.CurrentEntry()->isVisible());
        EXPECT_EQ(dialog.focusWidget(), dialog.CurrentEntry());
        for (const QLineEdit* entry : {dialog.CurrentEntry(), dialog.PasswordEntry(), dialog.ConfirmEntry()}) {
            EXPECT_TRUE(entry->text().isEmpty());
            EXPECT_EQ(entry->echoMode(), QLineEdit::Password);
        }
        Retype(dialog.PasswordEntry(), QStringLiteral("next"));
        Retype(dialog.ConfirmEntry(), QStringLiteral("next"));
        for (const QString& wrong : {QString(), QStringLiteral("current1"), QStringLiteral("Current1 ")}) {
            Retype(dialog.CurrentEntry(), wrong);
            QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_TRUE(dialog.CurrentEntry()->text().isEmpty());
        }
        // "Show password" shows the new entries only.
        QTest::mouseClick(dialog.ShowPasswordBox(), Qt::LeftButton);
        EXPECT_EQ(dialog.CurrentEntry()->echoMode(), QLineEdit::Password);
        EXPECT_EQ(dialog.PasswordEntry()->echoMode(), QLineEdit::Normal);
        Retype(dialog.CurrentEntry(), QStringLiteral("Current1"));
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    });
    dialog.ChangePassword(QStringLiteral("Current1"), password);
    EXPECT_EQ(password, QStringLiteral("next"));
    EXPECT_EQ(prompts.Messages(), QStringList(3, QStringLiteral("The current password is not correct.")));
    for (const QLineEdit* entry : {dialog.CurrentEntry(), dialog.PasswordEntry(), dialog.ConfirmEntry()})
        EXPECT_TRUE(entry->text().isEmpty()); // nothing stays behind in the hidden dialog
}

TEST_F(PasswordDialogsTest, TheFirstPasswordIsAskedWithoutACurrentOne) {
    TfrmPasswordSet dialog(prompts);
    QString password;
    WhenModalShown([&](QDialog&) {
        EXPECT_FALSE(dialog.CurrentEntry()->isVisible());
        EXPECT_EQ(dialog.focusWidget(), dialog.PasswordEntry());
        Retype(dialog.PasswordEntry(), QStringLiteral("first"));
        Retype(dialog.ConfirmEntry(), QStringLiteral("first"));
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    });
    dialog.ChangePassword(QString(), password);
    EXPECT_EQ(password, QStringLiteral("first"));
    EXPECT_TRUE(prompts.Messages().isEmpty());
}

TEST_F(PasswordDialogsTest, SetPasswordEnterPressesTheFocusedButtonElseRunsOkAndEscapeCancels) {
    TfrmPasswordSet dialog(prompts);
    QString password = QStringLiteral("old");
    WhenModalShown([&](QDialog&) {
        Retype(dialog.CurrentEntry(), QStringLiteral("old"));
        Retype(dialog.PasswordEntry(), QStringLiteral("one"));
        Retype(dialog.ConfirmEntry(), QStringLiteral("two"));
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
    dialog.ChangePassword(QStringLiteral("old"), password);
    EXPECT_EQ(password, QStringLiteral("old"));
    EXPECT_EQ(prompts.Messages(), QStringList(2, QStringLiteral("Passwords do not match.")));

    WhenModalShown([&](QDialog&) {
        Retype(dialog.CurrentEntry(), QStringLiteral("old"));
        Retype(dialog.PasswordEntry(), QStringLiteral("one"));
        Retype(dialog.ConfirmEntry(), QStringLiteral("one"));
        QTest::keyClick(dialog.ConfirmEntry(), Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
    });
    dialog.ChangePassword(QStringLiteral("old"), password);
    EXPECT_EQ(password, QStringLiteral("old"));
    EXPECT_EQ(dialog.Tag, 0);

    WhenModalShown([&](QDialog&) {
        Retype(dialog.CurrentEntry(), QStringLiteral("old"));
        Retype(dialog.PasswordEntry(), QStringLiteral("one"));
        Retype(dialog.ConfirmEntry(), QStringLiteral("one"));
        QTest::keyClick(dialog.OkButton(), Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible());
    });
    dialog.ChangePassword(QStringLiteral("old"), password);
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
        EXPECT_EQ(
            TfrmPassword::Execute([](const QString& entry) { return entry == QStringLiteral("Secret9"); }, prompts),
            onOk ? Prompts::PasswordOutcome::Opened : Prompts::PasswordOutcome::Refused);
    }
    EXPECT_TRUE(prompts.Messages().isEmpty());
}

// The first-run dialog says what a forgotten password costs and how the
// lockers open then.
TEST_F(PasswordDialogsTest, SetPasswordWarnsThatAForgottenPasswordIsLostWithoutTheSheet) {
    TfrmPasswordSet dialog(prompts);
    QStringList texts;
    WhenModalShown([&](QDialog&) {
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            texts << label->text();
    });
    QString password;
    dialog.ChangePassword(QString(), password);
    EXPECT_TRUE(texts.contains(QStringLiteral("A forgotten password cannot be recovered. Only the recovery sheet, "
                                              "which the program offers to save after hiding, can open the lockers "
                                              "without it. Should the password be forgotten, the password prompt at "
                                              "start-up can start afresh; the lockers then open through Import "
                                              "Locker with their recovery codes.")))
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
    dialog.ChangePassword(QString(), password);
    EXPECT_TRUE(password.isEmpty());
    EXPECT_EQ(dialog.Tag, 0);
}

// A ticked "Show password" does not carry over: the next showing is masked again.
TEST_F(PasswordDialogsTest, SetPasswordStartsMaskedAtEveryShowingAndCaptionStartsWithSpace) {
    TfrmPasswordSet dialog(prompts);
    QString caption;
    for (int showing = 0; showing < 2; ++showing) {
        QString password = QStringLiteral("old");
        WhenModalShown([&](QDialog&) {
            caption = dialog.windowTitle();
            EXPECT_FALSE(dialog.ShowPasswordBox()->isChecked());
            EXPECT_EQ(dialog.PasswordEntry()->echoMode(), QLineEdit::Password);
            EXPECT_EQ(dialog.ConfirmEntry()->echoMode(), QLineEdit::Password);
            Retype(dialog.PasswordEntry(), QStringLiteral("typed"));
            QTest::mouseClick(dialog.ShowPasswordBox(), Qt::LeftButton);
            EXPECT_EQ(dialog.PasswordEntry()->echoMode(), QLineEdit::Normal);
            EXPECT_EQ(dialog.ConfirmEntry()->echoMode(), QLineEdit::Normal);
            QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
        });
        dialog.ChangePassword(QStringLiteral("old"), password);
        EXPECT_EQ(password, QStringLiteral("old"));
    }
    EXPECT_EQ(caption, QStringLiteral(" Set Password"));
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
    dialog.ChangePassword(QString(), password);
    LoadTranslation(std::nullopt, temp / "missing");
    EXPECT_EQ(caption, QStringLiteral(" Kennwort setzen"));
    EXPECT_EQ(prompts.Messages(), QStringList{QStringLiteral("Kennw\u00f6rter verschieden.")});
}

} // namespace
} // namespace vk
