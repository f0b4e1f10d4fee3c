// The real message boxes: plain text, one break per CR LF, Escape answers Cancel.

#include "ui/QtPrompts.h"
#include "support/QtTestApp.h"
#include "ui/QtTranslation.h"

#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

namespace vk::test {
namespace {

TEST(QtPromptsTest, MessageBoxesShowTextAsPlainLines) {
    QtTestApp();
    QtPrompts prompts;
    QString shown;
    Qt::TextFormat format = Qt::RichText;
    WhenModalShown([&](QDialog& dialog) {
        auto& box = dynamic_cast<QMessageBox&>(dialog);
        shown = box.text();
        format = box.textFormat();
        box.accept();
    });
    prompts.Message(QStringLiteral("<b>/tmp/a</b>\r\nnext"), Prompts::Icon::Error);
    EXPECT_EQ(shown, QStringLiteral("<b>/tmp/a</b>\nnext"));
    EXPECT_EQ(format, Qt::PlainText);

    WhenModalShown([](QDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
    EXPECT_EQ(prompts.AskYesNoCancel(QStringLiteral("Overwrite?")), Prompts::Answer::Cancel);
}

// Yes in the conflict box replaces or deletes: Enter gives Cancel.
TEST(QtPromptsTest, YesNoCancelBoxDefaultsToCancel) {
    QtTestApp();
    QtPrompts prompts;
    bool cancelIsDefault = false;
    WhenModalShown([&](QDialog& dialog) {
        auto& box = dynamic_cast<QMessageBox&>(dialog);
        cancelIsDefault = static_cast<QAbstractButton*>(box.defaultButton()) == box.button(QMessageBox::Cancel);
        QTest::keyClick(&box, Qt::Key_Return);
    });
    EXPECT_EQ(prompts.AskYesNoCancel(QStringLiteral("Replace?")), Prompts::Answer::Cancel);
    EXPECT_TRUE(cancelIsDefault);
}

// The standard buttons speak the chosen language (Qt's own translation).
TEST(QtPromptsTest, StandardButtonsFollowQtsTranslation) {
    QtTestApp();
    QtPrompts prompts;
    QStringList captions;
    const auto recordButtons = [&](QDialog& dialog) {
        auto& box = dynamic_cast<QMessageBox&>(dialog);
        for (const QMessageBox::StandardButton button : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
            captions << box.button(button)->text();
    };
    ASSERT_TRUE(UseQtTranslation(QStringLiteral("de")));
    WhenModalShown(recordButtons);
    prompts.AskYesNoCancel(QStringLiteral("?"));
    EXPECT_FALSE(UseQtTranslation(QStringLiteral("en")));
    WhenModalShown(recordButtons);
    prompts.AskYesNoCancel(QStringLiteral("?"));
    EXPECT_EQ(captions, (QStringList{QStringLiteral("&Ja"), QStringLiteral("&Nein"), QStringLiteral("Abbrechen"),
                                     QStringLiteral("&Yes"), QStringLiteral("&No"), QStringLiteral("Cancel")}));
}

} // namespace
} // namespace vk::test
