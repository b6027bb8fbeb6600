#pragma once

#include <optional>
#include <string>

namespace rangwerk {

// What the Windows program's start takes from the command line and the system.
struct WindowsProgramStart {
    // Argument 1 of the command line (from GetCommandLineW), when there is one.
    std::optional<std::string> argument1;
    // The absolute path of the running program file.
    std::string programPath;
};

// PLACEHOLDER for the Windows program's start order, until its Win32 windows exist: shows an
// empty main window with the application title "Rangwerk", the main window's client size,
// frame and icon, centred on the screen, and runs the message loop until it is closed; returns
// exit code 0. It does not yet create the main window's pages, the installation registration
// (so "/uninstall" in argument 1 is not acted on), the update component, the combinations
// window or the info dialog; the start order with TForm1, TForm2 and TInfo replaces it.
int RunPlaceholderStart(const WindowsProgramStart& start);

}  // namespace rangwerk
