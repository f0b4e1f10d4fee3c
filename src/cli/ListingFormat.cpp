#include "cli/ListingFormat.h"

#include <algorithm>
#include <array>
#include <sstream>

namespace vk::cli {

namespace {

std::string Printable(const std::string& name) {
    std::string shown = name;
    for (char& c : shown) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            c = '?';
    }
    return shown;
}

std::string ShownPath(const std::string& storedPath) {
    std::string path = Printable(storedPath);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

} // namespace

std::string AttributeLetters(std::int32_t attributes) {
    struct Letter {
        std::uint32_t Bit;
        char Shown;
    };
    constexpr std::array<Letter, 5> Letters{{{0x1, 'R'}, {0x2, 'H'}, {0x4, 'S'}, {0x10, 'D'}, {0x20, 'A'}}};
    std::string text;
    for (const auto& letter : Letters)
        text.push_back((static_cast<std::uint32_t>(attributes) & letter.Bit) ? letter.Shown : '-');
    return text;
}

std::string FormatListing(const TLockerListing& listing) {
    std::ostringstream out;
    out << "Root: " << Printable(listing.RootName) << '\n'
        << "Kind: " << (listing.RootIsFolder ? "folder" : "file") << '\n'
        << "Entries: " << listing.Entries.size() << '\n';

    std::size_t sizeWidth = 4;
    for (const auto& entry : listing.Entries)
        sizeWidth = std::max(sizeWidth, std::to_string(entry.Size).size());

    for (const auto& entry : listing.Entries) {
        std::string size = std::to_string(entry.Size);
        out << (entry.IsDir ? "folder " : "file   ") << AttributeLetters(entry.Attr) << "  "
            << std::string(sizeWidth - size.size(), ' ') << size << "  " << ShownPath(entry.RelativePath) << '\n';
    }
    return out.str();
}

} // namespace vk::cli
