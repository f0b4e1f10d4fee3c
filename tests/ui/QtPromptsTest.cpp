// The real message boxes: plain text, one break per CR LF, Escape answers Cancel.

#include "ui/QtPrompts.h"
#include "support/QtTestApp.h"

#include <QMessageBox>
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

} // namespace
} // namespace vk::test
