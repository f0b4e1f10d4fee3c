#include "settings/SettingsTestSupport.h"

#include "platform/Error.h"
#include "settings/SettingsLegacyLayout.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vk::test {

namespace {

void PutInt32(Bytes& out, std::int32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i)));
}

void PutString(Bytes& out, const std::string& text) {
    PutInt32(out, static_cast<std::int32_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

Bytes Slice(const Bytes& bytes, std::size_t first, std::size_t count) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(first),
                 bytes.begin() + static_cast<std::ptrdiff_t>(first + count));
}

} // namespace

Bytes RawPayload(const std::string& password, std::uint8_t strongHide, std::int32_t count,
                 const std::vector<std::string>& paths) {
    Bytes out;
    PutString(out, password);
    out.push_back(strongHide);
    PutInt32(out, count);
    for (const std::string& path : paths)
        PutString(out, path);
    return out;
}

Bytes EncodeLegacy(std::int32_t version, const Bytes& payload) {
    Bytes plain;
    PutInt32(plain, version);
    plain.insert(plain.end(), payload.begin(), payload.end());
    Bytes encoded;
    std::uint16_t key = LegacyKeyStart;
    for (const std::uint8_t decoded : plain) {
        encoded.push_back(static_cast<std::uint8_t>(~(decoded ^ (key >> 8))));
        key = static_cast<std::uint16_t>(static_cast<std::uint8_t>(decoded + (key & 0xFF)) * LegacyKeyMultiplier +
                                         LegacyKeyIncrement);
    }
    return encoded;
}

Bytes OpenCurrentImage(const Bytes& image, const std::string& passphrase) {
    const Bytes header = {4, 0, 0, 0, 'V', 'K', 'S', '2', 2, 0, 0, 0};
    EXPECT_GE(image.size(), 76u);
    if (image.size() < 76)
        return {};
    EXPECT_EQ(Slice(image, 0, 12), header);
    const Bytes salt = Slice(image, 12, 16);
    const Bytes nonce = Slice(image, 28, 16);
    const Bytes mac = Slice(image, 44, 32);
    const Bytes ciphertext = Slice(image, 76, image.size() - 76);
    const Bytes master = Pbkdf2Sha256(passphrase, salt, 200000, 32);
    const Bytes encryptionKey = HmacSha256(master, Utf8Bytes("settings-enc"));
    const Bytes macKey = HmacSha256(master, Utf8Bytes("settings-mac"));
    Bytes macInput = nonce;
    macInput.insert(macInput.end(), ciphertext.begin(), ciphertext.end());
    EXPECT_EQ(HmacSha256(macKey, macInput), mac);
    Bytes payload = ciphertext;
    HmacCtrXor(payload, encryptionKey, nonce);
    return payload;
}

Bytes RawPasswordPayload(std::uint8_t strongHide, const std::vector<std::string>& paths,
                         const std::vector<std::string>& previousPasswords, std::uint8_t changeInProgress) {
    Bytes out{strongHide};
    PutInt32(out, static_cast<std::int32_t>(paths.size()));
    for (const std::string& path : paths)
        PutString(out, path);
    PutInt32(out, static_cast<std::int32_t>(previousPasswords.size()));
    for (const std::string& previous : previousPasswords)
        PutString(out, previous);
    out.push_back(changeInProgress);
    return out;
}

Bytes OpenPasswordImage(const Bytes& image, const std::string& password) {
    const Bytes header = {4, 0, 0, 0, 'V', 'K', 'S', '3', 3, 0, 0, 0, 0x40, 0x0d, 0x03, 0x00};
    EXPECT_GE(image.size(), 80u);
    if (image.size() < 80)
        return {};
    EXPECT_EQ(Slice(image, 0, 16), header);
    const Bytes salt = Slice(image, 16, 16);
    const Bytes nonce = Slice(image, 32, 16);
    const Bytes mac = Slice(image, 48, 32);
    const Bytes ciphertext = Slice(image, 80, image.size() - 80);
    const Bytes master = Pbkdf2Sha256(password, salt, 200000, 32);
    Bytes macInput = Slice(image, 0, 48);
    macInput.insert(macInput.end(), ciphertext.begin(), ciphertext.end());
    EXPECT_EQ(HmacSha256(HmacSha256(master, Utf8Bytes("settings-v3-mac")), macInput), mac);
    Bytes payload = ciphertext;
    HmacCtrXor(payload, HmacSha256(master, Utf8Bytes("settings-v3-enc")), nonce);
    return payload;
}

Bytes ReadBytes(const std::filesystem::path& path) {
    const std::string text = ReadFile(path);
    return Bytes(text.begin(), text.end());
}

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
    WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

std::vector<std::filesystem::path> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> entries;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        entries.push_back(entry.path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::string ErrorMessageOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const Error& error) {
        return error.what();
    }
    return {};
}

} // namespace vk::test
