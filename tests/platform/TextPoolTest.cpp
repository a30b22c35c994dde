#include "platform/TextPool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A pool grown many times over, with texts that differ only late, only in
// length, or not at all, and the empty text: every text keeps one number,
// its bytes and its wide form, and a missing text is none.
TEST(TextPool, EveryTextKeepsOneNumberThroughGrowth)
{
    CTextPool pool;
    pool.Clear();
    std::vector<std::string> texts;
    for (int i = 0; i < 20000; ++i)
        texts.push_back("+49 170 " + std::to_string(i));
    texts.push_back("");
    texts.push_back("J\xC3\xBCrgen");
    texts.push_back("J\xC3\xBCrgen ");
    std::vector<uint32_t> numbers;
    for (const std::string& strText : texts)
        numbers.push_back(pool.Add(strText));
    for (size_t i = 0; i < texts.size(); ++i) {
        ASSERT_EQ(pool.Add(std::string(texts[i])), numbers[i]) << texts[i];
        ASSERT_EQ(pool.Utf8(numbers[i]), texts[i]);
    }
    EXPECT_EQ(std::wstring(pool.Wide(numbers[texts.size() - 2])), L"J\u00FCrgen");
    EXPECT_EQ(std::wstring(pool.Wide(numbers[texts.size() - 3])), L"");
    EXPECT_EQ(pool.Add(std::nullopt), CTextPool::kNone);
    EXPECT_EQ(pool.Wide(CTextPool::kNone), nullptr);
    EXPECT_FALSE(pool.Utf8(CTextPool::kNone));

    // Cleared, it numbers texts from the start again.
    pool.Clear();
    EXPECT_EQ(pool.Add(std::string("again")), 0u);
    EXPECT_EQ(pool.Add(std::string(texts[5])), 1u);
}

} // namespace
