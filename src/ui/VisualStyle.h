#pragma once

// The built-in visual style: Qt's Fusion style with the program's palette and
// a style sheet compiled into the program.

class QApplication;

namespace vk {

inline constexpr const char* BuiltInStyleName = "RuvuvazuzeVoro Dezizuvive";

// Applies the built-in style to the application. False, with the default look
// left in place, when it cannot be applied.
bool ApplyBuiltInStyle(QApplication& application);

} // namespace vk
