// Importing a locker whose path has dropped out of the list.

#include "ui/UnitMain.h"

namespace vk {

// Does nothing until the import exists.
void TfrmMain::btnImportLockerClick() {}

} // namespace vk
