#include "settings/SettingsLegacyLayout.h"

#include "platform/Error.h"
#include "translation/translation.h"

namespace vk {

void DecodeLegacySettings(Bytes& data) {
    std::uint16_t key = LegacyKeyStart;
    for (std::uint8_t& byte : data) {
        const auto decoded = static_cast<std::uint8_t>(static_cast<std::uint8_t>(~byte) ^ (key >> 8));
        byte = decoded;
        // The key advances with the decoded byte, not with the stored one.
        const auto mixed = static_cast<std::uint8_t>(decoded + (key & 0xFF));
        key = static_cast<std::uint16_t>(mixed * LegacyKeyMultiplier + LegacyKeyIncrement);
    }
}

SettingsValues ReadLegacySettings(const Bytes& image) {
    Bytes decoded = image;
    WipeBytesOnExit wipeDecoded(decoded);
    DecodeLegacySettings(decoded);
    SettingsReader in(decoded);
    if (in.ReadInt32() < 1)
        throw Error(TranslateText("Unsupported settings version."));
    return ReadSettingsPayload(in, EmptyPaths::Keep);
}

} // namespace vk
