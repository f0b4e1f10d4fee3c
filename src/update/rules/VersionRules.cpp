#include "update/rules/VersionRules.h"

#include "translation/translation.h"

#include <charconv>

namespace vk {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view LineEnd = "\r\n";

// Replaces the first "%s" of a looked-up text; texts are translated first and
// filled in afterwards.
std::string FillIn(std::string text, const std::string& value) {
    if (const auto at = text.find("%s"); at != std::string::npos)
        text.replace(at, 2, value);
    return text;
}

} // namespace

std::vector<std::string> SplitTextLines(std::string_view document) {
    if (document.starts_with(ByteOrderMark))
        document.remove_prefix(ByteOrderMark.size());
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < document.size()) {
        const std::size_t end = document.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(document.substr(start));
            break;
        }
        lines.emplace_back(document.substr(start, end - start));
        start = end + 1;
        if (document[end] == '\r' && start < document.size() && document[start] == '\n')
            ++start;
    }
    return lines;
}

std::optional<int> ParseWholeNumber(std::string_view text) {
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string DisplayFormOfVersion(std::string_view versionText) {
    std::string display(versionText);
    if (!display.empty())
        display.insert(display.size() - 1, 1, '.');
    return display;
}

std::optional<UpdateOffer> DecideUpdate(std::string_view versionDocument, std::string_view changesDocument,
                                        int runningVersion) {
    const std::vector<std::string> versionLines = SplitTextLines(versionDocument);
    if (versionLines.empty())
        return std::nullopt;
    const std::string_view firstLine = versionLines.front();
    const std::size_t slash = firstLine.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    const std::string_view latestText = firstLine.substr(0, slash);
    const std::optional<int> latest = ParseWholeNumber(latestText);
    const std::optional<int> minimum = ParseWholeNumber(firstLine.substr(slash + 1));
    if (!latest || !minimum)
        return std::nullopt;

    UpdateOffer offer;
    std::string headline;
    // The minimum is tested first: an out-of-date program is told so whatever
    // the newest version is.
    if (*minimum > runningVersion) {
        offer.ForceExit = true;
        headline = FillIn(TranslateText("This version of the software is out of date. You must download the "
                                        "current version %s to continue using the software."),
                          DisplayFormOfVersion(latestText));
    } else if (*latest > runningVersion) {
        headline = FillIn(TranslateText("The new version %s is available"), DisplayFormOfVersion(latestText));
    } else {
        return std::nullopt;
    }

    offer.UpdateMessage = headline;
    offer.UpdateMessage += LineEnd;
    offer.UpdateMessage += LineEnd;
    offer.UpdateMessage += TranslateText("What's new:");
    offer.UpdateMessage += LineEnd;
    for (const std::string& change : SplitTextLines(changesDocument)) {
        if (change.empty())
            continue;
        offer.UpdateMessage += change;
        offer.UpdateMessage += LineEnd;
    }
    return offer;
}

} // namespace vk
