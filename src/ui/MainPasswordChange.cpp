// Setting or changing the application password, rewriting every locker.

#include "ui/UnitMain.h"

namespace vk {

// Does nothing until the password change exists.
void TfrmMain::btnChangePasswordClick() {}

} // namespace vk
