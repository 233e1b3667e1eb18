// try's question answered on Windows 95 to XP, waited for no longer than its deadline, also
// while the user is half-way through a line. The deadline is on GetTickCount, which counts from
// the system's start and is not set by the clock (its wrap after 49 days cancels out in a
// difference).
#include "terminal_answer.h"

#include "interruption.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include <io.h>
#include <windows.h>

namespace {

constexpr size_t LongestAnswer = 16;  // "yes" and some blanks; anything longer is not it

// One line, as it is typed or piped, up to LongestAnswer characters.
class Line {
public:
    void Add(char c)
    {
        if (text_.size() < LongestAnswer)
            text_ += char(std::tolower(static_cast<unsigned char>(c)));
        else
            tooLong_ = true;
    }
    void RemoveLast()
    {
        if (!text_.empty() && !tooLong_)
            text_.pop_back();
    }
    bool Empty() const { return text_.empty(); }
    Answer Judged()
    {
        while (!text_.empty() && (text_.back() == ' ' || text_.back() == '\r'))
            text_.pop_back();
        return !tooLong_ && text_ == "yes" ? Answer::Yes : Answer::No;
    }

private:
    std::string text_;
    bool tooLong_ = false;
};

HANDLE InputHandle(int input)
{
    if (input == 0)
        return GetStdHandle(STD_INPUT_HANDLE);
    return reinterpret_cast<HANDLE>(_get_osfhandle(input));
}

void Echo(const char* text)
{
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(output, &mode))  // the keys show on the console, never in a redirected output
        WriteFile(output, text, DWORD(std::strlen(text)), &written, nullptr);
}

// The console's keys as they come; Ctrl+C still reaches the handler of interruption_win32.cpp.
Answer FromConsole(HANDLE console, int seconds)
{
    DWORD mode = 0;
    GetConsoleMode(console, &mode);
    SetConsoleMode(console, ENABLE_PROCESSED_INPUT);
    const DWORD start = GetTickCount(), limit = DWORD(seconds) * 1000;
    Line line;
    Answer answer = Answer::NoTime;
    for (;;) {
        if (Interrupted()) {
            answer = Answer::Interrupted;
            break;
        }
        const DWORD waited = GetTickCount() - start;
        if (waited >= limit)
            break;
        const DWORD state = WaitForSingleObject(console, std::min<DWORD>(limit - waited, 100));
        if (state == WAIT_TIMEOUT)
            continue;
        INPUT_RECORD record;
        DWORD got = 0;
        if (state != WAIT_OBJECT_0 || !ReadConsoleInputA(console, &record, 1, &got)) {
            answer = Answer::Gone;
            break;
        }
        if (got != 1 || record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown)
            continue;
        const char c = record.Event.KeyEvent.uChar.AsciiChar;
        if (c == '\r' || c == '\n') {
            Echo("\r\n");
            answer = line.Judged();
            break;
        }
        if (c == '\b') {
            if (!line.Empty())
                Echo("\b \b");
            line.RemoveLast();
        } else if (static_cast<unsigned char>(c) >= ' ') {
            line.Add(c);
            const char shown[2] = {c, '\0'};
            Echo(shown);
        }
    }
    SetConsoleMode(console, mode);
    return Interrupted() ? Answer::Interrupted : answer;
}

// A pipe or a file: a thread of its own reads it ahead of the program (a read of a pipe has no
// time-out on Windows, and not every pipe can be peeked at), and the program waits for its
// line no longer than the deadline. The thread keeps no more than one answer's worth of bytes.
class InputReader {
public:
    explicit InputReader(HANDLE input) : input_(input), arrived_(CreateEventA(nullptr, FALSE, FALSE, nullptr))
    {
        InitializeCriticalSection(&lock_);
        DWORD id = 0;
        const HANDLE thread = CreateThread(nullptr, 0, &InputReader::Run, this, 0, &id);
        if (thread)
            CloseHandle(thread);
        else
            ended_ = true;
    }

    Answer Wait(int seconds)
    {
        const DWORD start = GetTickCount(), limit = DWORD(seconds) * 1000;
        for (;;) {
            if (Interrupted())
                return Answer::Interrupted;
            EnterCriticalSection(&lock_);
            const bool done = lineDone_, ended = ended_;
            Line line = line_;
            LeaveCriticalSection(&lock_);
            if (done)
                return line.Judged();
            if (ended)
                return Answer::Gone;
            const DWORD waited = GetTickCount() - start;
            if (waited >= limit)
                return Answer::NoTime;
            WaitForSingleObject(arrived_, std::min<DWORD>(limit - waited, 100));
        }
    }

private:
    static DWORD WINAPI Run(void* self)
    {
        auto& reader = *static_cast<InputReader*>(self);
        for (;;) {
            char chunk[256];
            DWORD got = 0;
            const bool ok = ReadFile(reader.input_, chunk, sizeof chunk, &got, nullptr) && got > 0;
            EnterCriticalSection(&reader.lock_);
            for (DWORD i = 0; ok && i < got && !reader.lineDone_; ++i) {
                if (chunk[i] == '\n')
                    reader.lineDone_ = true;
                else
                    reader.line_.Add(chunk[i]);
            }
            const bool stop = !ok || reader.lineDone_;
            reader.ended_ = !ok;
            LeaveCriticalSection(&reader.lock_);
            SetEvent(reader.arrived_);
            if (stop)
                return 0;
        }
    }

    HANDLE input_;
    HANDLE arrived_;
    CRITICAL_SECTION lock_;
    Line line_;
    bool lineDone_ = false;
    bool ended_ = false;
};

}  // namespace

bool IsTerminal(int input)
{
    const HANDLE handle = InputHandle(input);
    DWORD mode = 0;
    return handle && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

void DiscardTypedAhead(int input)
{
    if (IsTerminal(input))
        FlushConsoleInputBuffer(InputHandle(input));
}

Answer AskTerminal(int input, int seconds)
{
    const HANDLE handle = InputHandle(input);
    if (!handle || handle == INVALID_HANDLE_VALUE)
        return Answer::Gone;
    if (IsTerminal(input))
        return FromConsole(handle, seconds);
    static InputReader reader(handle);  // the program asks once, on one input: its terminal
    return reader.Wait(seconds);
}
