// The recovery sheet: after a run that created lockers the window offers to
// save their recovery codes, and every code on the sheet opens its locker.

#include "ui/RecoverySheet.h"
#include "ui/RunsFixture.h"

#include <QRegularExpression>
#include <QToolButton>

namespace vk::test {
namespace {

using Kind = ScriptedPrompts::Kind;

class RecoverySheetTest : public RunsTest {
protected:
    // Two listed files, hidden by Encrypt and Hide All through the command plumbing.
    void HideTwoFiles() {
        OpenWindowWith({MakeFile("a.txt"), MakeFile("b.txt")});
        window->btnEncryptAndHideAll->click();
    }
    fs::path SheetPath() const { return temp / "sheet.txt"; }
};

TEST_F(RecoverySheetTest, TheSavedSheetListsEveryNewLockerAndItsCodeOpensIt) {
    prompts.OkCancelAnswers = {true};
    prompts.SaveFileAnswers = {ToQ(SheetPath())};
    HideTwoFiles();

    const QStringList offers = prompts.TextsOf(Kind::ConfirmOkCancel);
    ASSERT_EQ(offers.size(), 1);
    EXPECT_TRUE(offers[0].startsWith(QStringLiteral("Lockers created: 2\n"))) << offers[0].toStdString();
    EXPECT_TRUE(offers[0].contains(QStringLiteral("Whoever has the sheet can open these lockers")));
    EXPECT_EQ(prompts.AskedOf(Kind::PickSaveFile).size(), 1U);
    ASSERT_TRUE(fs::exists(SheetPath()));
    EXPECT_EQ(fs::status(SheetPath()).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    const QString sheet = QString::fromStdString(ReadFile(SheetPath()));
    EXPECT_TRUE(sheet.contains(QStringLiteral("Without the password and this sheet, nothing in these lockers can be "
                                              "recovered.")));
    const QRegularExpression code(QStringLiteral("Recovery code: ([0-9A-F]{4}(-[0-9A-F]{4}){7})\n"));
    for (const char* name : {"a.txt", "b.txt"}) {
        const fs::path item = temp / name;
        const qsizetype at = sheet.indexOf(QStringLiteral("Path: ") + ToQ(item) + u'\n');
        ASSERT_GE(at, 0) << name;
        const QString block = sheet.mid(at);
        EXPECT_TRUE(block.contains(QStringLiteral("Locker: ") + ToQ(LockerOf(item)) + u'\n'));
        EXPECT_TRUE(block.contains(QStringLiteral("Date: ") + QDate::currentDate().toString(Qt::ISODate)));
        const QRegularExpressionMatch found = code.match(block);
        ASSERT_TRUE(found.hasMatch()) << name;
        const TLockerResult opened =
            ExtractLocker(LockerOf(item).string(), (temp / "opened").string(), found.captured(1).toStdString());
        EXPECT_TRUE(opened.Success) << opened.MessageText;
    }
    ASSERT_EQ(prompts.Messages().size(), 1);
    EXPECT_TRUE(prompts.Messages()[0].endsWith(ToQ(SheetPath())));
    EXPECT_TRUE(window->FNewRecoveryCodes.empty());
}

// Declined or cancelled, nothing is written and the codes are not offered again.
TEST_F(RecoverySheetTest, DeclinedOrCancelledWritesNothing) {
    struct Case {
        const char* name;
        bool saveAnswer;
        std::size_t pickerShown;
    };
    for (const Case& c : {Case{"declined", false, 0}, Case{"picker cancelled", true, 1}}) {
        SCOPED_TRACE(c.name);
        prompts = ScriptedPrompts();
        prompts.OkCancelAnswers = {c.saveAnswer};
        HideTwoFiles();
        EXPECT_EQ(prompts.AskedOf(Kind::ConfirmOkCancel).size(), 1U);
        EXPECT_EQ(prompts.AskedOf(Kind::PickSaveFile).size(), c.pickerShown);
        EXPECT_TRUE(window->FNewRecoveryCodes.empty());
        window->btnDecryptAndUnhideAll->click(); // creates no locker: nothing is offered
        EXPECT_EQ(prompts.AskedOf(Kind::ConfirmOkCancel).size(), 1U);
    }
    EXPECT_TRUE(prompts.Messages().isEmpty()) << prompts.Messages().join(u'|').toStdString();
}

// A sheet that cannot be written is reported and the picker comes again; a
// link under the chosen name is replaced, never written through.
TEST_F(RecoverySheetTest, AFailedWriteIsReportedAndALinkIsNotFollowed) {
    fs::create_symlink(temp / "elsewhere.txt", SheetPath());
    prompts.OkCancelAnswers = {true};
    prompts.SaveFileAnswers = {ToQ(temp / "no such folder" / "sheet.txt"), ToQ(SheetPath())};
    HideTwoFiles();
    EXPECT_EQ(prompts.AskedOf(Kind::PickSaveFile).size(), 2U);
    const QStringList messages = prompts.Messages();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("The recovery sheet could not be saved:\n")));
    EXPECT_EQ(prompts.Asked[2].icon, Prompts::Icon::Error);
    EXPECT_FALSE(fs::is_symlink(SheetPath()));
    EXPECT_FALSE(fs::exists(temp / "elsewhere.txt"));
    EXPECT_TRUE(ReadFile(SheetPath()).find("Recovery code: ") != std::string::npos);
}

} // namespace
} // namespace vk::test
