// The directory that holds the running program file.
#pragma once

#include <string>

namespace brennic::platform {

// The path text of the directory that holds the program file. It ends in a
// separator only for a root directory.
std::string ProgramDirectory();

// The directory part of a file path, split at the last of `separators`: no
// separator at the end, except for a root directory ("/", "C:\").
std::string DirectoryOfPath(const std::string& path, const char* separators);

} // namespace brennic::platform
