// The Language menu: one entry per language of the translation file; choosing
// one switches the window to that language at once and keeps the choice for
// the next start.

#include "translation/translation.h"
#include "ui/LanguageChoice.h"
#include "ui/QtTranslation.h"
#include "ui/UnitMain.h"

#include <QAction>
#include <QMenu>

namespace vk {

namespace {

constexpr std::size_t NameRecord = 0;
constexpr std::size_t CodeRecord = 1;

// A column that a load broken off part-way left without its name or code
// cannot be chosen: choosing it could store no code. It gets no entry.
bool IsCompleteLanguage(const std::vector<std::string>& column) {
    return column.size() > CodeRecord;
}

} // namespace

void TfrmMain::BuildLanguageMenu() {
    const TLanguageTable& table = LanguageTable();
    for (std::size_t c = 0; c < table.size(); ++c) {
        if (!IsCompleteLanguage(table[c]))
            continue;
        // The display name is shown as stored, not looked up.
        QAction* item = mmLanguage->addAction(QString::fromStdString(table[c][NameRecord]));
        item->setData(static_cast<int>(c));
        item->setCheckable(true);
        item->setChecked(static_cast<std::int32_t>(c) == LanguageIndex());
        connect(item, &QAction::triggered, this, [this, item] { LanguageItemClick(item); });
    }
}

void TfrmMain::LanguageItemClick(QAction* item) {
    const TLanguageTable& table = LanguageTable();
    const int column = item->data().toInt();
    if (column < 0 || static_cast<std::size_t>(column) >= table.size() ||
        !IsCompleteLanguage(table[static_cast<std::size_t>(column)]))
        return;
    for (QAction* entry : mmLanguage->actions())
        entry->setChecked(false);
    SetLanguageIndex(column);
    // Qt toggles a checkable entry before this runs; the mark is set here in
    // every case, also when the entry already carried it.
    item->setChecked(true);
    SetLanguageCode(table[static_cast<std::size_t>(column)][CodeRecord]);
    UseQtTranslation(QString::fromStdString(LanguageCode()));
    SaveLanguageChoice();
    ApplyTranslation();
    // Runs during a batch run too: the rows cannot change then, and the run
    // writes its own counter into the status label at its next step.
    try {
        RefreshAllStatuses();
    } catch (const std::exception& error) {
        ShowError(error);
    }
}

// A settings store that cannot be written keeps nothing and says nothing: the
// switch itself does not depend on the stored value.
void TfrmMain::SaveLanguageChoice() {
    WriteLanguageChoice(QString::fromStdString(LanguageCode()));
}

} // namespace vk
