#pragma once

// What the Help items open: the site's page when the site answers, otherwise
// the README shipped beside the program, so help is there without a network.

#include <QString>
#include <QUrl>
#include <functional>

namespace vk {

struct HelpSources {
    // True when the site answers a request for the page in time.
    std::function<bool(const QUrl& page)> SiteAnswers;
    // Hands a page or a file to the desktop; false when it could not.
    std::function<bool(const QUrl& target)> Open;
    QString ReadmePath; // the README beside the program
};

// The sources of the running program: a short request to the site, the
// desktop's own handler and README.md in the executable's folder.
HelpSources DesktopHelpSources();

// Opens sitePage or, when the site does not answer or the page cannot be
// opened, the README. Empty when something was opened; otherwise the text
// to show, naming the README's path.
QString OpenHelp(const QUrl& sitePage, const HelpSources& sources);

} // namespace vk
