#pragma once
// A word as this system's command interpreter reads it back, for a command line that a message
// suggests: sh's quoting (shell_word_posix.cpp), or cmd.exe's (shell_word_win32.cpp).

#include <string>

// The word as it is when no shell (or cmd.exe) treats any of its characters specially; quoted
// otherwise.
std::string ShellWord(const std::string& word);
