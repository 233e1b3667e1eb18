#pragma once
// Paths as each system writes them: paths_posix.cpp ("/"), paths_win32.cpp ("\" or "/", and a
// drive's letter).

#include <string>

// The folder that holds `path`: "." for a bare name, the root for a name in it; on Windows "C:\"
// for "C:\my.conf" and "C:", the current folder of drive C, for "C:my.conf".
std::string FolderOf(const std::string& path);
// The name within that folder.
std::string NameOf(const std::string& path);
// A name in a folder.
std::string PathIn(const std::string& folder, const std::string& name);
