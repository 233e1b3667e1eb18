#pragma once
// i815ctl's terminal, on each system's own terms (console_posix.cpp, console_win32.cpp): the
// streams of its output and its messages, and a line typed in answer to a question, waited for
// no longer than a deadline.

#include <ostream>
#include <string>

std::ostream& ConsoleOutput();
std::ostream& ConsoleErrors();

enum class LineRead { Line, NoTime, Gone, Interrupted };

// One line from the input `input` (a descriptor; 0 is the standard input), without its line
// end, waited for at most `milliseconds`. Interrupted as soon as the program is
// (interruption.h); Gone when the input ends or fails. Never blocks past the deadline, also
// while the user is half-way through a line.
LineRead ReadLineWithin(int input, int milliseconds, std::string& line);
