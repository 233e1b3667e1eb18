#pragma once
// The requests between a program and its privileged helper, one line each, all numbers in
// fixed-width lower-case hexadecimal:
//   read OO                   -> ok VVVVVVVV
//   modify OO MMMMMMMM BBBBBBBB -> ok VVVVVVVV   (the value written)
//   save                      -> ok   (the helper's back end keeps what it has to keep; the
//   restore                   -> ok    kernel's file has no ports, and no answer carries one)
// Any request may instead be answered "refused TEXT" (the helper does not do that), "busy
// TEXT" (the lock between programs stayed taken; worth asking again) or "failed TEXT" (the
// chip could not be reached). The helper opens with its greeting line.

#include <cstdint>
#include <optional>
#include <string>

struct HelperRequest {
    enum Kind { Read, Modify, Save, Restore };
    Kind kind;
    uint32_t offset = 0;
    uint32_t mask = 0;
    uint32_t bits = 0;
};

constexpr size_t HelperLineLimit = 64;  // longer lines are not requests
constexpr const char* HelperReady = "i815quarvel-helper ready";
constexpr const char* HelperRefusedPrefix = "i815quarvel-helper refused: ";

// The request in one line (without its line feed); nothing for anything that is not exactly
// a request as above.
std::optional<HelperRequest> ParseHelperRequest(const std::string& line);
std::string FormatHelperRequest(const HelperRequest& request);

std::string HexWord(uint32_t value);  // eight digits
std::string HexByte(uint32_t value);  // two digits
// Exactly `digits` lower-case hexadecimal digits; nothing otherwise.
std::optional<uint32_t> ParseHex(const std::string& text, size_t digits);
