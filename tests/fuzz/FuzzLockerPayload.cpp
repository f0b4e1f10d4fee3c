// The payload: the input is the plaintext of a locker's payload, encrypted and
// authenticated as creation does it, so that every input opens and reaches
// the entry table's rule and the writing of files. Extraction, listing and
// verification run on it; nothing may appear outside the extraction target.

#include "FuzzSandbox.h"
#include "locker/LockerFormat.h"
#include "locker/LockerListing.h"
#include "locker/TAesCtrTransform.h"
#include "locker/THmacSha256.h"
#include "locker/uLocker.h"
#include "platform/uPlatform.h"

#include <cstdint>
#include <exception>
#include <string>

namespace {

using namespace vk;

const char* const Password = "pw";

// The locker for the plaintext under a fixed master key with one iteration.
void WriteSealedLocker(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
    static const Bytes master(LockerKeyLength, 0x11);
    static const Bytes salt(LockerSaltLength, 0x22);
    static const Bytes nonce(LockerNonceLength, 0x33);
    static const Bytes wrapped = WrapMasterKey(master, Password, salt, 1);
    static const Bytes encKey = DeriveSubKey(master, "enc");
    static const Bytes macKey = DeriveSubKey(master, "mac");

    Bytes payload(data, data + size);
    if (!payload.empty())
        TAesCtrTransform(encKey, nonce).Transform(payload.data(), static_cast<std::int32_t>(payload.size()));
    THmacSha256 mac(macKey);
    mac.UpdateBytes(nonce);
    mac.UpdateBytes(payload);

    TLockerHeader header;
    header.PasswordSlot = {1, salt, wrapped};
    header.RecoverySlot = {1, salt, wrapped};
    header.Nonce = nonce;
    header.PayloadMac = mac.FinalBytes();
    header.PayloadLength = static_cast<std::int64_t>(payload.size());
    platform::FileStream stream(path, platform::FileStream::Mode::Create);
    WriteLockerHeader(stream, header);
    if (!payload.empty())
        stream.Write(payload.data(), payload.size());
    stream.Close();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::Sandbox& sandbox = fuzz::TheSandbox();
    WriteSealedLocker(sandbox.Input(), data, size);
    const std::string locker = sandbox.Input().string();
    try {
        ExtractLocker(locker, sandbox.Target().string(), Password);
    } catch (const std::exception&) {
    }
    sandbox.Check();
    sandbox.Reset();
    try {
        ListLocker(locker, Password);
    } catch (const std::exception&) {
    }
    std::string message;
    VerifyLocker(locker, Password, message);
    return 0;
}
