// The entry of the Windows program Rangwerk.exe.
#include <string>
#include <vector>

#include "app/windows_placeholder_start.h"
#include "platform/command_line.h"
#include "platform/system.h"
#include "ui/win32/controls.h"

int main(int argc, char** argv) {
    // Only argument 1 is looked at. It comes from the UTF-16 command line (GetCommandLineW):
    // `argv` is in the ANSI code page and loses every character outside it.
    const std::vector<std::string> arguments = rangwerk::CommandLineArguments(argc, argv);
    rangwerk::WindowsProgramStart start;
    if (!arguments.empty())
        start.argument1 = arguments.front();
    start.programPath = rangwerk::ProgramPath();

    rangwerk::win32::InitialiseCommonControls();
    return rangwerk::RunPlaceholderStart(start);
}
