#pragma once

// The update step of the start-up: check for a new version and, when one is
// offered, show the update dialog and report whether the program may go on.

#include "update/NewVersionDialog.h"
#include "update/uNewVersionCheck.h"

#include <functional>

namespace vk {

class Prompts;

// Shows the update dialog modally and returns when it has closed.
using ShowModal = std::function<void(TfrmNewVersion&)>;

// Runs the version check and, when it finds an offer, the update dialog
// (without an owner). False when the program must end now: an update was
// started or attempted, or the running version may no longer be used. True
// otherwise, also when the check fails. Runs before the settings are read.
bool OfferUpdateAtStartup(
    Prompts& prompts, const UpdateSite& site = {}, const ShellOpen& shellOpen = DesktopShellOpen(),
    const ShowModal& showModal = [](TfrmNewVersion& dialog) { dialog.exec(); });

} // namespace vk
