#pragma once

// The primitive encodings of the settings file: little-endian int32, strings
// as an int32 byte count followed by that many UTF-8 bytes, raw bytes. The
// file is small and handled whole in memory, so the "stream" is a byte array
// with a read position.

#include "security/uSecurityUtils.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vk {

class SettingsReader {
public:
    explicit SettingsReader(const Bytes& data) : FData(data) {}

    std::int32_t ReadInt32();
    std::uint8_t ReadByte();
    // Exactly count bytes; fewer remaining is a read error.
    Bytes ReadRaw(std::size_t count);
    // Everything from the read position to the end.
    Bytes ReadRest();
    std::size_t Remaining() const { return FData.size() - FPosition; }

private:
    void Require(std::size_t count) const;

    const Bytes& FData;
    std::size_t FPosition = 0;
};

class SettingsWriter {
public:
    void WriteInt32(std::int32_t value);
    void WriteByte(std::uint8_t value);
    void WriteRaw(const Bytes& bytes);
    void WriteRaw(const char* data, std::size_t size);
    void Reserve(std::size_t size) { FData.reserve(size); }
    Bytes& Data() { return FData; }

private:
    Bytes FData;
};

// Raises "Invalid string length in settings." on a negative length.
std::string ReadSettingsString(SettingsReader& in);
// Raises "Invalid byte count in settings." on a negative count.
Bytes ReadSettingsBytes(SettingsReader& in, std::int32_t count);
void WriteSettingsString(SettingsWriter& out, const std::string& text);
// a followed by b.
Bytes ConcatBytes(const Bytes& a, const Bytes& b);

// Wipes a buffer that holds secrets when the scope ends, also when an error passes.
class WipeBytesOnExit {
public:
    explicit WipeBytesOnExit(Bytes& bytes) : FBytes(bytes) {}
    ~WipeBytesOnExit() { SecureWipe(FBytes); }
    WipeBytesOnExit(const WipeBytesOnExit&) = delete;
    WipeBytesOnExit& operator=(const WipeBytesOnExit&) = delete;

private:
    Bytes& FBytes;
};

// The encryption and MAC keys of one settings file: PBKDF2-SHA256 over the
// secret and the file's salt, then one HMAC per key under the layout's own
// labels. The master key is wiped at once, the two keys when the object goes.
struct SettingsKeys {
    Bytes Encryption;
    Bytes Mac;

    SettingsKeys(const std::string& secret, const Bytes& salt, std::int32_t iterations, const char* encryptionLabel,
                 const char* macLabel);
    ~SettingsKeys();
    SettingsKeys(const SettingsKeys&) = delete;
    SettingsKeys& operator=(const SettingsKeys&) = delete;
};

} // namespace vk
