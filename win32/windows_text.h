#pragma once
// The form's texts (UTF-8, "\n" between lines) as the ANSI functions of Windows take them:
// Windows-1252 bytes, and for edit boxes and tooltips, which break lines only at "\r\n",
// with a carriage return before every line feed.

#include <string>

std::string WindowsText(const std::string& utf8);
std::string WindowsLines(const std::string& utf8);
// A failure's text: ours are UTF-8, but one that carries a path or a system's message holds
// bytes of the system's code page already, and those stay as they are.
std::string FailureText(const std::string& message);
