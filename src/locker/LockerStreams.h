#pragma once

// The stream helpers that write and read locker fields. The header is written
// with the plain helpers; the payload only with the encrypted ones, so the MAC
// sees exactly the ciphertext bytes in file order.

#include "platform/uPlatform.h"
#include "security/uSecurityUtils.h"

#include <cstdint>
#include <string>

namespace vk {

class TPayloadSeal;

class THmacSha256;
class TAesCtrTransform;

using LockerStream = platform::FileStream;

// --- plain fields ----------------------------------------------------------

void WriteBytes(LockerStream& stream, const Bytes& bytes);
// Exactly count bytes; "Invalid byte count." below 0, "Stream read error" when
// the stream ends first (checked before anything is allocated).
Bytes ReadBytes(LockerStream& stream, std::int32_t count);
void WriteInt32(LockerStream& stream, std::int32_t value);
void WriteInt64(LockerStream& stream, std::int64_t value);
std::int32_t ReadInt32(LockerStream& stream);
std::int64_t ReadInt64(LockerStream& stream);
// 32-bit UTF-8 byte length, then the bytes.
void WritePlainString(LockerStream& stream, const std::string& text);
// "Invalid string length." below 0; "Stream read error" when shorter.
std::string ReadPlainString(LockerStream& stream);
// Reads exactly count bytes into the buffer or fails with "Stream read error".
void ReadExactly(LockerStream& stream, void* buffer, std::size_t count);

// --- encrypted fields ------------------------------------------------------

// Encrypts the caller's buffer in place, writes it and adds the ciphertext to
// the MAC. A count of 0 or less does nothing.
void WriteEncrypted(LockerStream& stream, THmacSha256& mac, TAesCtrTransform& aes, void* buffer, std::int32_t count);
// Reads exactly count bytes into the buffer and decrypts them in place.
void ReadDecrypted(LockerStream& stream, TAesCtrTransform& aes, void* buffer, std::int32_t count);

void WriteEncryptedByte(LockerStream& stream, THmacSha256& mac, TAesCtrTransform& aes, std::uint8_t value);
void WriteEncryptedInt32(LockerStream& stream, THmacSha256& mac, TAesCtrTransform& aes, std::int32_t value);
void WriteEncryptedInt64(LockerStream& stream, THmacSha256& mac, TAesCtrTransform& aes, std::int64_t value);
void WriteEncryptedString(LockerStream& stream, THmacSha256& mac, TAesCtrTransform& aes, const std::string& text);
std::uint8_t ReadDecryptedByte(LockerStream& stream, TAesCtrTransform& aes);
std::int32_t ReadDecryptedInt32(LockerStream& stream, TAesCtrTransform& aes);
std::int64_t ReadDecryptedInt64(LockerStream& stream, TAesCtrTransform& aes);
// "Invalid encrypted string length." below 0; "Stream read error" when shorter.
std::string ReadDecryptedString(LockerStream& stream, TAesCtrTransform& aes);

// HMAC-SHA256 with macKey over the nonce and then length bytes of the stream
// from start, read a chunk at a time while the MAC of the chunk before is
// computed on another thread. A seal, when given, takes in the same bytes
// (without the nonce) on a thread of its own.
Bytes ComputePayloadMac(LockerStream& stream, std::int64_t start, std::int64_t length, const Bytes& macKey,
                        const Bytes& nonce, TPayloadSeal* seal = nullptr);

// The 32-bit UTF-8 length and the bytes of a string field.
std::int64_t EncodedStringSize(const std::string& text);

} // namespace vk
