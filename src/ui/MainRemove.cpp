// Removing the selected path from the list (a hidden one is restored first).

#include "ui/UnitMain.h"

namespace vk {

// Does nothing until the removal exists.
void TfrmMain::btnRemoveClick() {}

} // namespace vk
