// The hide and restore runs over the selected or all rows.

#include "ui/UnitMain.h"

namespace vk {

// Each run fixes its rows, enters the busy state, sets each row's status again
// from the disk and hides or restores it, then refreshes and saves. Until the
// runs exist the commands do nothing.
void TfrmMain::btnEncryptAndHideSelectedClick() {}
void TfrmMain::btnDecryptAndUnhideSelectedClick() {}
void TfrmMain::btnEncryptAndHideAllClick() {}
void TfrmMain::btnDecryptAndUnhideAllClick() {}

} // namespace vk
