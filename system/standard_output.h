#pragma once
// i815ctl's standard output: a stream on descriptor 1 that keeps the reason of the first write
// that failed (a full disk, a pipe whose reader is gone, a closed descriptor), so that the
// program can say it. Each failed write sets the stream's badbit at once, so that an apply
// stops before its next setting.
//
// A descriptor 0, 1 or 2 that is closed when the program starts is given /dev/null first, so
// that no file opened later (a dump, a profile's temporary file, the kernel's configuration
// file) takes its number and receives what is meant for the terminal; a write to a standard
// output that was closed still fails, with EBADF.
//
// POSIX: standard_output_posix.cpp. Windows: standard_output_win32.cpp, which writes to the
// standard output's handle with each line ending in CRLF and the text in the code page of where
// it goes (code_page_output.h), and has a stream of its own for standard error and standard
// input, since the C++ runtime's std::cerr and std::cin need functions that Windows 98 lacks.
//
// Standard input is read by a buffer of this program's own on both systems: the C library's
// stream takes a read error (standard input a folder, a device that fails) for the end of the
// input, and an empty profile would pass for a good one.

#include <istream>
#include <ostream>
#include <stdexcept>
#include <streambuf>
#include <string>

class StandardOutput : private std::streambuf {
public:
    StandardOutput();
    ~StandardOutput() override;
    StandardOutput(const StandardOutput&) = delete;
    StandardOutput& operator=(const StandardOutput&) = delete;

    std::ostream& stream() { return stream_; }
    // Writes what is buffered; returns the errno of the first failed write, 0 when none failed.
    int Finish();

private:
    int_type overflow(int_type c) override;
    int sync() override;
    // `more`: text follows, so a UTF-8 sequence that the buffer's end parts may wait for it.
    bool Flush(bool more = false);

    char buffer_[4096];
    bool closed_ = false;
    int error_ = 0;
    std::ostream stream_;
};

// Marks the program's standard output: what follows on it is a file's bytes (the profile of
// save -, UTF-8 wherever it is read), which leave the program as they are on every system. It
// flushes what came before. Any other stream is left as it is.
std::ostream& AsFileBytes(std::ostream& out);
// Whether `out` was so marked.
bool CarriesFileBytes(std::ostream& out);

// The program's standard error, unbuffered: std::cerr on POSIX.
std::ostream& StandardErrors();
// A read of standard input that failed, as against its end. StandardInput()'s buffer throws
// it; a stream with badbit among its exceptions() hands it on to the reader, any other stream
// only sets badbit.
class InputReadError : public std::runtime_error {
public:
    InputReadError(int error, const std::string& reason) : std::runtime_error(reason), error_(error) {}
    // The errno: EINTR when a signal of interruption.h stopped the read.
    int error() const { return error_; }

private:
    int error_;
};

// The program's standard input, for the FILE "-".
std::istream& StandardInput();
