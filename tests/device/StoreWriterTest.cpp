#include "device/DeviceStore.h"
#include "device/StoreWriter.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Rows(CDatabase& db, const std::string& strSql)
{
    std::vector<std::string> rows;
    CStatement stmt(db, strSql.c_str());
    EXPECT_TRUE(stmt.IsValid()) << db.LastError();
    while (stmt.Step() == SQLITE_ROW) {
        std::string strRow;
        for (int i = 0; i < stmt.ColumnCount(); ++i)
            strRow += (i ? "|" : "") + stmt.ColumnText(i).value_or("NULL");
        rows.push_back(strRow);
    }
    return rows;
}

TEST(StoreWriter, ColumnsOfTheWritersOwnAndTheirUniqueKeys)
{
    CTestDevice device;
    CDatabase& db = device.Store().Database();
    ASSERT_EQ(db.Exec("ALTER TABLE calllog ADD COLUMN tag TEXT; ALTER TABLE message ADD COLUMN tag TEXT;"
                      "ALTER TABLE message ADD COLUMN n INTEGER;"
                      "CREATE UNIQUE INDEX calllog_tag ON calllog (tag);"
                      "CREATE UNIQUE INDEX message_tag ON message (tag)"),
              SQLITE_OK);
    const char* const kCallColumns[] = {"tag"};
    const char* const kMessageColumns[] = {"tag", "n"};
    CStoreWriter skip;
    ASSERT_EQ(skip.Prepare(db, OnDuplicate::Skip, kCallColumns, kMessageColumns), 0) << db.LastError();

    DeviceCall call = MakeTestCall("Anna", "+491", 2, UtcTicks(2024, 3, 1, 10));
    call.nFlags = 5;
    call.nCidt = 1;
    call.strNameType = "m";
    call.strNote = "";
    struct Case {
        SqlValue tag;
        bool bAdded;
    };
    const Case kCalls[] = {{std::string_view("a"), true}, {std::string_view("a"), false}, {SqlValue(), true},
                           {SqlValue(), true}, {std::string_view("b"), true}};
    for (const Case& c : kCalls) {
        bool bAdded = !c.bAdded;
        ASSERT_EQ(skip.InsertCall(call, {&c.tag, 1}, &bAdded), 0) << db.LastError();
        EXPECT_EQ(bAdded, c.bAdded);
    }
    const std::string strCall = "1|600000000|2|5|1|+491|Anna|m||";
    EXPECT_EQ(Rows(db, "SELECT start_time = " + std::to_string(call.nStartTime) + ", end_time - start_time, iom, "
                       "flags, cidt, number, name, name_type, note, tag FROM calllog ORDER BY id"),
              (std::vector<std::string> {strCall + "a", strCall + "NULL", strCall + "NULL", strCall + "b"}));

    DeviceMessage message;
    message.nFolderId = device.Sent();
    message.nDeliveryTime = UtcTicks(2024, 3, 1, 10);
    message.strBody = "Hi";
    message.recipients = {{std::string("Anna"), std::string("+491")}, {std::nullopt, std::string("")}};
    const SqlValue kFirst[] = {std::string_view("m"), int64_t {7}};
    bool bAdded = false;
    ASSERT_EQ(skip.InsertMessage(message, kFirst, &bAdded), 0) << db.LastError();
    EXPECT_TRUE(bAdded);
    // Left out by the key: its recipients are not written either.
    message.recipients.push_back({std::string("Ben"), std::string("+492")});
    ASSERT_EQ(skip.InsertMessage(message, kFirst, &bAdded), 0) << db.LastError();
    EXPECT_FALSE(bAdded);
    EXPECT_EQ(Rows(db, "SELECT m.tag, m.n, m.body, m.sender_name, r.position, r.display_name, r.email_address "
                       "FROM message m JOIN recipient r ON r.message_id = m.id ORDER BY r.position"),
              (std::vector<std::string> {"m|7|Hi|NULL|0|Anna|+491", "m|7|Hi|NULL|1|NULL|"}));
    EXPECT_EQ(Rows(db, "SELECT count(*) FROM recipient"), (std::vector<std::string> {"2"}));

    // Values that do not fit the columns are refused before anything runs.
    EXPECT_EQ(skip.InsertMessage(message, {kFirst, 1}, &bAdded), -1);
    EXPECT_EQ(db.LastError(), "1 values for 2 columns of the writer's own");
    EXPECT_EQ(skip.InsertCall(call), -1);

    // Without Skip, a duplicate key fails the insert.
    CStoreWriter fail;
    ASSERT_EQ(fail.Prepare(db, OnDuplicate::Fail, kCallColumns, kMessageColumns), 0);
    const SqlValue kTagA[] = {std::string_view("a")};
    EXPECT_EQ(fail.InsertCall(call, kTagA, &bAdded), -1);
    EXPECT_EQ(db.LastCode(), SQLITE_CONSTRAINT_UNIQUE);

    // Columns the store lacks fail the preparation.
    const char* const kMissing[] = {"nowhere"};
    CStoreWriter missing;
    EXPECT_EQ(missing.Prepare(db, OnDuplicate::Skip, kMissing), -1);
    EXPECT_NE(db.LastError().find("nowhere"), std::string::npos) << db.LastError();
    EXPECT_EQ(missing.InsertCall(call), -1);
}

} // namespace
