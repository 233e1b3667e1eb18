// The standard streams of i815ctl.exe: the standard handles, written and read with WriteFile and
// ReadFile (the C++ runtime's console streams would need functions that Windows 98 lacks), each
// line written ending in CRLF.
#include "standard_output.h"

#include "error_text_win32.h"
#include "interruption.h"

#include <cerrno>
#include <string>

#include <windows.h>

namespace {

// The text with "\r\n" for each "\n", written whole; false, with the errno, when a write failed.
bool WriteLines(DWORD which, const char* text, size_t size, int& error)
{
    std::string lines;
    lines.reserve(size + size / 16);
    for (size_t i = 0; i < size; ++i) {
        if (text[i] == '\n')
            lines += '\r';
        lines += text[i];
    }
    const HANDLE handle = GetStdHandle(which);
    if (!handle || handle == INVALID_HANDLE_VALUE) {
        error = EBADF;
        return false;
    }
    for (size_t done = 0; done < lines.size();) {
        DWORD written = 0;
        if (!WriteFile(handle, lines.data() + done, DWORD(lines.size() - done), &written, nullptr) || written == 0) {
            const DWORD code = GetLastError();
            error = ErrnoOf(code) ? ErrnoOf(code) : EIO;
            return false;
        }
        done += written;
    }
    return true;
}

// Standard error: each character as it comes, as std::cerr on POSIX.
class ErrorBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        const char one = traits_type::to_char_type(c);
        int error = 0;
        return WriteLines(STD_ERROR_HANDLE, &one, 1, error) ? c : traits_type::eof();
    }

    std::streamsize xsputn(const char* text, std::streamsize size) override
    {
        int error = 0;
        return WriteLines(STD_ERROR_HANDLE, text, size_t(size), error) ? size : 0;
    }
};

// Standard input, as it comes (a console hands over a line at a time).
class InputBuffer : public std::streambuf {
protected:
    int_type underflow() override
    {
        const HANDLE handle = GetStdHandle(STD_INPUT_HANDLE);
        if (!handle || handle == INVALID_HANDLE_VALUE)
            return traits_type::eof();  // no input at all, as /dev/null on POSIX
        DWORD got = 0;
        if (!ReadFile(handle, buffer_, sizeof buffer_, &got, nullptr)) {
            const DWORD code = GetLastError();
            if (code == ERROR_BROKEN_PIPE || code == ERROR_HANDLE_EOF)  // a pipe's writer gone: the end
                return traits_type::eof();
            throw InputReadError(Interrupted() ? EINTR : ErrnoOf(code), ErrorText(code));
        }
        if (got == 0) {
            // A console read that Ctrl+C breaks off ends with nothing, as the end of the input does.
            if (Interrupted())
                throw InputReadError(EINTR, "interrupted");
            return traits_type::eof();
        }
        setg(buffer_, buffer_, buffer_ + got);
        return traits_type::to_int_type(buffer_[0]);
    }

private:
    char buffer_[4096];
};

}  // namespace

StandardOutput::StandardOutput() : stream_(this)
{
    closed_ = !GetStdHandle(STD_OUTPUT_HANDLE) || GetStdHandle(STD_OUTPUT_HANDLE) == INVALID_HANDLE_VALUE;
    setp(buffer_, buffer_ + sizeof buffer_);
}

bool StandardOutput::Flush()
{
    const bool ok =
        !error_ && (pptr() == pbase() || WriteLines(STD_OUTPUT_HANDLE, pbase(), size_t(pptr() - pbase()), error_));
    setp(buffer_, buffer_ + sizeof buffer_);  // written, or lost with its reason kept
    return ok;
}

std::ostream& StandardErrors()
{
    static ErrorBuffer buffer;
    static std::ostream stream(&buffer);
    return stream;
}

std::istream& StandardInput()
{
    static InputBuffer buffer;
    static std::istream stream(&buffer);
    return stream;
}
