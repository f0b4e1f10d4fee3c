// The busy state of a run: progress bar, status counter and Stop.

#include "ui/UnitMain.h"

namespace vk {

void TfrmMain::BeginBusy(int total) {
    FBusy = true;
    FStopRequested = false;
    FTotalItems = total;
    FCurrentItemIndex = 0;
}

void TfrmMain::EndBusy() {
    FBusy = false;
}

void TfrmMain::UpdateStatusLabel() {}

void TfrmMain::LockerProgress(const std::string& /*path*/, std::int64_t /*done*/, std::int64_t /*total*/) {}

bool TfrmMain::IsStopRequested() const {
    return FStopRequested;
}

// Stop only asks the running operation to end at its next check.
void TfrmMain::btnStopClick() {
    FStopRequested = true;
}

} // namespace vk
