#pragma once

// A main window on the offscreen platform with its own settings store (in a
// temporary home folder) and scripted prompts. Counts list refreshes and
// settings saves so tests can tell how often a command did each.

#include "settings/uSettings.h"
#include "support/QtTestApp.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"
#include "ui/UnitMain.h"

#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace vk::test {

class CountingMainWindow : public TfrmMain {
public:
    using TfrmMain::TfrmMain;
    int Refreshes = 0;
    int Saves = 0;

    void RefreshAllStatuses() override {
        ++Refreshes;
        TfrmMain::RefreshAllStatuses();
    }
    void SaveSettings() override {
        ++Saves;
        TfrmMain::SaveSettings();
    }
};

class MainWindowTest : public ::testing::Test {
protected:
    // A password is set, as whenever the window's commands can be reached:
    // the settings file is written keyed by it.
    void SetUp() override {
        QtTestApp();
        settings.GeneralPassword = "window test password";
    }

    CountingMainWindow& OpenWindow() {
        window = std::make_unique<CountingMainWindow>(settings, prompts);
        return *window;
    }
    // The paths the settings file holds now, read by a fresh store.
    std::vector<std::string> SavedPaths() const {
        SettingsStore reader;
        reader.LoadSettings(settings.GeneralPassword);
        return reader.StoredPaths;
    }
    QStringList Rows() const { return window->ListedPaths(); }
    QString StatusOf(int row) const { return window->ListViewPaths->topLevelItem(row)->text(1); }
    // A file inside the temporary folder, with content.
    QString MakeFile(const std::string& name) {
        WriteFile(temp / name, "content");
        return ToQ(temp / name);
    }
    static QString ToQ(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

    TempFolder temp; // first: HOME and XDG_CONFIG_HOME point into it
    SettingsStore settings;
    ScriptedPrompts prompts;
    std::unique_ptr<CountingMainWindow> window;
};

} // namespace vk::test
