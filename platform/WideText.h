#pragma once

#include <string>
#include <string_view>

// UTF-8 at the edges (SQLite, Qt, the terminal), wchar_t inside. A malformed
// byte sequence or a lone surrogate becomes U+FFFD.
std::wstring WideFromUtf8(std::string_view strUtf8);
// The same, appended to *pOut, so that a buffer kept by the caller is reused.
void AppendWideFromUtf8(std::string_view strUtf8, std::wstring* pOut);
std::string Utf8FromWide(std::wstring_view strWide);
// The same, appended to *pOut.
void AppendUtf8FromWide(std::wstring_view strWide, std::string* pOut);
// One code point's UTF-8 bytes appended to *pOut; a surrogate or a value
// beyond U+10FFFF becomes U+FFFD.
void AppendUtf8CodePoint(char32_t cp, std::string* pOut);
