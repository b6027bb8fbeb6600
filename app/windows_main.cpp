// The entry of the Windows program Rangwerk.exe.
#include <optional>
#include <string>
#include <vector>

#include "app/windows_program.h"
#include "platform/command_line.h"

int main(int argc, char** argv) {
    // Only argument 1 is looked at. It comes from the UTF-16 command line (GetCommandLineW):
    // `argv` is in the ANSI code page and loses every character outside it.
    const std::vector<std::string> arguments = rangwerk::CommandLineArguments(argc, argv);
    std::optional<std::string> argument1;
    if (!arguments.empty())
        argument1 = arguments.front();
    return rangwerk::RunWindowsProgram(argument1);
}
