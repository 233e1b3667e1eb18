// The standard streams of i815ctl.exe: the standard handles, written and read with WriteFile and
// ReadFile (the C++ runtime's console streams would need functions that Windows 98 lacks), each
// line written ending in CRLF, in the code page of where it goes (code_page_output.h).
#include "standard_output.h"

#include "code_page_output.h"
#include "error_text_win32.h"
#include "interruption.h"

#include <cerrno>
#include <string>

#include <windows.h>

namespace {

// A run of bytes in the ANSI code page, as UTF-16.
std::u16string AnsiCharacters(const std::string& bytes)
{
    const int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    std::u16string units(size_t(size > 0 ? size : 0), u'\0');
    if (size <= 0 ||
        !MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), reinterpret_cast<LPWSTR>(&units[0]), size))
        return std::u16string(bytes.size(), u'?');
    return units;
}

// The text as it leaves on `handle`: in the output code page of a console (the OEM code page,
// 437 or 850, unless chcp chose another), in Windows-1252 anywhere else. A console whose code
// page Windows cannot convert to is given Windows-1252 too.
std::string InCodePageOf(HANDLE handle, const std::string& text)
{
    DWORD mode = 0;
    if (!GetConsoleMode(handle, &mode))
        return Windows1252Output(text);
    const std::u16string units = Utf16Output(text, AnsiCharacters);
    if (units.empty())
        return {};
    const UINT page = GetConsoleOutputCP();
    const auto wide = reinterpret_cast<LPCWSTR>(units.data());
    const int size = WideCharToMultiByte(page, 0, wide, int(units.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size_t(size > 0 ? size : 0), '\0');
    if (size <= 0 || !WideCharToMultiByte(page, 0, wide, int(units.size()), &bytes[0], size, nullptr, nullptr))
        return Windows1252Output(text);
    return bytes;
}

// The text with "\r\n" for each "\n", in the code page of where it goes unless it is a file's
// bytes, written whole; false, with the errno, when a write failed.
bool WriteLines(DWORD which, const std::string& text, bool fileBytes, int& error)
{
    const HANDLE handle = GetStdHandle(which);
    if (!handle || handle == INVALID_HANDLE_VALUE) {
        error = EBADF;
        return false;
    }
    std::string lines;
    lines.reserve(text.size() + text.size() / 16);
    for (char c : fileBytes ? text : InCodePageOf(handle, text)) {
        if (c == '\n')
            lines += '\r';
        lines += c;
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

// Standard error: each character as it comes, as std::cerr on POSIX, but for a UTF-8 sequence,
// which goes once it is whole.
class ErrorBuffer : public std::streambuf {
public:
    ~ErrorBuffer() override { Write(joiner_.Rest()); }

protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        const char one = traits_type::to_char_type(c);
        return Write(joiner_.Take(&one, 1)) ? c : traits_type::eof();
    }

    std::streamsize xsputn(const char* text, std::streamsize size) override
    {
        return Write(joiner_.Take(text, size_t(size))) ? size : 0;
    }

private:
    bool Write(const std::string& text)
    {
        int error = 0;
        return text.empty() || WriteLines(STD_ERROR_HANDLE, text, false, error);
    }

    Utf8Joiner joiner_;
};

// Standard output's sequences that its buffer's end parted (there is one standard output).
Utf8Joiner outputJoiner;

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

bool StandardOutput::Flush(bool more)
{
    const std::string text = outputJoiner.Take(pbase(), size_t(pptr() - pbase())) + (more ? "" : outputJoiner.Rest());
    const bool ok = !error_ && (text.empty() || WriteLines(STD_OUTPUT_HANDLE, text, CarriesFileBytes(stream_), error_));
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
