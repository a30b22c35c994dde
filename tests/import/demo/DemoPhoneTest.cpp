#include "import/demo/DemoPhone.h"
#include "tests/import/ImporterTestSupport.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>

#include <string>

namespace {

DemoOptions Options(uint64_t nSeed, int64_t nCalls = 2000, int64_t nMessages = 3000)
{
    DemoOptions options;
    options.nSeed = nSeed;
    options.nCalls = nCalls;
    options.nMessages = nMessages;
    options.nNowLocal = UtcTicks(2024, 6, 15, 12);
    return options;
}

int64_t One(CDatabase& db, const std::string& strSql)
{
    std::vector<std::string> rows = QueryRows(db, strSql);
    EXPECT_EQ(rows.size(), 1u) << strSql;
    return rows.empty() ? -1 : std::stoll(rows.front());
}

TEST(DemoPhone, TheSameSeedGivesTheSameStore)
{
    CTestDevice first, second, third;
    CDemoPhone demo;
    ASSERT_EQ(demo.Fill(first.Store(), Options(7)), 0) << demo.ErrorText();
    ASSERT_EQ(demo.Fill(second.Store(), Options(7)), 0) << demo.ErrorText();
    ASSERT_EQ(demo.Fill(third.Store(), Options(8)), 0) << demo.ErrorText();
    std::vector<std::string> dump = DumpStore(first.Store().Database());
    EXPECT_EQ(dump, DumpStore(second.Store().Database()));
    EXPECT_NE(dump, DumpStore(third.Store().Database()));
}

TEST(DemoPhone, LooksLikeAPhoneInUse)
{
    CTestDevice device;
    CDemoPhone demo;
    DemoOptions options = Options(1);
    ASSERT_EQ(demo.Fill(device.Store(), options), 0) << demo.ErrorText();
    CDatabase& db = device.Store().Database();
    const std::string strKey = "coalesce(name, number)";

    EXPECT_EQ(One(db, "SELECT count(*) FROM calllog"), 2000);
    EXPECT_EQ(One(db, "SELECT count(*) FROM message"), 3000);
    EXPECT_EQ(demo.CallsMade(), 2000);
    EXPECT_EQ(demo.MessagesMade(), 3000);
    // Within the year before now.
    EXPECT_GE(One(db, "SELECT min(start_time) FROM calllog"), options.nNowLocal - 366 * 86400 * kTicksPerSecond);
    EXPECT_LE(One(db, "SELECT max(start_time) FROM calllog"), options.nNowLocal);
    EXPECT_LE(One(db, "SELECT max(delivery_time) FROM message"), options.nNowLocal);
    // Every direction, missed calls without talk time, calls of minutes.
    for (int nIom = 0; nIom < 3; ++nIom)
        EXPECT_GT(One(db, "SELECT count(*) FROM calllog WHERE iom = " + std::to_string(nIom)), 150) << nIom;
    EXPECT_EQ(One(db, "SELECT max(end_time - start_time) FROM calllog WHERE iom = 0"), 0);
    int64_t nMedianTalk = One(db, "SELECT end_time - start_time FROM calllog WHERE iom > 0 AND end_time > start_time "
                                  "ORDER BY 1 LIMIT 1 OFFSET (SELECT count(*) / 2 FROM calllog WHERE iom > 0 AND "
                                  "end_time > start_time)");
    EXPECT_GT(nMedianTalk, 30 * kTicksPerSecond);
    EXPECT_LT(nMedianTalk, 600 * kTicksPerSecond);
    // Named contacts and unknown numbers; a few who call very often and many
    // who call rarely.
    EXPECT_GT(One(db, "SELECT count(DISTINCT name) FROM calllog"), 20);
    EXPECT_GT(One(db, "SELECT count(DISTINCT number) FROM calllog WHERE name IS NULL"), 50);
    EXPECT_GT(One(db, "SELECT sum(c) FROM (SELECT count(*) c FROM calllog GROUP BY " + strKey +
                          " ORDER BY c DESC LIMIT 3)"),
              500);
    EXPECT_GT(One(db, "SELECT count(*) FROM (SELECT count(*) c FROM calllog GROUP BY " + strKey + ") WHERE c <= 2"), 80);
    // Daily rhythm: the small hours are quiet, the evening is not.
    auto hourCount = [&](int nFrom, int nTo) {
        return One(db, "SELECT count(*) FROM calllog WHERE (start_time / 36000000000) % 24 BETWEEN " +
                           std::to_string(nFrom) + " AND " + std::to_string(nTo));
    };
    EXPECT_LT(hourCount(2, 5) * 10, hourCount(17, 20));
    // Messages are with the call log's people: each inbox sender and each
    // recipient is a caller key, but for a few automated senders.
    EXPECT_LT(One(db, "SELECT count(*) FROM message m JOIN folder f ON f.id = m.folder_id WHERE f.role = 'inbox' "
                      "AND m.sender_name NOT IN (SELECT " + strKey + " FROM calllog)"),
              3000 / 20);
    EXPECT_EQ(One(db, "SELECT count(*) FROM recipient WHERE display_name NOT IN (SELECT " + strKey + " FROM calllog)"), 0);
    EXPECT_EQ(One(db, "SELECT count(*) FROM recipient WHERE email_address NOT IN (SELECT number FROM calllog)"), 0);
    EXPECT_GT(One(db, "SELECT count(*) FROM message m JOIN folder f ON f.id = m.folder_id WHERE f.role = 'sent'"), 1000);
    EXPECT_GT(One(db, "SELECT count(*) FROM (SELECT message_id FROM recipient GROUP BY 1 HAVING count(*) > 1)"), 10);
}

TEST(DemoPhone, EmptyAndRefusedSizes)
{
    CTestDevice device;
    CDemoPhone demo;
    ASSERT_EQ(demo.Fill(device.Store(), Options(1, 0, 0)), 0) << demo.ErrorText();
    EXPECT_EQ(One(device.Store().Database(), "SELECT count(*) FROM calllog"), 0);
    EXPECT_EQ(One(device.Store().Database(), "SELECT count(*) FROM message"), 0);
    EXPECT_EQ(demo.Fill(device.Store(), Options(1, -1, 0)), -1);
    EXPECT_FALSE(demo.ErrorText().empty());
}

} // namespace
