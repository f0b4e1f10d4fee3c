// Every dialog and the main window, rendered offscreen in every shipped
// language: each label's and button's text fits the space it was given.

#include "translation/translation.h"
#include "ui/MainWindowFixture.h"
#include "ui/OpenLockerFileDialog.h"
#include "ui/QtTranslation.h"
#include "ui/UnitPassword.h"
#include "ui/uPasswordSet.h"
#include "update/NewVersionDialog.h"

#include <QAbstractButton>
#include <QLabel>

namespace vk::test {
namespace {

const std::filesystem::path ShippedFile = std::filesystem::path(VEILKEEP_SOURCE_ROOT) / "resources" / "transl.dt";

// What does not fit in widget, or nothing.
QString Overflow(const QWidget& widget) {
    QString text;
    QSize needed;
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        text = label->text();
        needed = label->wordWrap() ? QSize(0, label->heightForWidth(label->width())) : label->sizeHint();
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
        text = button->text();
        needed = button->sizeHint();
    }
    if (text.isEmpty() || (needed.width() <= widget.width() && needed.height() <= widget.height()))
        return {};
    return QStringLiteral("\"%1\" needs %2x%3, has %4x%5")
        .arg(text)
        .arg(needed.width())
        .arg(needed.height())
        .arg(widget.width())
        .arg(widget.height());
}

// Every visible label and button of window whose text does not fit.
QStringList Overflows(QWidget& window) {
    window.show();
    QCoreApplication::processEvents();
    QStringList found;
    for (const QWidget* child : window.findChildren<QWidget*>())
        if (child->isVisible())
            if (const QString overflow = Overflow(*child); !overflow.isEmpty())
                found << overflow;
    window.hide();
    return found;
}

class DialogFitTest : public MainWindowTest {
protected:
    void TearDown() override {
        LoadTranslation(std::nullopt, temp / "none");
        UseQtTranslation(QStringLiteral("en"));
    }
};

TEST_F(DialogFitTest, EveryTextFitsInEveryShippedLanguage) {
    LoadTranslation("en", ShippedFile);
    std::vector<std::string> codes;
    for (const auto& column : LanguageTable())
        codes.push_back(column.at(1));
    ASSERT_GE(codes.size(), 7U);

    for (const std::string& code : codes) {
        SCOPED_TRACE(code);
        LoadTranslation(code, ShippedFile);
        UseQtTranslation(QString::fromStdString(code));
        const std::optional<UpdateOffer> offer = DecideUpdate("25/20", "Faster hiding\r\nClearer messages\r\n");
        ASSERT_TRUE(offer);

        TfrmPasswordSet passwordSet(prompts);
        TfrmPassword passwordPrompt;
        TfrmOpenLocker importDialog;
        TfrmNewVersion updateDialog(*offer, prompts);
        TfrmNewVersion forcedUpdateDialog(UpdateOffer{offer->UpdateMessage, true}, prompts);
        settings.GeneralPassword = "pw"; // no first-run dialog in between
        TfrmMain& main = OpenWindow();
        const std::pair<const char*, QWidget*> windows[] = {
            {"set password", &passwordSet}, {"password prompt", &passwordPrompt},   {"import", &importDialog},
            {"update", &updateDialog},      {"forced update", &forcedUpdateDialog}, {"main window", &main},
        };
        for (const auto& [name, window] : windows)
            EXPECT_EQ(Overflows(*window), QStringList()) << name;
    }
}

} // namespace
} // namespace vk::test
