#pragma once

// The settings store: the application password, the strong-hide option and the
// protected paths, kept between runs in one encrypted, authenticated file whose
// keys come from the application password. The file holds no password: it
// opens with the password or not at all. Files of the two older layouts, keyed
// by the host name, the user name and the title, are still read; the start
// that opened one replaces it.

#include <chrono>
#include <cstdint>
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
    // Host and user name (for the older layouts) come from the platform each
    // time the pass phrase is built.
    explicit SettingsStore(std::string title = ApplicationTitle);
    // Fixed host and user name, for reading an older file made for another
    // computer or account (tests, golden files).
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

    ~SettingsStore();
    SettingsStore(const SettingsStore&) = default;
    SettingsStore& operator=(const SettingsStore&) = default;

    // Looks at the file without the password. A file keyed by the password is
    // only checked and kept for OpenWithPassword; an older one is read into
    // the values at once. True when the file was accepted so far, or when it
    // is missing or empty (a first run); false when no reader accepts it (a
    // damaged header, an unknown layout), and then the values keep what they
    // held (paths emptied). Raises vk::Error only when the file exists but
    // cannot be opened or read.
    bool LoadSettings();
    // True after LoadSettings while the values wait for the password: a file
    // keyed by the password, or an older one that holds a password.
    bool AwaitsPassword() const { return FAwaitingPassword; }
    // The start-up check: true when the file opens with typed, exactly as typed
    // (nothing trimmed, no letter case ignored). A file keyed by the password
    // then gives its values, with typed as GeneralPassword; an older file's
    // stored password must equal typed. False changes nothing, on the disk or
    // in memory, and another attempt may follow.
    bool OpenWithPassword(const std::string& typed);
    // LoadSettings and, where the file waits for it, OpenWithPassword(password).
    bool LoadSettings(const std::string& password);
    // True when the values came from a file of an older layout, which the
    // start that opened it replaces (WriteSettingsFile) at once.
    bool ReadFromOlderLayout() const { return FReadFromOlderLayout; }
    // Empties every value, as before a first run, and forgets a file that was
    // waiting for the password.
    void ResetToFirstRun();
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
    // Rewrites the whole file from the values, keyed by GeneralPassword, through
    // a temporary file that is flushed and renamed over it: when it returns, the
    // file on the disk opens with GeneralPassword. Raises vk::Error on failure
    // (also when no password is set) and then leaves the previous file as it was.
    void WriteSettingsFile();

    std::filesystem::path SettingsFilePath() const; // creates the folder
    // The key of the two older layouts, from public names alone; read only.
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
    // The image of a file keyed by the password, kept between LoadSettings and
    // OpenWithPassword.
    std::vector<std::uint8_t> FSealedImage;
    bool FAwaitingPassword = false;
    bool FReadFromOlderLayout = false;
};

} // namespace vk
