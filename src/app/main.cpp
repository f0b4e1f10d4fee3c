// The program's main routine: the application object, then the start-up
// sequence and the message loop.

#include "settings/uSettings.h"
#include "ui/QtPrompts.h"
#include "ui/StartUp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    vk::QtPrompts prompts;
    vk::SettingsStore settings;
    return vk::RunProgram(application, settings, prompts);
}
