#pragma once
// What i815ctl reads from standard input for a FILE or a DUMP "-": the whole input, or the
// first `limit` bytes and some more when it is larger, so that the caller can say so.

#include <cstddef>
#include <istream>
#include <string>

// The name that messages give standard input.
constexpr const char* StandardInputName = "(standard input)";

// A read that fails is no end of the input: "SOURCE: cannot be read: why" (status 2), or,
// stopped by a signal, "SOURCE: reading was interrupted by a signal" (status 1).
std::string ReadInputText(std::istream& in, const std::string& source, size_t limit);
