// The settings readers, all three layouts. The first byte chooses: the legacy
// layout as a whole file; the payload of the version-2 layout or of the layout
// keyed by the password, as each is read once the file's MAC matched (sealing
// each input would cost a full key derivation); or the header of either
// keyed layout up to the point where the key derivation would start.

#include "settings/SettingsCodec.h"
#include "settings/SettingsCurrentLayout.h"
#include "settings/SettingsLegacyLayout.h"
#include "settings/SettingsPasswordLayout.h"
#include "settings/SettingsPayload.h"

#include <cstdint>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vk;
    if (size == 0)
        return 0;
    const Bytes image(data + 1, data + size);
    try {
        switch (data[0] % 5) {
        case 0:
            ReadLegacySettings(image);
            break;
        case 1: {
            SettingsReader in(image);
            ReadSettingsPayload(in, (data[0] & 0x80) != 0 ? EmptyPaths::Keep : EmptyPaths::Drop);
            break;
        }
        case 3: {
            SettingsReader in(image);
            ReadPasswordSettingsPayload(in);
            break;
        }
        case 4:
            // The header alone: a sound one would go on to the key derivation.
            ReadPasswordSettingsHeader(image);
            break;
        default: {
            // A header that is complete and of the current version goes on to
            // the key derivation: not for every input.
            SettingsReader in(image);
            const bool derives = ReadSettingsString(in) == CurrentSettingsMagic && in.Remaining() >= 4 &&
                                 in.ReadInt32() == CurrentSettingsVersion &&
                                 in.Remaining() >= SettingsSaltSize + SettingsNonceSize + SettingsMacSize;
            if (!derives)
                ReadCurrentSettings(image, "pass phrase");
            break;
        }
        }
    } catch (const std::exception&) {
    }
    return 0;
}
