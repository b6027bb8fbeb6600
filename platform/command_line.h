#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace rangwerk {

// The arguments of a command-line program after its own name, as UTF-8. On Windows they come
// from the UTF-16 command line (the `argv` of main is in the ANSI code page there and loses
// every character outside it); elsewhere they are `argv` as it stands.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Makes stdout and stderr write their bytes as they are: on Windows the C library's text mode
// would turn every LF into CR LF. Does nothing elsewhere.
void UseBinaryStandardOutput();

// The path of a file named in UTF-8, in the form the system's file calls take.
std::filesystem::path PathFromUtf8(const std::string& utf8);

}  // namespace rangwerk
