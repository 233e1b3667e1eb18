#include "shell_word.h"

std::string ShellWord(const std::string& word)
{
    if (!word.empty() && word.find_first_of(" \t&|<>^()%!\"") == std::string::npos)
        return word;
    return "\"" + word + "\"";  // a Windows file name holds no "
}
