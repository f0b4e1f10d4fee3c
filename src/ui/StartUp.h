#pragma once

// The program's start-up and life, in its fixed order: style, title,
// translation, update offer, settings, password, main window and dialogs,
// message loop. main() only creates the application object and calls
// RunProgram; tests drive the same routines with scripted prompts.

#include <functional>
#include <memory>

class QApplication;

namespace vk {

class Prompts;
class SettingsStore;
class SingleInstance;
class TfrmMain;

// Sets the application title every later step depends on (settings folder,
// language choice, message box captions).
void SetApplicationTitle();

// Names the installed desktop entry (orvanveilkeep.desktop) and the program's
// icon, so the desktop shows them for the program's windows.
void IdentifyToDesktop();

// The update offer: checks for a new version, shows the update dialog when one
// is offered, and returns false when the program must end now. The default
// asks the maker's web site; tests pass their own.
using UpdateStep = std::function<bool(Prompts&)>;
UpdateStep WebSiteUpdateStep();

// Every step before the message loop. Returns no window when the program is to
// end without one (also when instance finds another copy running and hands
// over to it); errors escape to the caller. Without an instance no check for
// another copy is made.
std::unique_ptr<TfrmMain> StartUpToMainWindow(QApplication& application, SettingsStore& settings, Prompts& prompts,
                                              const UpdateStep& offerUpdate = WebSiteUpdateStep(),
                                              SingleInstance* instance = nullptr);

// The whole life of the program after the application object exists: only
// one copy runs per user, and a later start hands over to it and ends. An
// error before the message loop is shown in an error box and ends the
// program. Returns the process exit code.
int RunProgram(QApplication& application, SettingsStore& settings, Prompts& prompts,
               const UpdateStep& offerUpdate = WebSiteUpdateStep());

} // namespace vk
