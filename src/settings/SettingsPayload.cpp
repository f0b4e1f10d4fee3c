#include "settings/SettingsPayload.h"

#include "platform/Error.h"
#include "translation/translation.h"

#include <limits>

namespace vk {

SettingsValues ReadSettingsPayload(SettingsReader& in, EmptyPaths emptyPaths) {
    SettingsValues values;
    values.Password = ReadSettingsString(in);
    values.StrongHide = in.ReadByte() != 0;
    const std::int32_t count = in.ReadInt32();
    // The count is not trusted for an allocation: a count beyond the data
    // ends in a read error at the first missing string.
    for (std::int32_t i = 0; i < count; ++i) {
        std::string path = ReadSettingsString(in);
        if (!path.empty() || emptyPaths == EmptyPaths::Keep)
            values.Paths.push_back(std::move(path));
    }
    return values;
}

Bytes WriteSettingsPayload(const std::string& password, bool strongHide, const std::vector<std::string>& paths) {
    if (paths.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw Error(TranslateText("Too many paths for the settings file."));
    // Reserved up front so that no copy of the password is left behind in a
    // buffer the vector gives up while it grows.
    std::size_t size = 4 + password.size() + 1 + 4;
    for (const std::string& path : paths)
        size += 4 + path.size();
    SettingsWriter out;
    out.Reserve(size);
    WriteSettingsString(out, password);
    out.WriteByte(strongHide ? 1 : 0);
    out.WriteInt32(static_cast<std::int32_t>(paths.size()));
    for (const std::string& path : paths)
        WriteSettingsString(out, path);
    return std::move(out.Data());
}

} // namespace vk
