#include "device/Statement.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <limits>
#include <string>
#include <vector>

namespace {

class CMemoryDatabaseTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(m_db.Open(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE), SQLITE_OK);
        ASSERT_EQ(m_db.Exec("CREATE TABLE t (id INTEGER PRIMARY KEY, n INTEGER, s TEXT, b BLOB UNIQUE)"), SQLITE_OK);
    }
    int64_t Count() { return m_db.QueryInt("SELECT count(*) FROM t").value_or(-1); }

    CDatabase m_db;
};

} // namespace

TEST_F(CMemoryDatabaseTest, ErrorsAreKeptAsTextAndCode)
{
    CStatement bad(m_db, "SELEKT 1");
    EXPECT_FALSE(bad.IsValid());
    EXPECT_EQ(m_db.LastCode(), SQLITE_ERROR);
    EXPECT_NE(m_db.LastError().find("syntax error"), std::string::npos) << m_db.LastError();

    EXPECT_EQ(m_db.Exec("INSERT INTO nowhere VALUES (1)"), SQLITE_ERROR);
    EXPECT_NE(m_db.LastError().find("no such table: nowhere"), std::string::npos) << m_db.LastError();

    ASSERT_EQ(m_db.Exec("INSERT INTO t (b) VALUES (x'01')"), SQLITE_OK);
    CStatement dup(m_db, "INSERT INTO t (b) VALUES (x'01')");
    ASSERT_TRUE(dup.IsValid());
    EXPECT_EQ(dup.Step(), SQLITE_CONSTRAINT_UNIQUE);
    EXPECT_EQ(m_db.LastCode(), SQLITE_CONSTRAINT_UNIQUE);
    EXPECT_NE(m_db.LastError().find("UNIQUE"), std::string::npos) << m_db.LastError();

    EXPECT_FALSE(m_db.QueryInt("SELECT n FROM t WHERE id = 99").has_value());
    EXPECT_FALSE(m_db.QueryInt("SELEKT").has_value());

    CDatabase missing;
    EXPECT_NE(missing.Open("/nonexistent/folder/x.db", SQLITE_OPEN_READWRITE), SQLITE_OK);
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_FALSE(missing.LastError().empty());
}

TEST_F(CMemoryDatabaseTest, ValuesRoundTrip)
{
    CStatement insert(m_db, "INSERT INTO t (n, s, b) VALUES (?1, ?2, ?3)");
    const std::string strWithNul("a\0b", 3);
    const unsigned char kBlob[] = {0, 1, 254, 255};
    insert.BindInt(1, std::numeric_limits<int64_t>::min());
    insert.BindText(2, std::string_view(strWithNul));
    insert.BindBlob(3, kBlob, sizeof kBlob);
    ASSERT_EQ(insert.Step(), SQLITE_DONE);
    insert.Reset();
    insert.BindInt(1, std::numeric_limits<int64_t>::max());
    insert.BindText(2, std::optional<std::string>(""));
    ASSERT_EQ(insert.Step(), SQLITE_DONE);
    // Reset drops the bindings: unbound parameters are NULL.
    insert.Reset();
    insert.BindText(2, std::optional<std::string>());
    ASSERT_EQ(insert.Step(), SQLITE_DONE);

    CStatement select(m_db, "SELECT n, s, b FROM t ORDER BY id");
    ASSERT_EQ(select.Step(), SQLITE_ROW);
    EXPECT_EQ(select.ColumnInt(0), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(select.ColumnText(1), strWithNul);
    EXPECT_EQ(select.ColumnBlob(2), std::vector<unsigned char>(kBlob, kBlob + 4));
    ASSERT_EQ(select.Step(), SQLITE_ROW);
    EXPECT_EQ(select.ColumnInt(0), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(select.ColumnText(1), std::optional<std::string>(""));
    EXPECT_TRUE(select.ColumnIsNull(2));
    ASSERT_EQ(select.Step(), SQLITE_ROW);
    EXPECT_TRUE(select.ColumnIsNull(0));
    EXPECT_EQ(select.ColumnText(1), std::nullopt);
    EXPECT_EQ(select.Step(), SQLITE_DONE);

    CStatement moved(std::move(select));
    EXPECT_FALSE(select.IsValid());
    ASSERT_TRUE(moved.IsValid());
    moved.Reset();
    EXPECT_EQ(moved.Step(), SQLITE_ROW);
}

TEST_F(CMemoryDatabaseTest, TransactionRollsBackUnlessCommitted)
{
    {
        CTransaction tx(m_db);
        ASSERT_TRUE(tx.IsActive());
        ASSERT_EQ(m_db.Exec("INSERT INTO t (n) VALUES (1)"), SQLITE_OK);
        // A second transaction cannot start inside the first.
        CTransaction nested(m_db);
        EXPECT_FALSE(nested.IsActive());
        EXPECT_EQ(nested.Commit(), SQLITE_MISUSE);
    }
    EXPECT_EQ(Count(), 0);
    {
        CTransaction tx(m_db);
        ASSERT_EQ(m_db.Exec("INSERT INTO t (n) VALUES (1)"), SQLITE_OK);
        EXPECT_EQ(tx.Commit(), SQLITE_OK);
        EXPECT_FALSE(tx.IsActive());
    }
    EXPECT_EQ(Count(), 1);
}

TEST_F(CMemoryDatabaseTest, AnEmptyTextIsATextNotNull)
{
    CStatement insert(m_db, "INSERT INTO t (id, s) VALUES (?1, ?2)");
    const std::string strEmpty;
    struct Case {
        int nId;
        std::string_view strValue;
    };
    // A default view holds a null pointer; a view of an empty string does not.
    const Case kCases[] = {{1, std::string_view()}, {2, std::string_view(strEmpty)}, {3, std::string_view("")}};
    for (const Case& c : kCases) {
        insert.Reset();
        insert.BindInt(1, c.nId);
        insert.BindText(2, c.strValue);
        ASSERT_EQ(insert.Step(), SQLITE_DONE) << c.nId;
    }
    insert.Reset();
    insert.BindInt(1, 4);
    insert.BindValue(2, SqlValue(std::string_view()));
    ASSERT_EQ(insert.Step(), SQLITE_DONE);
    insert.Reset();
    insert.BindInt(1, 5);
    insert.BindValue(2, SqlValue());
    ASSERT_EQ(insert.Step(), SQLITE_DONE);

    CStatement select(m_db, "SELECT id, s IS NULL, typeof(s) FROM t ORDER BY id");
    std::vector<std::string> rows;
    while (select.Step() == SQLITE_ROW)
        rows.push_back(std::to_string(select.ColumnInt(0)) + "|" + select.ColumnText(2).value_or("?"));
    EXPECT_EQ(rows, (std::vector<std::string> {"1|text", "2|text", "3|text", "4|text", "5|null"}));
}

TEST_F(CMemoryDatabaseTest, OnePrepareTakesOneStatement)
{
    struct Case {
        const char* pszSql;
        bool bValid;
    };
    const Case kCases[] = {
        {"SELECT 1", true},
        {"SELECT 1;", true},
        {"SELECT 1;  \n\t", true},
        {"SELECT 1; -- a note\n/* and another */", true},
        {"SELECT 1; SELECT 2", false},
        {"INSERT INTO t (n) VALUES (1);\nDELETE FROM t", false},
        {"SELECT 1; SELEKT", false},
        {"SELECT 1; ;", true},
    };
    for (const Case& c : kCases) {
        CStatement stmt(m_db, c.pszSql);
        EXPECT_EQ(stmt.IsValid(), c.bValid) << c.pszSql;
        if (!c.bValid) {
            EXPECT_EQ(m_db.LastCode(), SQLITE_ERROR) << c.pszSql;
            EXPECT_EQ(stmt.Step(), SQLITE_MISUSE) << c.pszSql;
        }
    }
    CStatement two;
    EXPECT_EQ(two.Prepare(m_db, "SELECT 1; SELECT 2"), SQLITE_ERROR);
    EXPECT_NE(m_db.LastError().find("more than one statement; the second begins: SELECT 2"), std::string::npos)
        << m_db.LastError();
}

TEST_F(CMemoryDatabaseTest, AFailedBindFailsTheNextStep)
{
    CStatement insert(m_db, "INSERT INTO t (n, s) VALUES (?1, ?2)");
    ASSERT_TRUE(insert.IsValid());
    // Every kind of bind, each out of range once; the first failure is the one told.
    using Bind = void (*)(CStatement&);
    const std::pair<const char*, Bind> kBinds[] = {
        {"int", [](CStatement& stmt) { stmt.BindInt(3, 1); }},
        {"null", [](CStatement& stmt) { stmt.BindNull(3); }},
        {"text", [](CStatement& stmt) { stmt.BindText(3, std::string_view("x")); }},
        {"optional text", [](CStatement& stmt) { stmt.BindText(3, std::optional<std::string>("x")); }},
        {"blob", [](CStatement& stmt) { stmt.BindBlob(3, "x", 1); }},
        {"value", [](CStatement& stmt) { stmt.BindValue(3, SqlValue(int64_t {1})); }},
    };
    for (const auto& [pszKind, bind] : kBinds) {
        insert.Reset();
        insert.BindInt(1, 7);
        bind(insert);
        insert.BindInt(0, 8);
        insert.BindText(2, std::string_view("kept"));
        EXPECT_EQ(insert.Step(), SQLITE_RANGE) << pszKind;
        EXPECT_EQ(m_db.LastCode(), SQLITE_RANGE) << pszKind;
        EXPECT_EQ(m_db.LastError(), "cannot bind parameter 3: column index out of range") << pszKind;
        EXPECT_EQ(insert.Step(), SQLITE_RANGE) << "until the statement is reset: " << pszKind;
    }
    EXPECT_EQ(Count(), 0);
    // Reset forgets the failure.
    insert.Reset();
    insert.BindInt(1, 7);
    EXPECT_EQ(insert.Step(), SQLITE_DONE);
    EXPECT_EQ(Count(), 1);
}

TEST_F(CMemoryDatabaseTest, AValueBindsAsItsKind)
{
    const unsigned char kBytes[] = {0, 255};
    const SqlValue kValues[] = {SqlValue(), int64_t {-7}, std::string_view("seven"),
                                std::span<const unsigned char>(kBytes)};
    // A column without affinity keeps each value as it comes.
    CStatement insert(m_db, "INSERT INTO t (b) VALUES (?1)");
    for (const SqlValue& value : kValues) {
        insert.Reset();
        insert.BindValue(1, value);
        ASSERT_EQ(insert.Step(), SQLITE_DONE) << m_db.LastError();
    }
    const std::vector<std::string> kStored = {"null NULL", "integer -7", "text 'seven'", "blob X'00FF'"};
    auto rows = [&](const char* pszSql) {
        CStatement select(m_db, pszSql);
        std::vector<std::string> lines;
        while (select.Step() == SQLITE_ROW)
            lines.push_back(select.ColumnText(0).value_or("?") + " " + select.ColumnText(1).value_or("?"));
        return lines;
    };
    EXPECT_EQ(rows("SELECT typeof(b), quote(b) FROM t ORDER BY id"), kStored);

    // A value taken from another statement's row keeps its kind as well.
    ASSERT_EQ(m_db.Exec("CREATE TABLE copy (id INTEGER PRIMARY KEY, v)"), SQLITE_OK);
    CStatement from(m_db, "SELECT b FROM t ORDER BY id");
    CStatement to(m_db, "INSERT INTO copy (v) VALUES (?1)");
    while (from.Step() == SQLITE_ROW) {
        to.Reset();
        to.BindColumn(1, from, 0);
        ASSERT_EQ(to.Step(), SQLITE_DONE) << m_db.LastError();
    }
    EXPECT_EQ(rows("SELECT typeof(v), quote(v) FROM copy ORDER BY id"), kStored);
}

// Bound without copies, texts and blobs are read when the statement steps;
// what becomes of the caller's buffers after the reset changes no row.
TEST_F(CMemoryDatabaseTest, WithoutCopiesTheRowHoldsWhatWasBound)
{
    CStatement insert(m_db, "INSERT INTO t (s, b) VALUES (?1, ?2)");
    insert.BindWithoutCopies();
    for (const char* pszText : {"first", "second"}) {
        std::string strText = pszText;
        std::vector<unsigned char> bytes(strText.begin(), strText.end());
        insert.BindText(1, std::string_view(strText));
        insert.BindBlob(2, bytes.data(), static_cast<int>(bytes.size()));
        ASSERT_EQ(insert.Step(), SQLITE_DONE) << m_db.LastError();
        insert.Reset();
        strText.assign(strText.size(), '?');
        bytes.assign(bytes.size(), '?');
    }
    CStatement select(m_db, "SELECT s || '/' || CAST(b AS TEXT) FROM t ORDER BY id");
    std::vector<std::string> rows;
    while (select.Step() == SQLITE_ROW)
        rows.push_back(select.ColumnText(0).value_or("NULL"));
    EXPECT_EQ(rows, (std::vector<std::string> {"first/first", "second/second"}));
}

// A writer may wait for another writer longer than the short wait of every
// connection, and is told when it begins to wait.
TEST(DatabaseLockWait, AConnectionWaitsForTheLockUpToItsLimit)
{
    CTempDir dir;
    std::string strPath = dir.File("locked.db");
    CDatabase holder, waiter;
    ASSERT_EQ(holder.Open(strPath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE), SQLITE_OK);
    ASSERT_EQ(holder.Exec("CREATE TABLE t (x); BEGIN IMMEDIATE; INSERT INTO t VALUES (1)"), SQLITE_OK);

    int nWaits = 0;
    LockWait wait;
    wait.limit = std::chrono::milliseconds(150);
    wait.pfnWaiting = [&] { ++nWaits; };
    wait.strGaveUp = "gave up waiting";
    waiter.SetLockWait(wait);
    ASSERT_EQ(waiter.Open(strPath, SQLITE_OPEN_READWRITE), SQLITE_OK);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(waiter.Exec("BEGIN IMMEDIATE") & 0xff, SQLITE_BUSY);
    EXPECT_GE(std::chrono::steady_clock::now() - start, wait.limit);
    EXPECT_EQ(waiter.LastError(), "gave up waiting");
    EXPECT_EQ(nWaits, 1);
    // Another failure keeps its own text.
    EXPECT_NE(waiter.Exec("SELEKT"), SQLITE_OK);
    EXPECT_NE(waiter.LastError().find("syntax error"), std::string::npos) << waiter.LastError();

    // Without a wait of its own (as the program's readers are), a connection
    // gives up after the short wait, with SQLite's text.
    waiter.SetLockWait(std::nullopt);
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(waiter.Exec("BEGIN IMMEDIATE") & 0xff, SQLITE_BUSY);
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(2000));
    EXPECT_LT(waited, std::chrono::seconds(30));
    EXPECT_EQ(waiter.LastError(), "database is locked");
    EXPECT_EQ(nWaits, 1);

    // The wait ends when the holder lets go: here as soon as the waiter is
    // told that it waits, so that no timing decides the outcome.
    nWaits = 0;
    wait.limit = std::chrono::seconds(60);
    wait.pfnWaiting = [&] {
        ++nWaits;
        EXPECT_EQ(holder.Exec("COMMIT"), SQLITE_OK);
    };
    waiter.SetLockWait(wait);
    ASSERT_EQ(waiter.Exec("BEGIN IMMEDIATE"), SQLITE_OK) << waiter.LastError();
    EXPECT_EQ(nWaits, 1);
    EXPECT_EQ(waiter.QueryInt("SELECT count(*) FROM t"), 1);
    EXPECT_EQ(waiter.Exec("COMMIT"), SQLITE_OK);
}

// Views and triggers of a file run with the rights of whoever reads or
// writes it; every connection refuses them functions that are not marked
// harmless, which the file's own writer could still use.
TEST(Database, TheFilesSchemaIsNotTrusted)
{
    CTempDir dir;
    std::string strPath = dir.File("schema.db");
    {
        CDatabase db;
        ASSERT_EQ(db.Open(strPath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE), SQLITE_OK);
        ASSERT_EQ(db.Exec("CREATE TABLE t (x); CREATE VIEW plain AS SELECT upper('a') AS y; "
                          "CREATE VIEW parsing AS SELECT json('[1]') AS y"),
                  SQLITE_OK);
    }
    sqlite3* pTrusting = nullptr;
    ASSERT_EQ(sqlite3_open_v2(strPath.c_str(), &pTrusting, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_db_config(pTrusting, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 1, static_cast<int*>(nullptr)), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(pTrusting, "SELECT * FROM parsing", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(pTrusting);

    for (int nFlags : {SQLITE_OPEN_READONLY, SQLITE_OPEN_READWRITE}) {
        CDatabase db;
        ASSERT_EQ(db.Open(strPath, nFlags), SQLITE_OK);
        EXPECT_EQ(db.QueryInt("PRAGMA trusted_schema"), 0);
        EXPECT_EQ(db.Exec("SELECT * FROM plain"), SQLITE_OK) << db.LastError();
        EXPECT_NE(db.Exec("SELECT * FROM parsing"), SQLITE_OK);
        EXPECT_NE(db.LastError().find("unsafe use of json()"), std::string::npos) << db.LastError();
    }
}
