#include "update/UpdateAtStartup.h"

namespace vk {

bool OfferUpdateAtStartup(Prompts& prompts, const UpdateSite& site, const ShellOpen& shellOpen,
                          const ShowModal& showModal) {
    const std::optional<UpdateOffer> offer = CheckForNewVersion(site);
    if (!offer)
        return true;
    TfrmNewVersion dialog(*offer, prompts, site, shellOpen);
    showModal(dialog);
    return dialog.Outcome() == UpdateOutcome::Continue;
}

} // namespace vk
