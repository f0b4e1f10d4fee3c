// The settings reader, both layouts. The first byte chooses: the older layout
// as a whole file; the current layout's payload as it is read once the file's
// MAC matched (sealing each input would cost a full key derivation); or the
// current layout's header up to the point where the key derivation would start.

#include "settings/SettingsCodec.h"
#include "settings/SettingsCurrentLayout.h"
#include "settings/SettingsLegacyLayout.h"
#include "settings/SettingsPayload.h"

#include <cstdint>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vk;
    if (size == 0)
        return 0;
    const Bytes image(data + 1, data + size);
    try {
        switch (data[0] % 3) {
        case 0:
            ReadLegacySettings(image);
            break;
        case 1: {
            SettingsReader in(image);
            ReadSettingsPayload(in, (data[0] & 0x80) != 0 ? EmptyPaths::Keep : EmptyPaths::Drop);
            break;
        }
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
