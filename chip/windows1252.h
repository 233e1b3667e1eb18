#pragma once
// Texts are UTF-8; a face that draws through the ANSI functions of Windows needs them as
// Windows-1252 bytes, and so does i815ctl.exe where its output goes to a file or a pipe.

#include <cstddef>
#include <cstdint>
#include <string>

// The length of the well-formed UTF-8 sequence at `at`, its character in `code`; 0 where the
// byte begins none (not a lead byte, cut short, a byte that is no continuation, overlong).
size_t Utf8Sequence(const std::string& text, size_t at, uint32_t& code);
// The byte of a character in Windows-1252; "?" for one that it lacks.
char Windows1252Byte(uint32_t code);

// Every character that Windows-1252 has becomes its byte; any other, and any malformed
// UTF-8 sequence, becomes "?".
std::string ToWindows1252(const std::string& utf8);
