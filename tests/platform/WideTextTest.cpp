#include "platform/WideText.h"

#include <gtest/gtest.h>

TEST(WideText, RoundTripsEveryPlane)
{
    const std::wstring kTexts[] = {
        L"",
        L"Anna",
        L"M\u00fcller-\u00c5str\u00f6m",
        L"\u5f20\u4f1f",
        L"\U0001F4DE call me",
        L"\u007f\u0080\u07ff\u0800\uffff\U00010000\U0010FFFF",
    };
    for (const std::wstring& strText : kTexts)
        EXPECT_EQ(WideFromUtf8(Utf8FromWide(strText)), strText);
    EXPECT_EQ(Utf8FromWide(L"\u00e9\U0001F4DE"), "\xc3\xa9\xf0\x9f\x93\x9e");
}

TEST(WideText, MalformedInputBecomesReplacementCharacters)
{
    struct Case {
        std::string strUtf8;
        std::wstring strWide;
    };
    const Case kCases[] = {
        {"a\x80z", L"a\uFFFDz"},             // lone continuation byte
        {"a\xc3", L"a\uFFFD"},               // cut off at the end
        {"a\xe2\x82z", L"a\uFFFDz"},         // cut off in the middle
        {"\xc0\xaf", L"\uFFFD"},             // overlong
        {"\xed\xa0\x80", L"\uFFFD"},         // an encoded surrogate
        {"\xf4\x90\x80\x80", L"\uFFFD"},     // above U+10FFFF
        {"\xff\xfe", L"\uFFFD\uFFFD"},
        {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(WideFromUtf8(c.strUtf8), c.strWide) << testing::PrintToString(c.strUtf8);

    std::wstring strBad;
    strBad += static_cast<wchar_t>(0xD800);
    strBad += static_cast<wchar_t>(0x110000);
    strBad += static_cast<wchar_t>(-1);
    EXPECT_EQ(Utf8FromWide(strBad), "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd");
}
