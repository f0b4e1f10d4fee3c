// The busy state of a run: progress bar, status counter and Stop.

#include "ui/UnitMain.h"

namespace vk {

// Stop only asks the running operation to end at its next check.
void TfrmMain::btnStopClick() {
    FStopRequested = true;
}

} // namespace vk
