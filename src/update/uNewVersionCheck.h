#pragma once

// The version check at start-up: asks the maker's web site whether a newer
// version exists or the running one may no longer be used.

#include "update/rules/SiteUrls.h"
#include "update/rules/VersionRules.h"

#include <QString>

#include <optional>

namespace vk {

// Where the update check and the download go, and how long the whole version
// check may take, connecting and both answers included: start-up never waits
// longer for it. Tests point it at a local server.
struct UpdateSite {
    QString BaseUrl = QString::fromLatin1(SiteBaseUrl);
    int TimeoutMs = 3000;
};

// GETs the version document and then the changes document and decides on them.
// The offer when the update dialog is to be shown; nothing when no newer
// version is offered or on any failure (no network, an error status, more than
// ten redirects, a check that has not ended within the time-out, a malformed
// document).
// Never raises and never shows anything; the calling thread waits in a local
// event loop.
std::optional<UpdateOffer> CheckForNewVersion(const UpdateSite& site = {});

} // namespace vk
