#pragma once

// A main window with an application password and a hook into the engine's
// progress reports, so a test can act (press Stop, close the window) at a
// chosen moment of an operation; and checks that read what is on disk.

#include "locker/uLocker.h"
#include "platform/uPlatform.h"
#include "ui/MainWindowFixture.h"

#include <QLabel>
#include <QPushButton>
#include <functional>
#include <map>
#include <string>

namespace vk::test {

namespace fs = std::filesystem;

inline constexpr const char* TestPassword = "Correct horse 1";

class HookedMainWindow : public CountingMainWindow {
public:
    using CountingMainWindow::CountingMainWindow;
    // Runs before each progress report is handled, with its figures.
    std::function<void(std::int64_t done, std::int64_t total)> OnProgress;
    // The counter text at every progress report.
    QStringList LabelsSeen;

    void LockerProgress(const std::string& path, std::int64_t done, std::int64_t total) override {
        LabelsSeen << lblStatus->text();
        if (OnProgress)
            OnProgress(done, total);
        CountingMainWindow::LockerProgress(path, done, total);
    }
};

// Everything in an item: its path below the item's folder mapped to the
// content of a file, or to "<folder>" for a folder.
using TreeSnapshot = std::map<std::string, std::string>;

inline void AddToSnapshot(const fs::path& item, const fs::path& base, TreeSnapshot& snapshot) {
    const std::string key = item.lexically_relative(base).generic_string();
    if (platform::DirectoryExists(item)) {
        snapshot[key] = "<folder>";
        for (const auto& entry : fs::directory_iterator(item))
            AddToSnapshot(entry.path(), base, snapshot);
    } else if (platform::FileExists(item)) {
        snapshot[key] = ReadFile(item);
    }
}

inline TreeSnapshot Snapshot(const fs::path& item) {
    TreeSnapshot snapshot;
    AddToSnapshot(item, item.parent_path(), snapshot);
    return snapshot;
}

inline bool NameEndsWith(const fs::path& path, const std::string& ending) {
    const std::string name = path.filename().string();
    return name.size() >= ending.size() && name.compare(name.size() - ending.size(), ending.size(), ending) == 0;
}

class RunsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        platform::faults::Clear();
        settings.GeneralPassword = TestPassword;
    }
    void TearDown() override { platform::faults::Clear(); }

    HookedMainWindow& OpenHookedWindow() {
        auto made = std::make_unique<HookedMainWindow>(settings, prompts);
        hooked = made.get();
        window = std::move(made);
        return *hooked;
    }
    // Opens the window with one row per path.
    HookedMainWindow& OpenWindowWith(const QStringList& paths) {
        HookedMainWindow& main = OpenHookedWindow();
        for (const QString& path : paths)
            main.AddPath(path);
        main.UpdateCommandStates();
        return main;
    }
    void Select(int row) {
        window->ListViewPaths->setCurrentItem(window->ListViewPaths->topLevelItem(row));
        window->UpdateCommandStates();
    }

    static fs::path LockerOf(const fs::path& item) { return fs::path(item.string() + ".vklocker"); }
    // The temporary locker being written for item (its name is random), or
    // the name an older version used when there is none.
    static fs::path TemporaryOf(const fs::path& item) {
        const std::string locker = item.filename().string() + ".vklocker";
        for (const auto& entry : fs::directory_iterator(item.parent_path()))
            if (IsTemporaryLockerName(entry.path().filename().string(), locker))
                return entry.path();
        return fs::path(item.string() + ".vklocker.tmp");
    }
    static bool IsAnyTemporaryLocker(const fs::path& path) {
        const std::string name = path.filename().string();
        const std::size_t at = name.find(".vklocker.");
        return at != std::string::npos &&
               (NameEndsWith(path, ".vklocker.tmp") || IsTemporaryLockerName(name, name.substr(0, at + 9)));
    }
    static std::uint32_t Attributes(const fs::path& path) { return platform::GetFileAttributes(path); }
    static bool HasBits(const fs::path& path, std::uint32_t bits) {
        const std::uint32_t attributes = Attributes(path);
        return attributes != platform::INVALID_FILE_ATTRIBUTES && (attributes & bits) == bits;
    }

    // Opens the locker with the password into a fresh folder and tells
    // whether it gives back exactly the expected item.
    ::testing::AssertionResult LockerOpensTo(const fs::path& locker, const TreeSnapshot& expected,
                                             const std::string& password = TestPassword) {
        if (!platform::FileExists(locker))
            return ::testing::AssertionFailure() << "no locker at " << locker;
        const fs::path target = temp / ("opened-" + std::to_string(++openings));
        const TLockerResult result = ExtractLocker(locker.string(), target.string(), password);
        if (!result.Success)
            return ::testing::AssertionFailure() << locker << " does not open: " << result.MessageText;
        const std::string rootName = expected.empty() ? std::string() : expected.begin()->first;
        if (Snapshot(target / rootName) != expected)
            return ::testing::AssertionFailure() << locker << " opens to other content";
        return ::testing::AssertionSuccess();
    }
    // The promise: the readable item as it was, or a locker that opens to it.
    ::testing::AssertionResult ItemOrLockerSurvives(const fs::path& item, const TreeSnapshot& original) {
        if (platform::PathExists(item) && Snapshot(item) == original)
            return ::testing::AssertionSuccess();
        return LockerOpensTo(LockerOf(item), original);
    }
    // No temporary locker anywhere in the test folder.
    bool NoTemporaryLocker() const {
        for (const auto& entry : fs::recursive_directory_iterator(temp.path()))
            if (IsAnyTemporaryLocker(entry.path()))
                return false;
        return true;
    }

    HookedMainWindow* hooked = nullptr;
    int openings = 0;
};

} // namespace vk::test
