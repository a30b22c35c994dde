#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The text of a message that the phone keeps only as an archived attributed
// string (the attributedBody column): a typed stream whose first string
// object holds the text, written as the '+' type code, a length and as many
// bytes of UTF-8. The length is one byte below 0x80, or 0x81 and two bytes,
// or 0x82 and four bytes, least significant first.
//
// Returns the text, or nullopt when the bytes hold no readable text: no
// stream header, no string object, a length beyond the bytes, or bytes that
// are not UTF-8. Reads each byte at most a fixed number of times.
std::optional<std::string> TextFromAttributedBody(std::span<const uint8_t> bytes);

// Whether the bytes are valid UTF-8 (no overlong forms, no surrogates, no
// code points beyond U+10FFFF).
bool IsUtf8(std::string_view text);
