#pragma once
// The form's texts are UTF-8; a face that draws through the ANSI functions of Windows needs
// them as Windows-1252 bytes.

#include <string>

// Every character that Windows-1252 has becomes its byte; any other, and any malformed
// UTF-8 sequence, becomes "?".
std::string ToWindows1252(const std::string& utf8);
