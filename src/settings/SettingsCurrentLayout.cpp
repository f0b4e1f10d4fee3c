#include "settings/SettingsCurrentLayout.h"

#include "platform/Error.h"
#include "translation/translation.h"

namespace vk {

std::optional<SettingsValues> ReadCurrentSettings(const Bytes& image, const std::string& passphrase) {
    SettingsReader in(image);
    if (ReadSettingsString(in) != CurrentSettingsMagic)
        return std::nullopt;
    if (in.ReadInt32() != CurrentSettingsVersion)
        throw Error(TranslateText("Unsupported settings version."));
    const Bytes salt = ReadSettingsBytes(in, SettingsSaltSize);
    const Bytes nonce = ReadSettingsBytes(in, SettingsNonceSize);
    const Bytes storedMac = ReadSettingsBytes(in, SettingsMacSize);
    const Bytes ciphertext = in.ReadRest();

    const SettingsKeys keys(passphrase, salt, SettingsKdfIterations, "settings-enc", "settings-mac");
    if (!ConstantTimeEquals(HmacSha256(keys.Mac, ConcatBytes(nonce, ciphertext)), storedMac))
        throw Error(TranslateText("Settings integrity check failed."));

    Bytes payload = ciphertext;
    WipeBytesOnExit wipePayload(payload);
    HmacCtrXor(payload, keys.Encryption, nonce);
    SettingsReader payloadReader(payload);
    return ReadSettingsPayload(payloadReader, EmptyPaths::Drop);
}

Bytes SealSettingsPayload(Bytes payload, const std::string& passphrase) {
    WipeBytesOnExit wipePayload(payload);
    const Bytes salt = RandomBytes(SettingsSaltSize);
    const Bytes nonce = RandomBytes(SettingsNonceSize);
    const SettingsKeys keys(passphrase, salt, SettingsKdfIterations, "settings-enc", "settings-mac");
    HmacCtrXor(payload, keys.Encryption, nonce); // payload now holds the ciphertext
    const Bytes mac = HmacSha256(keys.Mac, ConcatBytes(nonce, payload));

    SettingsWriter out;
    WriteSettingsString(out, CurrentSettingsMagic);
    out.WriteInt32(CurrentSettingsVersion);
    out.WriteRaw(salt);
    out.WriteRaw(nonce);
    out.WriteRaw(mac);
    out.WriteRaw(payload);
    return std::move(out.Data());
}

} // namespace vk
