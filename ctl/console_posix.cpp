#include "console.h"

#include "interruption.h"

#include <algorithm>
#include <cerrno>
#include <iostream>

#include <poll.h>
#include <unistd.h>

std::ostream& ConsoleOutput() { return std::cout; }

std::ostream& ConsoleErrors() { return std::cerr; }

LineRead ReadLineWithin(int input, int milliseconds, std::string& line)
{
    line.clear();
    int left = milliseconds;
    for (;;) {
        if (Interrupted())
            return LineRead::Interrupted;
        pollfd watch{input, POLLIN, 0};
        const int step = std::min(left, 100);
        const int ready = poll(&watch, 1, step);
        if (Interrupted())  // a hang-up may come together with the end of input: it is named
            return LineRead::Interrupted;
        if (ready < 0 && errno != EINTR)
            return LineRead::Gone;
        if (ready <= 0) {
            left -= step;
            if (left <= 0)
                return LineRead::NoTime;
            continue;
        }
        char c;
        const ssize_t got = read(input, &c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return LineRead::Gone;
        if (c == '\n')
            return LineRead::Line;
        line += c;
    }
}
