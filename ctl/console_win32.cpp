// i815ctl's terminal on Windows 95 to XP. The output goes straight to the standard handles
// (the C++ runtime's own console streams would need functions that Windows 98 lacks), each line
// ending in CRLF. An answer is waited for no longer than its deadline, also while the user is
// half-way through a line: the console is read key by key with its line editing off (the keys
// are echoed here), a pipe or a file by a thread of its own.
#include "console.h"

#include "interruption.h"

#include <algorithm>
#include <streambuf>
#include <string>

#include <io.h>
#include <windows.h>

namespace {

class HandleBuffer : public std::streambuf {
public:
    explicit HandleBuffer(DWORD which) : which_(which) { setp(buffer_, buffer_ + sizeof buffer_); }

protected:
    int overflow(int c) override
    {
        if (sync() != 0)
            return traits_type::eof();
        if (c != traits_type::eof()) {
            *pptr() = char(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    int sync() override
    {
        std::string text;
        for (const char* p = pbase(); p < pptr(); ++p) {
            if (*p == '\n')
                text += '\r';
            text += *p;
        }
        setp(buffer_, buffer_ + sizeof buffer_);
        if (text.empty())
            return 0;
        const HANDLE handle = GetStdHandle(which_);
        DWORD written = 0;
        if (!handle || handle == INVALID_HANDLE_VALUE)
            return 0;  // no console and nothing redirected: nobody to tell
        return WriteFile(handle, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size() ? 0
                                                                                                                : -1;
    }

private:
    DWORD which_;
    char buffer_[4096];
};

HANDLE InputHandle(int input)
{
    if (input == 0)
        return GetStdHandle(STD_INPUT_HANDLE);
    return reinterpret_cast<HANDLE>(_get_osfhandle(input));
}

void Echo(const std::string& text)
{
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(output, &mode))
        WriteFile(output, text.data(), DWORD(text.size()), &written, nullptr);
}

// The console's keys as they come, Ctrl+C still caught by the handler of interruption_win32.cpp.
LineRead FromConsole(HANDLE console, int milliseconds, std::string& line)
{
    DWORD mode = 0;
    GetConsoleMode(console, &mode);
    SetConsoleMode(console, ENABLE_PROCESSED_INPUT);
    LineRead result = LineRead::NoTime;
    for (DWORD start = GetTickCount();;) {
        if (Interrupted()) {
            result = LineRead::Interrupted;
            break;
        }
        const DWORD waited = GetTickCount() - start;
        if (waited >= DWORD(milliseconds))
            break;
        const DWORD state = WaitForSingleObject(console, std::min<DWORD>(DWORD(milliseconds) - waited, 100));
        if (state == WAIT_TIMEOUT)
            continue;
        INPUT_RECORD record;
        DWORD got = 0;
        if (state != WAIT_OBJECT_0 || !ReadConsoleInputA(console, &record, 1, &got)) {
            result = LineRead::Gone;
            break;
        }
        if (got != 1 || record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown)
            continue;
        const char c = record.Event.KeyEvent.uChar.AsciiChar;
        if (c == '\r' || c == '\n') {
            Echo("\r\n");
            result = LineRead::Line;
            break;
        }
        if (c == '\b') {
            if (!line.empty()) {
                line.pop_back();
                Echo("\b \b");
            }
        } else if (static_cast<unsigned char>(c) >= ' ') {
            line += c;
            Echo(std::string(1, c));
        }
    }
    SetConsoleMode(console, mode);
    if (Interrupted())
        return LineRead::Interrupted;
    return result;
}

// A pipe or a file: a thread of its own reads it ahead of the program (a read of a pipe has no
// time-out on Windows, and not every pipe can be peeked at), and the program waits for its
// bytes no longer than the deadline.
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

    LineRead ReadLine(int milliseconds, std::string& line)
    {
        for (DWORD start = GetTickCount();;) {
            if (Interrupted())
                return LineRead::Interrupted;
            EnterCriticalSection(&lock_);
            const size_t end = pending_.find('\n');
            const bool ended = ended_;
            if (end != std::string::npos) {
                line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
            }
            LeaveCriticalSection(&lock_);
            if (end != std::string::npos) {
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                return LineRead::Line;
            }
            if (ended)
                return LineRead::Gone;
            const DWORD waited = GetTickCount() - start;
            if (waited >= DWORD(milliseconds))
                return LineRead::NoTime;
            WaitForSingleObject(arrived_, std::min<DWORD>(DWORD(milliseconds) - waited, 100));
        }
    }

private:
    static DWORD WINAPI Run(void* self)
    {
        auto& reader = *static_cast<InputReader*>(self);
        for (;;) {
            char c;
            DWORD got = 0;
            const bool ok = ReadFile(reader.input_, &c, 1, &got, nullptr) && got == 1;
            EnterCriticalSection(&reader.lock_);
            if (ok)
                reader.pending_ += c;
            else
                reader.ended_ = true;
            LeaveCriticalSection(&reader.lock_);
            SetEvent(reader.arrived_);
            if (!ok)
                return 0;
        }
    }

    HANDLE input_;
    HANDLE arrived_;
    CRITICAL_SECTION lock_;
    std::string pending_;
    bool ended_ = false;
};

}  // namespace

std::ostream& ConsoleOutput()
{
    static HandleBuffer buffer(STD_OUTPUT_HANDLE);
    static std::ostream stream(&buffer);
    return stream;
}

std::ostream& ConsoleErrors()
{
    static HandleBuffer buffer(STD_ERROR_HANDLE);
    static std::ostream stream(&buffer);
    stream.setf(std::ios::unitbuf);
    stream.tie(&ConsoleOutput());  // as std::cerr is tied to std::cout: what came before, shows before
    return stream;
}

LineRead ReadLineWithin(int input, int milliseconds, std::string& line)
{
    line.clear();
    const HANDLE handle = InputHandle(input);
    if (!handle || handle == INVALID_HANDLE_VALUE)
        return LineRead::Gone;
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode))
        return FromConsole(handle, milliseconds, line);
    static InputReader reader(handle);  // the program reads one input only: its terminal
    return reader.ReadLine(milliseconds, line);
}
