// The Language menu: one entry per language of the translation file.

#include "ui/UnitMain.h"

namespace vk {

// Leaves the submenu empty until the language menu exists.
void TfrmMain::BuildLanguageMenu() {}

} // namespace vk
