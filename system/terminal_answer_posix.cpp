#include "terminal_answer.h"

#include "interruption.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <string>

#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr size_t LongestAnswer = 16;  // "yes" and some blanks; anything longer is not it

}  // namespace

bool IsTerminal(int input) { return isatty(input) == 1; }

void DiscardTypedAhead(int input)
{
    if (IsTerminal(input))
        tcflush(input, TCIFLUSH);
}

Answer AskTerminal(int input, int seconds)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds);
    std::string line;
    bool tooLong = false;
    for (;;) {
        if (Interrupted())
            return Answer::Interrupted;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return Answer::NoTime;
        pollfd watch{input, POLLIN, 0};
        const int ready = poll(&watch, 1, int(std::min<long long>(left, 100)));
        if (Interrupted())  // a hang-up may come together with the end of input: it is named
            return Answer::Interrupted;
        if (ready < 0 && errno != EINTR)
            return Answer::Gone;
        if (ready <= 0)
            continue;
        char chunk[256];
        const ssize_t got = read(input, chunk, sizeof chunk);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0)
            return Answer::Gone;
        for (ssize_t i = 0; i < got; ++i) {
            const char c = chunk[i];
            if (c == '\n') {
                while (!line.empty() && (line.back() == ' ' || line.back() == '\r'))
                    line.pop_back();
                return !tooLong && line == "yes" ? Answer::Yes : Answer::No;
            }
            if (line.size() < LongestAnswer)
                line += char(std::tolower(static_cast<unsigned char>(c)));
            else
                tooLong = true;
        }
    }
}
