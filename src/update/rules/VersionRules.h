#pragma once

// What the two documents on the maker's web site mean for the running program:
// whether a newer version is offered, whether the running one may still be used,
// and the message the update dialog shows. A pure function of the documents'
// text, so every rule can be tested without a network.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vk {

// The running program's version: the display form and the number compared
// against the version document (the display form without its dot).
inline constexpr const char* ProgramDisplayVersion = "2.4";
inline constexpr int ProgramVersionNumber = 24;

namespace detail {
constexpr int VersionNumberOf(std::string_view display) {
    int number = 0;
    for (const char c : display)
        if (c != '.')
            number = number * 10 + (c - '0');
    return number;
}
} // namespace detail
static_assert(detail::VersionNumberOf(ProgramDisplayVersion) == ProgramVersionNumber,
              "the display version and the version number agree");

// An offer of a newer version, or a notice that the running one is out of date.
struct UpdateOffer {
    // Headline, an empty line, "What's new:" and the change lines, each line
    // ended by CR LF.
    std::string UpdateMessage;
    // The running version may no longer be used: the program must update or end.
    bool ForceExit = false;
};

// The document as text lines: UTF-8, a leading byte-order mark skipped, lines
// ended by CR LF, LF or CR. A final line break does not open another line.
std::vector<std::string> SplitTextLines(std::string_view document);

// A whole number written in decimal digits alone; nothing for anything else
// (empty, a sign, a space, a dot, or too large for an int).
std::optional<int> ParseWholeNumber(std::string_view text);

// The version number as written, with a dot in front of its last character
// ("25" gives "2.5", "103" gives "10.3").
std::string DisplayFormOfVersion(std::string_view versionText);

// The decision on the version document's first line "LATEST/MINIMUM" against
// runningVersion. Nothing when the document is malformed or offers nothing
// newer; otherwise the offer, its message composed from the changes document's
// non-empty lines through the translation lookup.
std::optional<UpdateOffer> DecideUpdate(std::string_view versionDocument, std::string_view changesDocument,
                                        int runningVersion = ProgramVersionNumber);

} // namespace vk
