#pragma once

// The settings store: the application password, the strong-hide option and the
// protected paths, kept between runs in one encrypted, authenticated file bound
// to this computer, this user and the application title.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vk {

struct SettingsValues;

inline constexpr const char* ApplicationTitle = "Orvan Veilkeep";
inline constexpr const char* ApplicationVersion = "2.4";

// One instance lives for the whole process; start-up creates it and hands it
// to the main window and the dialogs by reference (tests make their own).
class SettingsStore {
public:
    // Host and user name come from the platform each time the pass phrase is built.
    explicit SettingsStore(std::string title = ApplicationTitle);
    // Fixed host and user name, for reading a file made for another computer or
    // account (tests, golden files).
    SettingsStore(std::string title, std::string hostName, std::string userName);

    std::string GeneralPassword; // empty: no password is set
    bool StrongHide = true;
    std::vector<std::string> StoredPaths;
    // Passwords in force before the latest changes, newest first. Non-empty while a
    // password change is in progress (the first is the one being replaced), and kept
    // for lockers that the change could not reach. Stored only inside this file,
    // encrypted under the current password.
    std::vector<std::string> PreviousPasswords;
    bool PasswordChangeInProgress = false;

    // Reads the file into the three values. True when the file was read, or
    // when it is missing or empty (a first run); false when no reader accepted
    // it, and then the three values keep what they held (paths emptied).
    // Raises vk::Error only when the file exists but cannot be opened or read.
    bool LoadSettings();
    // Why no reader accepted the file when LoadSettings last returned false
    // (the reader's error text); empty after a load that succeeded.
    const std::string& UnreadableReason() const { return FUnreadableReason; }
    // Moves the settings file aside, beside itself, under a name that carries
    // the local date and time of when ("settings.unreadable-2026-12-10-141503.dt",
    // with "-2", "-3", ... added when that name is taken), never replacing an
    // existing file, and returns the new path. The next save then starts a new
    // file instead of overwriting one this computer or account cannot read.
    // Raises vk::Error when it cannot be moved; the file then stays in place.
    std::filesystem::path
    MoveSettingsFileAside(std::chrono::system_clock::time_point when = std::chrono::system_clock::now());
    // Rewrites the whole file from the three values through a temporary file
    // that replaces it; raises vk::Error on failure and then leaves the
    // previous file as it was.
    void WriteSettingsFile();

    std::filesystem::path SettingsFilePath() const; // creates the folder
    std::string SettingsPassphrase() const;

    const std::string& Title() const { return FTitle; }

private:
    // Reads a file in the older layout; raises vk::Error when it rejects it.
    bool LoadLegacySettings(const std::filesystem::path& path);
    // Moves the values a reader accepted into the store.
    void TakeOver(SettingsValues& values);

    std::string FTitle;
    std::optional<std::string> FHostName;
    std::optional<std::string> FUserName;
    std::string FUnreadableReason;
};

} // namespace vk
