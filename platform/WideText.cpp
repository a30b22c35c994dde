#include "platform/WideText.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

} // namespace

std::wstring WideFromUtf8(std::string_view strUtf8)
{
    std::wstring out;
    AppendWideFromUtf8(strUtf8, &out);
    return out;
}

void AppendWideFromUtf8(std::string_view strUtf8, std::wstring* pOut)
{
    std::wstring& out = *pOut;
    out.reserve(out.size() + strUtf8.size());
    size_t i = 0;
    const size_t n = strUtf8.size();
    while (i < n) {
        auto c = static_cast<unsigned char>(strUtf8[i]);
        if (c < 0x80) {
            out += static_cast<wchar_t>(c);
            ++i;
            continue;
        }
        int nMore;
        char32_t cp;
        char32_t nMin;
        if ((c & 0xE0) == 0xC0) {
            nMore = 1, cp = c & 0x1F, nMin = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            nMore = 2, cp = c & 0x0F, nMin = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            nMore = 3, cp = c & 0x07, nMin = 0x10000;
        } else {
            out += static_cast<wchar_t>(kReplacement);
            ++i;
            continue;
        }
        size_t j = i + 1;
        int nTaken = 0;
        while (nTaken < nMore && j < n && IsContinuation(static_cast<unsigned char>(strUtf8[j]))) {
            cp = (cp << 6) | (static_cast<unsigned char>(strUtf8[j]) & 0x3F);
            ++j;
            ++nTaken;
        }
        if (nTaken < nMore || cp < nMin || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            cp = kReplacement;
        out += static_cast<wchar_t>(cp);
        i = j;
    }
}

void AppendUtf8CodePoint(char32_t cp, std::string* pOut)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = kReplacement;
    if (cp < 0x80) {
        pOut->push_back(static_cast<char>(cp));
        return;
    }
    char szBytes[4];
    size_t cb;
    if (cp < 0x800) {
        szBytes[0] = static_cast<char>(0xC0 | (cp >> 6));
        szBytes[1] = static_cast<char>(0x80 | (cp & 0x3F));
        cb = 2;
    } else if (cp < 0x10000) {
        szBytes[0] = static_cast<char>(0xE0 | (cp >> 12));
        szBytes[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        szBytes[2] = static_cast<char>(0x80 | (cp & 0x3F));
        cb = 3;
    } else {
        szBytes[0] = static_cast<char>(0xF0 | (cp >> 18));
        szBytes[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        szBytes[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        szBytes[3] = static_cast<char>(0x80 | (cp & 0x3F));
        cb = 4;
    }
    pOut->append(szBytes, cb);
}

void AppendUtf8FromWide(std::wstring_view strWide, std::string* pOut)
{
    for (wchar_t wc : strWide) {
        auto cp = static_cast<char32_t>(wc);
        if (cp < 0x80)
            pOut->push_back(static_cast<char>(cp));
        else
            AppendUtf8CodePoint(cp, pOut);
    }
}

std::string Utf8FromWide(std::wstring_view strWide)
{
    std::string out;
    out.reserve(strWide.size());
    AppendUtf8FromWide(strWide, &out);
    return out;
}
