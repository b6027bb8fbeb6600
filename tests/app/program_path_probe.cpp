// Helper of platform_system_test: says "ready", waits for a line on stdin (the test replaces
// the program file meanwhile), then prints what ProgramPath() names.
#include <iostream>
#include <string>

#include "platform/system.h"

int main() {
    std::cout << "ready" << std::endl;
    std::string line;
    std::getline(std::cin, line);
    std::cout << rangwerk::ProgramPath() << std::endl;
    return 0;
}
