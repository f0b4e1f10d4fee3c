#include "settings/SettingsCodec.h"

#include "platform/Error.h"
#include "translation/translation.h"

#include <limits>

namespace vk {

void SettingsReader::Require(std::size_t count) const {
    if (count > Remaining())
        throw Error(TranslateText("Unexpected end of the settings data."));
}

std::int32_t SettingsReader::ReadInt32() {
    Require(4);
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(FData[FPosition++]) << (8 * i);
    return static_cast<std::int32_t>(value);
}

std::uint8_t SettingsReader::ReadByte() {
    Require(1);
    return FData[FPosition++];
}

Bytes SettingsReader::ReadRaw(std::size_t count) {
    Require(count);
    const auto first = FData.begin() + static_cast<std::ptrdiff_t>(FPosition);
    FPosition += count;
    return Bytes(first, first + static_cast<std::ptrdiff_t>(count));
}

Bytes SettingsReader::ReadRest() {
    return ReadRaw(Remaining());
}

void SettingsWriter::WriteInt32(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        FData.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

void SettingsWriter::WriteByte(std::uint8_t value) {
    FData.push_back(value);
}

void SettingsWriter::WriteRaw(const Bytes& bytes) {
    FData.insert(FData.end(), bytes.begin(), bytes.end());
}

void SettingsWriter::WriteRaw(const char* data, std::size_t size) {
    const auto* first = reinterpret_cast<const std::uint8_t*>(data);
    FData.insert(FData.end(), first, first + size);
}

std::string ReadSettingsString(SettingsReader& in) {
    const std::int32_t length = in.ReadInt32();
    if (length < 0)
        throw Error(TranslateText("Invalid string length in settings."));
    Bytes bytes = in.ReadRaw(static_cast<std::size_t>(length));
    std::string text(bytes.begin(), bytes.end());
    SecureWipe(bytes); // the text may be the password
    return text;
}

Bytes ReadSettingsBytes(SettingsReader& in, std::int32_t count) {
    if (count < 0)
        throw Error(TranslateText("Invalid byte count in settings."));
    return in.ReadRaw(static_cast<std::size_t>(count));
}

void WriteSettingsString(SettingsWriter& out, const std::string& text) {
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw Error(TranslateText("Text too long for the settings file."));
    out.WriteInt32(static_cast<std::int32_t>(text.size()));
    out.WriteRaw(text.data(), text.size());
}

Bytes ConcatBytes(const Bytes& a, const Bytes& b) {
    Bytes joined;
    joined.reserve(a.size() + b.size());
    joined.insert(joined.end(), a.begin(), a.end());
    joined.insert(joined.end(), b.begin(), b.end());
    return joined;
}

SettingsKeys::SettingsKeys(const std::string& secret, const Bytes& salt, std::int32_t iterations,
                           const char* encryptionLabel, const char* macLabel) {
    Bytes master = Pbkdf2Sha256(secret, salt, iterations, 32);
    WipeBytesOnExit wipeMaster(master);
    Encryption = HmacSha256(master, Utf8Bytes(encryptionLabel));
    Mac = HmacSha256(master, Utf8Bytes(macLabel));
}

SettingsKeys::~SettingsKeys() {
    SecureWipe(Encryption);
    SecureWipe(Mac);
}

} // namespace vk
