// The raw locker reader: any bytes as a locker file. The header is parsed for
// every input; extraction runs when both slots ask for few key-derivation
// iterations, so that a mutation of the count does not stall the run.

#include "FuzzSandbox.h"
#include "locker/LockerFormat.h"
#include "locker/uLocker.h"
#include "platform/uPlatform.h"

#include <cstdint>
#include <exception>

namespace {

constexpr std::int32_t CheapIterations = 1000;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vk;
    const fuzz::Sandbox& sandbox = fuzz::TheSandbox();
    sandbox.WriteInput(data, size);
    bool cheap = false;
    try {
        platform::FileStream stream(sandbox.Input(), platform::FileStream::Mode::Read);
        const TLockerHeader header = ReadLockerHeader(stream, RecoverySlotReading::Read);
        cheap = header.PasswordSlot.Iterations <= CheapIterations && header.RecoverySlot.Iterations <= CheapIterations;
    } catch (const std::exception&) {
    }
    if (cheap) {
        try {
            ExtractLocker(sandbox.Input().string(), sandbox.Target().string(), "pw");
        } catch (const std::exception&) {
        }
        sandbox.Check();
        sandbox.Reset();
    }
    return 0;
}
