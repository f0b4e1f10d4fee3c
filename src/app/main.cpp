// The program's main routine: the application object, then the start-up
// sequence and the message loop.

#include "platform/uPlatform.h"
#include "settings/uSettings.h"
#include "ui/QtPrompts.h"
#include "ui/StartUp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // Before any password is typed: no crash dump may carry one.
    vk::platform::KeepMemoryOutOfDumps();
    QApplication application(argc, argv);
    vk::QtPrompts prompts;
    vk::SettingsStore settings;
    return vk::RunProgram(application, settings, prompts);
}
