#include "settings/SettingsPasswordLayout.h"

#include "platform/Error.h"
#include "translation/translation.h"

#include <algorithm>
#include <iterator>
#include <limits>

namespace vk {

namespace {

Bytes HeaderBytes(std::int32_t iterations, const Bytes& salt, const Bytes& nonce) {
    SettingsWriter out;
    WriteSettingsString(out, PasswordSettingsMagic);
    out.WriteInt32(PasswordSettingsVersion);
    out.WriteInt32(iterations);
    out.WriteRaw(salt);
    out.WriteRaw(nonce);
    return std::move(out.Data());
}

// The MAC's input: the header up to the MAC, then the ciphertext.
Bytes MacOver(const Bytes& keyMac, const Bytes& header, const Bytes& ciphertext) {
    return HmacSha256(keyMac, ConcatBytes(header, ciphertext));
}

void WriteStrings(SettingsWriter& out, const std::vector<std::string>& texts) {
    if (texts.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw Error(TranslateText("Too many paths for the settings file."));
    out.WriteInt32(static_cast<std::int32_t>(texts.size()));
    for (const std::string& text : texts)
        WriteSettingsString(out, text);
}

// The count is not trusted for an allocation: a count beyond the data ends in
// a read error at the first missing string.
std::vector<std::string> ReadStrings(SettingsReader& in, bool keepEmpty) {
    std::vector<std::string> texts;
    const std::int32_t count = in.ReadInt32();
    for (std::int32_t i = 0; i < count; ++i) {
        std::string text = ReadSettingsString(in);
        if (!text.empty() || keepEmpty)
            texts.push_back(std::move(text));
    }
    return texts;
}

} // namespace

std::optional<PasswordSettingsHeader> ReadPasswordSettingsHeader(const Bytes& image) {
    // The magic as the string it is stored as; anything else is another layout,
    // also the older one, whose first bytes are no string at all.
    const std::uint8_t magic[] = {4, 0, 0, 0, 'V', 'K', 'S', '3'};
    if (image.size() < sizeof magic || !std::equal(std::begin(magic), std::end(magic), image.begin()))
        return std::nullopt;
    SettingsReader in(image);
    ReadSettingsString(in);
    if (in.ReadInt32() != PasswordSettingsVersion)
        throw Error(TranslateText("Unsupported settings version."));
    PasswordSettingsHeader header;
    header.Iterations = in.ReadInt32();
    if (header.Iterations < PasswordSettingsIterations || header.Iterations > MaxPasswordSettingsIterations)
        throw Error(TranslateText("Invalid iteration count in settings."));
    header.Salt = in.ReadRaw(16);
    header.Nonce = in.ReadRaw(16);
    header.Mac = in.ReadRaw(32);
    return header;
}

std::optional<SettingsValues> OpenPasswordSettings(const Bytes& image, const std::string& password) {
    const std::optional<PasswordSettingsHeader> header = ReadPasswordSettingsHeader(image);
    if (!header)
        return std::nullopt;
    const Bytes headerBytes(image.begin(),
                            image.begin() + static_cast<std::ptrdiff_t>(PasswordSettingsHeaderSize - 32));
    const Bytes ciphertext(image.begin() + static_cast<std::ptrdiff_t>(PasswordSettingsHeaderSize), image.end());
    const SettingsKeys keys(password, header->Salt, header->Iterations, "settings-v3-enc", "settings-v3-mac");
    if (!ConstantTimeEquals(MacOver(keys.Mac, headerBytes, ciphertext), header->Mac))
        return std::nullopt;
    Bytes payload = ciphertext;
    WipeBytesOnExit wipePayload(payload);
    HmacCtrXor(payload, keys.Encryption, header->Nonce);
    SettingsReader in(payload);
    return ReadPasswordSettingsPayload(in);
}

SettingsValues ReadPasswordSettingsPayload(SettingsReader& in) {
    SettingsValues values;
    values.StrongHide = in.ReadByte() != 0;
    values.Paths = ReadStrings(in, false);
    values.PreviousPasswords = ReadStrings(in, false);
    values.PasswordChangeInProgress = in.ReadByte() != 0;
    return values;
}

Bytes WritePasswordSettingsPayload(bool strongHide, const std::vector<std::string>& paths,
                                   const std::vector<std::string>& previousPasswords, bool changeInProgress) {
    // Reserved up front so that no copy of a previous password is left behind
    // in a buffer the vector gives up while it grows.
    std::size_t size = 1 + 4 + 4 + 1;
    for (const std::vector<std::string>* texts : {&paths, &previousPasswords})
        for (const std::string& text : *texts)
            size += 4 + text.size();
    SettingsWriter out;
    out.Reserve(size);
    out.WriteByte(strongHide ? 1 : 0);
    WriteStrings(out, paths);
    WriteStrings(out, previousPasswords);
    out.WriteByte(changeInProgress ? 1 : 0);
    return std::move(out.Data());
}

Bytes SealPasswordSettings(Bytes payload, const std::string& password, const Bytes& salt, const Bytes& nonce,
                           std::int32_t iterations) {
    WipeBytesOnExit wipePayload(payload);
    const SettingsKeys keys(password, salt, iterations, "settings-v3-enc", "settings-v3-mac");
    Bytes image = HeaderBytes(iterations, salt, nonce);
    HmacCtrXor(payload, keys.Encryption, nonce); // payload now holds the ciphertext
    const Bytes mac = MacOver(keys.Mac, image, payload);
    image.insert(image.end(), mac.begin(), mac.end());
    image.insert(image.end(), payload.begin(), payload.end());
    return image;
}

} // namespace vk
