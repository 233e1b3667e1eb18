#pragma once
// i815ctl's texts are UTF-8. On Windows they leave the program in the code page of where they
// go, as the window programs draw theirs: a console's output code page on a console,
// Windows-1252 in a file or a pipe (standard_output_win32.cpp, which asks Windows for the
// console's code page). This is the part that needs no Windows.
//
// A byte that is no part of well-formed UTF-8 came from the system in its ANSI code page (a
// path the user typed, a system's message) and stays a byte of that code page.

#include <functional>
#include <string>

// Joins the UTF-8 sequences that writes part (standard error is written a character at a
// time): what may leave now, and what waits for the next write.
class Utf8Joiner {
public:
    // What is held, then `size` bytes of `text`, but for an unfinished sequence at the end.
    std::string Take(const char* text, size_t size);
    // What is held: at the end, as it is.
    std::string Rest();

private:
    std::string held_;
};

// For a file or a pipe: each character as its Windows-1252 byte, "?" for one that Windows-1252
// lacks; any other byte as it is.
std::string Windows1252Output(const std::string& text);

// For a console, as UTF-16 code units: each character as itself, "?" for one beyond UTF-16, and
// each run of other bytes as `ansi` makes it (the ANSI code page's characters).
std::u16string Utf16Output(const std::string& text, const std::function<std::u16string(const std::string&)>& ansi);
