#pragma once
// What a message repeats of what the user gave (a key, a value, an option, a line of a file):
// cut short, so that a message stays one line that a person reads, however long the input.

#include <cstddef>
#include <string>

constexpr size_t EchoedCharacters = 40;

// `text` as it is up to EchoedCharacters characters; a longer one's first EchoedCharacters,
// never parting a UTF-8 sequence, and "...".
std::string Echoed(const std::string& text);
