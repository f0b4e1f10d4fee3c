#pragma once

// Helpers for the settings tests: building payloads field by field (also
// values the program never writes), encoding the older layout, and opening a
// current-layout file with the security routines alone, as an independent
// check of the layout.

#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "security/uSecurityUtils.h"
#include "settings/uSettings.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vk::test {

// The payload fields as they are stored: password, strong-hide byte, count, paths.
Bytes RawPayload(const std::string& password, std::uint8_t strongHide, std::int32_t count,
                 const std::vector<std::string>& paths);

// The older layout: version and payload, encoded with the legacy constants.
Bytes EncodeLegacy(std::int32_t version, const Bytes& payload);

// Checks the fixed header and the MAC of a version-2 image and returns the
// decrypted payload; fails the running test when the image is not sound.
Bytes OpenCurrentImage(const Bytes& image, const std::string& passphrase);

// The payload of the layout keyed by the password, field by field.
Bytes RawPasswordPayload(std::uint8_t strongHide, const std::vector<std::string>& paths,
                         const std::vector<std::string>& previousPasswords, std::uint8_t changeInProgress);

// The same for the layout keyed by the password: checks the header (200000
// iterations) and the MAC and returns the decrypted payload.
Bytes OpenPasswordImage(const Bytes& image, const std::string& password);

Bytes ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const Bytes& bytes);

// The names in a folder, sorted.
std::vector<std::filesystem::path> FolderEntries(const std::filesystem::path& folder);

// The message of the vk::Error the call raises; empty when it raises none.
std::string ErrorMessageOf(const std::function<void()>& call);

// Each test gets its own configuration folder and a store bound to a fixed
// host, user and title.
class SettingsTest : public ::testing::Test {
public:
    static constexpr const char* Title = "Veilkeep Test";
    static constexpr const char* Host = "test-host";
    static constexpr const char* User = "test-user";

protected:
    void TearDown() override { platform::faults::Clear(); }

public:
    static SettingsStore NewStore() { return SettingsStore(Title, Host, User); }
    static std::string Passphrase() { return NewStore().SettingsPassphrase(); }

    static void ExpectFirstRunState(const SettingsStore& store) {
        EXPECT_EQ(store.GeneralPassword, "");
        EXPECT_TRUE(store.StrongHide);
        EXPECT_TRUE(store.StoredPaths.empty());
    }

    TempFolder FTemp;
};

} // namespace vk::test
