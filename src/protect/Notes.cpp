// The notes a transaction leaves beside its item while a kill would leave
// more than one version of it: a hide's from the moment its verified locker
// takes the final name until the item is deleted, a restore's from just
// before its item takes the name until the locker (and a replaced item) is
// gone. A repeat acts on a leftover only when a note proves it to be this
// program's own: the note is the user's plain file, it names the item, and it
// carries a MAC under a key only the locker yields (its header, which holds
// wrapped keys and the payload MAC, in a file only its owner may read).
// Anyone else who can write the folder can plant names, folders and files,
// but not a note that passes.

#include "protect/ProtectSteps.h"

#include "locker/LockerFormat.h"
#include "locker/LockerText.h"
#include "platform/Error.h"
#include "security/uSecurityUtils.h"
#include "translation/translation.h"

#include <algorithm>
#include <sstream>

namespace vk::protect {

namespace {

using platform::TItemStamp;

// The snapshot in a canonical text: sorted, the root's change time left out
// (a rename moves it), and for folders only what names the folder itself,
// as FirstChange compares them.
std::string Canonical(TSnapshot snapshot) {
    std::sort(snapshot.begin(), snapshot.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
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

// The locker file's identity, which its rename to the final name keeps.
std::string LockerStampText(const fs::path& lockerFile) {
    TItemStamp locker;
    if (!platform::ReadItemStamp(lockerFile, locker) || locker.Type != TItemStamp::Kind::File)
        return {};
    std::ostringstream text;
    text << locker.Device << ' ' << locker.Inode << ' ' << locker.Size << ' ' << locker.ModifyTimeNs;
    return text.str();
}

// A note is a few lines; anything longer under a note's name is not one.
constexpr std::size_t LongestNote = 1024;

// At most count bytes from the start of a regular file.
std::string ReadStart(const fs::path& file, std::size_t count) {
    try {
        platform::FileStream stream(file, platform::FileStream::Mode::ReadRegular);
        std::string text(count, '\0');
        text.resize(stream.Read(text.data(), text.size()));
        return text;
    } catch (const std::exception&) {
        return {};
    }
}

std::string ReadSmallFile(const fs::path& file, std::size_t longest) {
    std::string text = ReadStart(file, longest + 1);
    return text.size() > longest ? std::string() : text;
}

// The key the notes of the locker at lockerFile are authenticated with; empty
// when no locker (a plain file) lies there.
Bytes NoteKey(const fs::path& lockerFile) {
    TItemStamp stamp;
    if (!platform::ReadItemStamp(lockerFile, stamp) || stamp.Type != TItemStamp::Kind::File)
        return {};
    const std::string header = ReadStart(lockerFile, static_cast<std::size_t>(LockerHeaderSize));
    if (header.size() < static_cast<std::size_t>(LockerHeaderSize))
        return {};
    return HmacSha256(Utf8Bytes("Veilkeep leftover note"), Bytes(header.begin(), header.end()));
}

std::string Mac(const Bytes& key, const std::string& body) {
    return BytesToHex(HmacSha256(key, Utf8Bytes(body)));
}

// The note's body: its kind, the item's name and the fields, one per line.
std::string NoteBody(TStageKind kind, const fs::path& item, const TNoteFields& fields) {
    std::ostringstream body;
    body << "kind " << static_cast<int>(kind) << '\n'
         << "item " << BytesToHex(Utf8Bytes(platform::Utf8FromPath(item.filename()))) << '\n';
    for (const auto& [name, value] : fields)
        body << name << ' ' << value << '\n';
    return body.str();
}

std::optional<TNoteFields> ParseFields(const std::string& text) {
    TNoteFields fields;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t space = line.find(' ');
        if (space == std::string::npos)
            return std::nullopt;
        fields[line.substr(0, space)] = line.substr(space + 1);
    }
    return fields;
}

} // namespace

std::string IdentityOf(const TItemStamp& stamp) {
    return std::to_string(stamp.Device) + ":" + std::to_string(stamp.Inode);
}

std::string IdentityAt(const fs::path& path) {
    TItemStamp stamp;
    return platform::ReadItemStamp(path, stamp) ? IdentityOf(stamp) : std::string();
}

std::string TreeDigest(const TSnapshot& snapshot) {
    return BytesToHex(Sha256Bytes(Utf8Bytes(Canonical(snapshot))));
}

fs::path WriteNote(const fs::path& item, TStageKind kind, const TNoteFields& fields, const fs::path& lockerFile) {
    const Bytes key = NoteKey(lockerFile);
    if (key.empty())
        throw Error(TranslateFormat("Path not found: %s", platform::Utf8FromPath(lockerFile)));
    const std::string body = NoteBody(kind, item, fields);
    const std::string text = body + "mac " + Mac(key, body) + '\n';
    const fs::path note = StagingPath(item, kind);
    std::optional<platform::FileStream> stream;
    stream.emplace(note, platform::FileStream::Mode::CreateNew); // raises when anything lies there
    try {
        stream->Write(text.data(), text.size());
        stream->Sync();
        stream->Close();
        platform::FlushFolder(note.parent_path());
    } catch (...) {
        stream.reset(); // closed first: Windows cannot delete an open file
        std::string failed;
        DeleteTree(note, failed); // a note that may not have reached the disk proves nothing
        throw;
    }
    return note;
}

std::vector<TNote> ProvenNotes(const fs::path& item, const fs::path& locker, std::vector<fs::path>* unproven) {
    std::vector<TNote> notes;
    const Bytes key = NoteKey(locker);
    for (const TLeftover& leftover : LeftoversOf(item)) {
        if (leftover.Kind != TStageKind::Held && leftover.Kind != TStageKind::Placed)
            continue;
        TItemStamp stamp;
        const bool plain =
            platform::ReadItemStamp(leftover.Path, stamp) && stamp.Type == TItemStamp::Kind::File && stamp.Owned;
        const std::string text = plain && !key.empty() ? ReadSmallFile(leftover.Path, LongestNote) : std::string();
        const std::size_t macAt = text.rfind("mac ");
        std::optional<TNoteFields> fields;
        if (macAt != std::string::npos && (macAt == 0 || text[macAt - 1] == '\n'))
            fields = ParseFields(text.substr(0, macAt));
        const bool genuine = fields && text.substr(macAt) == "mac " + Mac(key, text.substr(0, macAt)) + "\n" &&
                             (*fields)["kind"] == std::to_string(static_cast<int>(leftover.Kind)) &&
                             (*fields)["item"] == BytesToHex(Utf8Bytes(platform::Utf8FromPath(item.filename())));
        if (genuine) {
            fields->erase("kind");
            fields->erase("item");
            notes.push_back({leftover.Path, leftover.Kind, std::move(*fields)});
        } else if (unproven) {
            unproven->push_back(leftover.Path);
        }
    }
    return notes;
}

fs::path WriteHeldNote(const fs::path& item, const TSnapshot& stored, const fs::path& lockerFile) {
    return WriteNote(item, TStageKind::Held,
                     {{"root", IdentityOf(stored.front().second)},
                      {"tree", TreeDigest(stored)},
                      {"locker", LockerStampText(lockerFile)}},
                     lockerFile);
}

std::optional<fs::path> FittingHeldNote(const fs::path& item, const fs::path& locker) {
    const TSnapshot now = TakeSnapshot(item);
    const std::string lockerStamp = LockerStampText(locker);
    if (now.empty() || lockerStamp.empty())
        return std::nullopt;
    for (const TNote& note : ProvenNotes(item, locker, nullptr))
        if (note.Kind == TStageKind::Held && note.Field("tree") == TreeDigest(now) &&
            note.Field("locker") == lockerStamp)
            return note.Path;
    return std::nullopt;
}

} // namespace vk::protect
