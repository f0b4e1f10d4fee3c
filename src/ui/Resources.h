#pragma once

class QIcon;

namespace vk {

// Registers the program's compiled-in resources (icons, style sheet). The GUI
// is a static library, so the linker would otherwise drop them. Safe to call
// more than once.
void InitResources();

// The icon known by an image name ("ad-folder", "info (1)", ...).
QIcon ImageIcon(const char* imageName);

} // namespace vk
