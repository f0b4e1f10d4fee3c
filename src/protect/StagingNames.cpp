#include "protect/ProtectSteps.h"

#include "locker/uLocker.h"
#include "security/uSecurityUtils.h"

#include <array>
#include <system_error>

namespace vk::protect {

namespace {

struct TKindName {
    TStageKind Kind;
    const char* Tag;
};
constexpr std::array<TKindName, 7> KindNames{{
    {TStageKind::Hide, ".vkhide-"},
    {TStageKind::Delete, ".vkdelete-"},
    {TStageKind::Aside, ".vkaside-"},
    {TStageKind::Extract, ".vkrestore-"},
    {TStageKind::Ready, ".vkready-"},
    {TStageKind::Held, ".vkheld-"},
    {TStageKind::Placed, ".vkplaced-"},
}};

// Room for the staging decoration within the usual 255-byte name limit; a
// longer name is shortened (at a character's start) and told apart by a
// digest of the whole name.
constexpr std::size_t LongestPlainName = 200;
constexpr std::size_t ShortenedName = 150;

std::string StagingPrefix(const fs::path& item) {
    std::string name = platform::Utf8FromPath(item.filename());
    if (name.size() > LongestPlainName) {
        std::size_t cut = ShortenedName;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name = name.substr(0, cut) + "~" + BytesToHex(Sha256Bytes(Utf8Bytes(name))).substr(0, 16);
    }
    return "." + name;
}

} // namespace

bool AnythingAt(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

fs::path StagingPath(const fs::path& item, TStageKind kind) {
    const char* tag = KindNames[0].Tag;
    for (const TKindName& entry : KindNames)
        if (entry.Kind == kind)
            tag = entry.Tag;
    for (;;) {
        const fs::path candidate =
            item.parent_path() / platform::PathFromUtf8(StagingPrefix(item) + tag + BytesToHex(RandomBytes(6)));
        if (!AnythingAt(candidate))
            return candidate;
    }
}

std::vector<TLeftover> LeftoversOf(const fs::path& item) {
    std::vector<TLeftover> found;
    const std::string prefix = StagingPrefix(item);
    std::error_code error;
    const fs::path folder = item.parent_path().empty() ? fs::path(".") : item.parent_path();
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = platform::Utf8FromPath(it->path().filename());
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        for (const TKindName& entry : KindNames) {
            const std::string head = prefix + entry.Tag;
            if (name.size() > head.size() && name.compare(0, head.size(), head) == 0)
                found.push_back({item.parent_path() / it->path().filename(), entry.Kind});
        }
    }
    return found;
}

std::vector<fs::path> TemporaryLockersOf(const fs::path& locker) {
    std::vector<fs::path> found;
    const std::string lockerName = platform::Utf8FromPath(locker.filename());
    std::error_code error;
    for (fs::directory_iterator it(locker.parent_path(), error), end; !error && it != end; it.increment(error)) {
        const std::string name = platform::Utf8FromPath(it->path().filename());
        // The fixed name older versions wrote to as well.
        if (IsTemporaryLockerName(name, lockerName) || name == lockerName + ".tmp")
            found.push_back(locker.parent_path() / it->path().filename());
    }
    return found;
}

} // namespace vk::protect
