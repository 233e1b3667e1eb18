#pragma once
// try's question, answered on the terminal: one line, read until a deadline on the monotonic
// clock. Nothing the input does holds the deadline off: a stream that never ends a line (a
// `</dev/zero`) is as silent as a user who types nothing, and a line longer than a word is
// simply not "yes".
//
// POSIX: terminal_answer_posix.cpp. Windows: terminal_answer_win32.cpp, which reads a console
// key by key with its line editing off (echoing the keys itself), and a pipe or a file through
// a thread of its own, since a read of a pipe has no time-out there.

enum class Answer { Yes, No, NoTime, Gone, Interrupted };

// Throws away what a terminal holds (keys typed ahead, a pasted snippet): called before the
// question is shown, so that only a line typed after it answers it. A key typed once the
// question shows is never lost (a flush after it could drop a Ctrl-C or a Ctrl-Z that the
// terminal had not yet passed on). Nothing on a pipe or a file.
void DiscardTypedAhead(int input);

// `input` is the terminal's descriptor (0: standard input, on Windows too). Yes for a line
// "yes" (any case, blanks after it), No for any other line, NoTime at the deadline, Gone at the
// end of input or an error, Interrupted once a signal is noted (interruption.h).
Answer AskTerminal(int input, int seconds);

// Whether `input` is a terminal (a console), where a person answers; not a pipe or a file.
bool IsTerminal(int input);
