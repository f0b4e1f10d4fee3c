// The note a hide leaves beside its item from the moment its verified locker
// takes the final name until the item is deleted. It holds a digest of what
// the locker stored and the stamp of the locker file itself, so that a hide
// repeated after a kill in that window can tell that the locker in place is
// the one made from the item as it still stands, and finish the job.

#include "protect/ProtectSteps.h"

#include "security/uSecurityUtils.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace vk::protect {

namespace {

using platform::TItemStamp;

// The snapshot in a canonical text: sorted, the root's change time left out
// (a rename moves it), and for folders only what names the folder itself,
// as FirstChange compares them.
std::string Canonical(TSnapshot snapshot) {
    std::sort(snapshot.begin(), snapshot.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::ostringstream text;
    for (const auto& [relative, stamp] : snapshot) {
        text << BytesToHex(Utf8Bytes(relative)) << ' ' << static_cast<int>(stamp.Type) << ' ' << stamp.Device << ' '
             << stamp.Inode;
        if (stamp.Type != TItemStamp::Kind::Folder) {
            text << ' ' << stamp.Size << ' ' << stamp.ModifyTimeNs;
            if (!relative.empty())
                text << ' ' << stamp.ChangeTimeNs;
        }
        text << '\n';
    }
    return text.str();
}

// What the note says: the snapshot's digest and the locker file's identity,
// which its rename to the final name keeps.
std::string NoteText(const TSnapshot& stored, const fs::path& lockerFile) {
    TItemStamp locker;
    if (!platform::ReadItemStamp(lockerFile, locker) || locker.Type != TItemStamp::Kind::File)
        return {};
    std::ostringstream text;
    text << BytesToHex(Sha256Bytes(Utf8Bytes(Canonical(stored)))) << '\n'
         << locker.Device << ' ' << locker.Inode << ' ' << locker.Size << ' ' << locker.ModifyTimeNs << '\n';
    return text.str();
}

// A note is a few lines; anything longer under a note's name is not one.
constexpr std::size_t LongestNote = 512;

std::string ReadNote(const fs::path& note) {
    TItemStamp stamp; // a plain file only: never a link, a pipe or a device
    if (!platform::ReadItemStamp(note, stamp) || stamp.Type != TItemStamp::Kind::File)
        return {};
    std::ifstream in(note, std::ios::binary);
    std::string text(LongestNote + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

} // namespace

fs::path WriteHeldNote(const fs::path& item, const TSnapshot& stored, const fs::path& lockerFile) {
    const std::string text = NoteText(stored, lockerFile);
    const fs::path note = StagingPath(item, TStageKind::Held);
    platform::FileStream stream(note, platform::FileStream::Mode::CreatePrivate);
    stream.Write(text.data(), text.size());
    stream.Sync();
    stream.Close();
    platform::FlushFolder(note.parent_path());
    return note;
}

std::optional<fs::path> FittingHeldNote(const fs::path& item, const fs::path& locker) {
    const std::string expected = NoteText(TakeSnapshot(item), locker);
    if (expected.empty())
        return std::nullopt;
    for (const TLeftover& leftover : LeftoversOf(item))
        if (leftover.Kind == TStageKind::Held && ReadNote(leftover.Path) == expected)
            return leftover.Path;
    return std::nullopt;
}

} // namespace vk::protect
