#include "calllog/CallLog.h"
#include "device/DeviceStore.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <sys/stat.h>

namespace {

// The tables exactly as the device store's format documents them.
const char kDocumentedSchema[] = R"SQL(
PRAGMA application_id = 1381256281;   -- 'RTLY'
PRAGMA user_version = 1;
CREATE TABLE calllog (
  id         INTEGER PRIMARY KEY,
  start_time INTEGER NOT NULL,   -- FILETIME ticks, UTC
  end_time   INTEGER NOT NULL,   -- FILETIME ticks, UTC
  iom        INTEGER NOT NULL,   -- 0 missed, 1 incoming, 2 outgoing; other values allowed
  flags      INTEGER NOT NULL DEFAULT 0,
  cidt       INTEGER NOT NULL DEFAULT 0,
  number     TEXT,               -- NULL: the record has no number
  name       TEXT,               -- NULL: the record has no name
  name_type  TEXT,
  note       TEXT
);
CREATE TABLE msgstore (            -- the stores table, in id order
  id           INTEGER PRIMARY KEY,
  display_name TEXT,               -- NULL: the row has no display name
  entry_id     BLOB NOT NULL UNIQUE DEFAULT (randomblob(16))
);
CREATE TABLE folder (
  id           INTEGER PRIMARY KEY,
  store_id     INTEGER NOT NULL REFERENCES msgstore(id),
  role         TEXT NOT NULL,      -- inbox, sent, outbox, drafts, deleted, or other
  display_name TEXT,
  entry_id     BLOB NOT NULL UNIQUE DEFAULT (randomblob(16))
);
CREATE TABLE message (
  id            INTEGER PRIMARY KEY,
  folder_id     INTEGER NOT NULL REFERENCES folder(id),
  entry_id      BLOB NOT NULL UNIQUE DEFAULT (randomblob(16)),
  sender_name   TEXT,              -- PR_SENDER_NAME; NULL: property absent
  subject       TEXT,              -- PR_SUBJECT; NULL: absent
  delivery_time INTEGER,           -- FILETIME ticks, UTC; NULL: absent
  body          TEXT
);
CREATE TABLE recipient (           -- rows in position order; columns:
  message_id    INTEGER NOT NULL REFERENCES message(id),
  position      INTEGER NOT NULL,
  display_name  TEXT,              -- PR_DISPLAY_NAME, first; NULL: absent
  email_address TEXT,              -- PR_EMAIL_ADDRESS, second; NULL: absent
  PRIMARY KEY (message_id, position)
);
)SQL";

const char* const kTables[] = {"calllog", "msgstore", "folder", "message", "recipient"};

// Columns, unique constraints and references of one table, as text.
std::string DescribeTable(CDatabase& db, const std::string& strTable)
{
    std::ostringstream out;
    auto rows = [&](const std::string& strSql, std::initializer_list<int> columns) {
        CStatement stmt(db, strSql.c_str());
        while (stmt.IsValid() && stmt.Step() == SQLITE_ROW) {
            for (int nColumn : columns)
                out << stmt.ColumnText(nColumn).value_or("NULL") << "|";
            out << "\n";
        }
    };
    rows("PRAGMA table_info(" + strTable + ")", {0, 1, 2, 3, 4, 5});
    // Only the constraints' own indexes; indexes added for speed may differ.
    rows("SELECT il.\"unique\", il.origin, group_concat(ii.name) FROM pragma_index_list('" + strTable +
             "') il JOIN pragma_index_info(il.name) ii WHERE il.origin != 'c' GROUP BY il.name ORDER BY 3",
         {0, 1, 2});
    rows("PRAGMA foreign_key_list(" + strTable + ")", {2, 3, 4});
    return out.str();
}

struct FileState {
    std::string strBytes;
    int64_t nMtimeNs;
    bool operator==(const FileState&) const = default;
};

// Every file in a folder with its bytes and modification time.
std::map<std::string, FileState> Snapshot(const std::string& strDir)
{
    std::map<std::string, FileState> files;
    for (const auto& item : std::filesystem::directory_iterator(strDir)) {
        struct stat st {};
        ::stat(item.path().c_str(), &st);
        std::ifstream in(item.path(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        files[item.path().filename().string()] =
            FileState {bytes.str(), static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    }
    return files;
}

std::vector<std::string> Names(const std::map<std::string, FileState>& files)
{
    std::vector<std::string> names;
    for (const auto& [strName, state] : files)
        names.push_back(strName);
    return names;
}

// A store with some calls and messages, closed again.
void MakeFilledStore(const std::string& strPath, int nCalls = 40)
{
    CDeviceStore store;
    ASSERT_EQ(store.Create(strPath), DeviceStatus::Ok) << store.ErrorText();
    std::vector<DeviceCall> calls;
    for (int i = 0; i < nCalls; ++i) {
        DeviceCall call;
        call.nStartTime = UtcTicks(2026, 1, 1) + i * 600 * kTicksPerSecond;
        call.nEndTime = call.nStartTime + 60 * kTicksPerSecond;
        call.nIom = i % 3;
        call.strName = "Caller " + std::to_string(i % 7);
        call.strNote = std::string(100, 'n');
        calls.push_back(call);
    }
    ASSERT_EQ(store.AddCalls(calls), 0);
    DeviceMessage message;
    message.nFolderId = store.FindFolder("SMS", "sent");
    message.nDeliveryTime = UtcTicks(2026, 1, 2);
    message.recipients = {{"Anna", "+49301"}, {std::nullopt, "+49302"}};
    ASSERT_EQ(store.AddMessages({message, message}), 0);
}

int64_t CountCallsThroughTheCallLog(const std::string& strPath)
{
    CCallLog callLog;
    int64_t nCount = 0;
    {
        CEnvVar device("RINGTALLY_DEVICE", strPath);
        callLog.ForEachEntry([&](const CALLLOGENTRY&) { return ++nCount, true; });
    }
    // Read once more with the device pointed elsewhere, so that the call log
    // lets go of the store.
    CEnvVar device("RINGTALLY_DEVICE", "/nonexistent/device.db");
    CALLLOGENTRY entry;
    callLog.GetEntry(0, &entry);
    return nCount;
}

} // namespace

TEST(DeviceStore, CreateMakesExactlyTheDocumentedSchema)
{
    CTempDir dir;
    CDeviceStore store;
    ASSERT_EQ(store.Create(dir.File("new.db")), DeviceStatus::Ok) << store.ErrorText();
    store.Close();

    CDatabase reference;
    ASSERT_EQ(reference.Open(":memory:", SQLITE_OPEN_READWRITE), SQLITE_OK);
    ASSERT_EQ(reference.Exec(kDocumentedSchema), SQLITE_OK) << reference.LastError();
    CDatabase db;
    ASSERT_EQ(db.Open(dir.File("new.db"), SQLITE_OPEN_READONLY), SQLITE_OK);
    for (const char* pszTable : kTables)
        EXPECT_EQ(DescribeTable(db, pszTable), DescribeTable(reference, pszTable)) << pszTable;
    EXPECT_EQ(db.QueryInt("SELECT count(*) FROM sqlite_schema WHERE type = 'table'"), 5);
    EXPECT_EQ(db.QueryInt("PRAGMA application_id"), 1381256281);
    EXPECT_EQ(db.QueryInt("PRAGMA user_version"), 1);

    CStatement stores(db, "SELECT id, display_name, length(entry_id) FROM msgstore");
    ASSERT_EQ(stores.Step(), SQLITE_ROW);
    EXPECT_EQ(stores.ColumnText(1), "SMS");
    EXPECT_EQ(stores.ColumnInt(2), 16);
    int64_t nStore = stores.ColumnInt(0);
    EXPECT_EQ(stores.Step(), SQLITE_DONE);
    CStatement folders(db, "SELECT store_id, role, length(entry_id) FROM folder ORDER BY id");
    std::vector<std::string> roles;
    while (folders.Step() == SQLITE_ROW) {
        EXPECT_EQ(folders.ColumnInt(0), nStore);
        EXPECT_EQ(folders.ColumnInt(2), 16);
        roles.push_back(folders.ColumnText(1).value_or(""));
    }
    EXPECT_EQ(roles, (std::vector<std::string> {"inbox", "sent", "outbox", "drafts", "deleted"}));
    EXPECT_EQ(db.QueryInt("SELECT count(*) FROM calllog"), 0);
    EXPECT_EQ(db.QueryInt("SELECT count(*) FROM message"), 0);
}

TEST(DeviceStore, CreateNeverOverwrites)
{
    CTempDir dir;
    MakeFilledStore(dir.File("store.db"));
    WriteFile(dir.File("text.db"), "my notes\n");
    WriteFile(dir.File("empty.db"), "");
    WriteFile(dir.File("orphan.db-journal"), "journal");
    std::filesystem::create_directory(dir.File("folder.db"));
    auto before = Snapshot(dir.Path());

    for (const char* pszName : {"store.db", "text.db", "empty.db", "orphan.db", "folder.db"}) {
        CDeviceStore store;
        EXPECT_EQ(store.Create(dir.File(pszName)), DeviceStatus::Exists) << pszName;
        EXPECT_NE(store.ErrorText().find(dir.File(pszName)), std::string::npos) << store.ErrorText();
    }
    CDeviceStore store;
    EXPECT_EQ(store.Create(dir.File("no/such/folder.db")), DeviceStatus::WriteFailed);
    EXPECT_EQ(store.ErrorText().find('\n'), std::string::npos);
    EXPECT_EQ(Snapshot(dir.Path()), before);
}

TEST(DeviceStore, OpeningTellsApartWhatIsThere)
{
    CTempDir dir;
    WriteFile(dir.File("text.db"), "Name;Number\nAnna;+4930123456\n");
    WriteFile(dir.File("empty.db"), "");
    std::filesystem::create_directory(dir.File("folder.db"));
    {
        CDatabase db;
        ASSERT_EQ(db.Open(dir.File("plain.db"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE), SQLITE_OK);
        ASSERT_EQ(db.Exec("CREATE TABLE notes (text TEXT)"), SQLITE_OK);
        ASSERT_EQ(db.Open(dir.File("other.db"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE), SQLITE_OK);
        ASSERT_EQ(db.Exec("PRAGMA application_id = 1234; CREATE TABLE calllog (x)"), SQLITE_OK);
    }
    MakeFilledStore(dir.File("newer.db"));
    {
        CDatabase db;
        ASSERT_EQ(db.Open(dir.File("newer.db"), SQLITE_OPEN_READWRITE), SQLITE_OK);
        ASSERT_EQ(db.Exec("PRAGMA user_version = 2"), SQLITE_OK);
    }
    // Damage in the middle pages, with the header and the schema intact.
    MakeFilledStore(dir.File("corrupt.db"), 3000);
    {
        std::string strBytes = ReadFile(dir.File("corrupt.db"));
        ASSERT_GT(strBytes.size(), 40u * 4096);
        for (size_t i = strBytes.size() / 2; i < strBytes.size() / 2 + 2 * 4096; ++i)
            strBytes[i] = static_cast<char>(0xA5);
        WriteFile(dir.File("corrupt.db"), strBytes);
    }
    MakeFilledStore(dir.File("truncated.db"), 3000);
    std::filesystem::resize_file(dir.File("truncated.db"), std::filesystem::file_size(dir.File("truncated.db")) / 2);
    MakeFilledStore(dir.File("good.db"));

    struct Case {
        const char* pszName;
        DeviceStatus status;
    };
    const Case kCases[] = {
        {"missing.db", DeviceStatus::Missing},       {"text.db", DeviceStatus::NotAStore},
        {"empty.db", DeviceStatus::NotAStore},       {"plain.db", DeviceStatus::NotAStore},
        {"other.db", DeviceStatus::NotAStore},       {"newer.db", DeviceStatus::NewerVersion},
        {"corrupt.db", DeviceStatus::Corrupt},       {"truncated.db", DeviceStatus::Corrupt},
        {"folder.db", DeviceStatus::Unreadable},
        {"good.db", DeviceStatus::Ok},
    };
    auto before = Snapshot(dir.Path());
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.pszName);
        for (bool bWrite : {false, true}) {
            CDeviceStore store;
            DeviceStatus status = bWrite ? store.OpenForWriting(dir.File(c.pszName))
                                         : store.OpenReadOnly(dir.File(c.pszName));
            EXPECT_EQ(status, c.status) << (bWrite ? "writing: " : "reading: ") << store.ErrorText();
            if (c.status != DeviceStatus::Ok) {
                EXPECT_FALSE(store.Database().IsOpen());
                EXPECT_EQ(store.ErrorText().rfind(dir.File(c.pszName) + ": ", 0), 0u) << store.ErrorText();
                EXPECT_EQ(store.ErrorText().find('\n'), std::string::npos) << store.ErrorText();
            }
        }
    }
    // The program's own readers check the header and the schema only, so
    // damage further in opens and is met later, at the records on it.
    for (const char* pszName : {"corrupt.db", "good.db"}) {
        CDeviceStore store;
        EXPECT_EQ(store.OpenReadOnly(dir.File(pszName), StoreCheck::Schema), DeviceStatus::Ok) << pszName;
    }
    for (const char* pszName : {"text.db", "other.db", "newer.db"}) {
        CDeviceStore store;
        EXPECT_NE(store.OpenReadOnly(dir.File(pszName), StoreCheck::Schema), DeviceStatus::Ok) << pszName;
    }
    EXPECT_EQ(Snapshot(dir.Path()), before);
}

TEST(DeviceStore, ReadingChangesNoFile)
{
    for (const char* pszMode : {"DELETE", "WAL"}) {
        for (bool bReadOnlyFolder : {false, true}) {
            SCOPED_TRACE(testing::Message() << pszMode << (bReadOnlyFolder ? ", read-only folder" : ""));
            CTempDir dir;
            std::string strPath = dir.File("device.db");
            MakeFilledStore(strPath);
            {
                CDatabase db;
                ASSERT_EQ(db.Open(strPath, SQLITE_OPEN_READWRITE), SQLITE_OK);
                CStatement mode(db, (std::string("PRAGMA journal_mode = ") + pszMode).c_str());
                ASSERT_EQ(mode.Step(), SQLITE_ROW);
                ASSERT_EQ(mode.ColumnText(0), std::string(pszMode[0] == 'W' ? "wal" : "delete"));
            }
            if (bReadOnlyFolder) {
                ::chmod(strPath.c_str(), 0444);
                ::chmod(dir.Path().c_str(), 0555);
            }
            auto before = Snapshot(dir.Path());
            ASSERT_EQ(Names(before), std::vector<std::string> {"device.db"});

            CDeviceStore store;
            ASSERT_EQ(store.OpenReadOnly(strPath), DeviceStatus::Ok) << store.ErrorText();
            EXPECT_EQ(store.Database().QueryInt("SELECT count(*) FROM calllog"), 40);
            EXPECT_EQ(store.Database().QueryInt("SELECT count(*) FROM recipient"), 4);
            EXPECT_NE(store.Database().Exec("INSERT INTO calllog (start_time, end_time, iom) VALUES (1, 2, 0)"),
                      SQLITE_OK);
            EXPECT_NE(store.Database().Exec("PRAGMA user_version = 5"), SQLITE_OK);
            EXPECT_EQ(Snapshot(dir.Path()), before);
            store.Close();
            EXPECT_EQ(CountCallsThroughTheCallLog(strPath), 40);
            EXPECT_EQ(Snapshot(dir.Path()), before);
        }
    }
}

// An import killed part-way leaves a journal that only a writer may roll
// back: a reader names that, changes nothing, and a writer's open restores
// the store as it was before the import.
TEST(DeviceStore, AnInterruptedWriteIsNamedAndRolledBackByAWriter)
{
    CTempDir dir;
    std::string strPath = dir.File("device.db");
    MakeFilledStore(strPath);
    LeaveInterruptedWrite(strPath);
    auto before = Snapshot(dir.Path());
    ASSERT_EQ(Names(before), (std::vector<std::string> {"device.db", "device.db-journal"}));

    for (StoreCheck check : {StoreCheck::Whole, StoreCheck::Schema}) {
        CDeviceStore reader;
        EXPECT_EQ(reader.OpenReadOnly(strPath, check), DeviceStatus::Interrupted) << reader.ErrorText();
        EXPECT_NE(reader.ErrorText().find("interrupted"), std::string::npos) << reader.ErrorText();
        EXPECT_NE(reader.ErrorText().find("ringtally-device"), std::string::npos) << reader.ErrorText();
    }
    EXPECT_EQ(CountCallsThroughTheCallLog(strPath), 0);
    EXPECT_EQ(Snapshot(dir.Path()), before);

    CDeviceStore writer;
    ASSERT_EQ(writer.OpenForWriting(strPath), DeviceStatus::Ok) << writer.ErrorText();
    EXPECT_TRUE(writer.RolledBackInterruptedWrite());
    EXPECT_EQ(writer.Database().QueryInt("SELECT count(*) FROM calllog"), 40);
    writer.Close();
    EXPECT_EQ(Names(Snapshot(dir.Path())), std::vector<std::string> {"device.db"});
    EXPECT_EQ(CountCallsThroughTheCallLog(strPath), 40);
    ASSERT_EQ(writer.OpenForWriting(strPath), DeviceStatus::Ok) << writer.ErrorText();
    EXPECT_FALSE(writer.RolledBackInterruptedWrite());
    writer.Close();

    // The journal of a write still under way is no leftover: its writer
    // holds the store, and a second writer neither rolls it back nor says so.
    CDeviceStore first;
    ASSERT_EQ(first.OpenForWriting(strPath), DeviceStatus::Ok);
    ASSERT_EQ(first.Database().Exec("BEGIN IMMEDIATE; DELETE FROM calllog"), SQLITE_OK);
    ASSERT_TRUE(std::filesystem::exists(strPath + "-journal"));
    CDeviceStore second;
    ASSERT_EQ(second.OpenForWriting(strPath), DeviceStatus::Ok) << second.ErrorText();
    EXPECT_FALSE(second.RolledBackInterruptedWrite());
    EXPECT_EQ(first.Database().Exec("ROLLBACK"), SQLITE_OK);
}

// Behind another writer's lock, every opening waits once, up to its limit,
// and then fails with the wait's own text, whatever it had to look at first.
TEST(DeviceStore, AnOpeningWaitsOnceForAnotherWriter)
{
    CTempDir dir;
    std::string strPath = dir.File("device.db");
    MakeFilledStore(strPath);
    CForeignWriter other(strPath);
    other.Exec("BEGIN EXCLUSIVE; DELETE FROM calllog");
    ASSERT_TRUE(std::filesystem::exists(strPath + "-journal"));

    int nWaits = 0;
    LockWait wait;
    wait.limit = std::chrono::milliseconds(50);
    wait.pfnWaiting = [&] { ++nWaits; };
    wait.strGaveUp = "another writer";
    StoreCheckReport report;
    const std::pair<const char*, std::function<DeviceStatus(CDeviceStore&)>> kOpenings[] = {
        {"reading", [&](CDeviceStore& store) { return store.OpenReadOnly(strPath); }},
        {"writing", [&](CDeviceStore& store) { return store.OpenForWriting(strPath); }},
        {"examining", [&](CDeviceStore& store) { return store.OpenForExamining(strPath); }},
        {"checking", [&](CDeviceStore& store) { return store.Check(strPath, &report); }},
    };
    for (const auto& [pszName, open] : kOpenings) {
        SCOPED_TRACE(pszName);
        nWaits = 0;
        CDeviceStore store;
        store.SetLockWait(wait);
        EXPECT_EQ(open(store), DeviceStatus::Unreadable);
        EXPECT_EQ(store.ErrorText(), strPath + ": cannot be read: another writer");
        EXPECT_EQ(nWaits, 1);
    }
    other.Exec("ROLLBACK");
}

// A check reads the whole store, changes nothing, and lists what is wrong
// with it: damage that SQLite finds, and whatever keeps it from being a
// device store that the program can read.
TEST(DeviceStore, CheckFindsWhatIsWrong)
{
    CTempDir dir;
    auto make = [&](const char* pszName, const char* pszSql = nullptr) {
        MakeFilledStore(dir.File(pszName));
        if (pszSql) {
            CDatabase db;
            ASSERT_EQ(db.Open(dir.File(pszName), SQLITE_OPEN_READWRITE), SQLITE_OK);
            ASSERT_EQ(db.Exec(pszSql), SQLITE_OK) << db.LastError();
        }
    };
    make("good.db");
    make("extended.db", "ALTER TABLE calllog ADD COLUMN backup_type INTEGER; CREATE TABLE notes (x); "
                        "CREATE INDEX calllog_name ON calllog (name)");
    make("no-table.db", "DROP TABLE recipient");
    make("no-column.db", "ALTER TABLE calllog DROP COLUMN note");
    make("foreign.db", "PRAGMA application_id = 77");
    make("unversioned.db", "PRAGMA user_version = 0");
    make("newer.db", "PRAGMA user_version = 2");
    MakeFilledStore(dir.File("corrupt.db"), 3000);
    {
        std::string strBytes = ReadFile(dir.File("corrupt.db"));
        for (size_t i = strBytes.size() / 2; i < strBytes.size() / 2 + 2 * 4096; ++i)
            strBytes[i] = static_cast<char>(0xA5);
        WriteFile(dir.File("corrupt.db"), strBytes);
    }
    MakeFilledStore(dir.File("truncated.db"), 3000);
    std::filesystem::resize_file(dir.File("truncated.db"), std::filesystem::file_size(dir.File("truncated.db")) / 2);
    WriteFile(dir.File("text.db"), "Name;Number\nAnna;+4930123456\n");
    MakeFilledStore(dir.File("interrupted.db"));
    LeaveInterruptedWrite(dir.File("interrupted.db"));

    struct Case {
        const char* pszName;
        std::vector<std::string> problems; // a part of each problem listed, in order
    };
    const Case kSound[] = {{"good.db", {}}, {"extended.db", {}}};
    const Case kDamaged[] = {
        {"no-table.db", {"table recipient is missing"}},
        {"no-column.db", {"table calllog lacks its column note"}},
        {"foreign.db", {"application id is 77, where a device store has 1381256281"}},
        {"unversioned.db", {"format version is 0, where a device store has 1"}},
        {"text.db", {"not an SQLite database"}},
    };
    auto before = Snapshot(dir.Path());
    for (const Case& c : kSound) {
        CDeviceStore store;
        StoreCheckReport report;
        ASSERT_EQ(store.Check(dir.File(c.pszName), &report), DeviceStatus::Ok) << store.ErrorText();
        EXPECT_TRUE(report.Sound()) << c.pszName << ": " << report.problems.front();
        EXPECT_EQ(report.nCalls, 40);
        EXPECT_EQ(report.nMessages, 2);
        EXPECT_EQ(report.nRecipients, 4);
        EXPECT_EQ(report.nStores, 1);
        EXPECT_EQ(report.nFolders, 5);
        EXPECT_FALSE(store.Database().IsOpen());
    }
    for (const Case& c : kDamaged) {
        SCOPED_TRACE(c.pszName);
        CDeviceStore store;
        StoreCheckReport report;
        ASSERT_EQ(store.Check(dir.File(c.pszName), &report), DeviceStatus::Ok) << store.ErrorText();
        ASSERT_EQ(report.problems.size(), c.problems.size()) << testing::PrintToString(report.problems);
        for (size_t i = 0; i < c.problems.size(); ++i)
            EXPECT_NE(report.problems[i].find(c.problems[i]), std::string::npos) << report.problems[i];
    }
    // Damage inside: the integrity check names pages, one line each.
    for (const char* pszName : {"corrupt.db", "truncated.db"}) {
        SCOPED_TRACE(pszName);
        CDeviceStore store;
        StoreCheckReport report;
        ASSERT_EQ(store.Check(dir.File(pszName), &report), DeviceStatus::Ok) << store.ErrorText();
        ASSERT_FALSE(report.Sound());
        EXPECT_LE(report.problems.size(), 20u);
        for (const std::string& strProblem : report.problems) {
            EXPECT_EQ(strProblem.find('\n'), std::string::npos) << strProblem;
            EXPECT_EQ(strProblem.find("*** in database"), std::string::npos) << strProblem;
        }
    }
    struct Refused {
        const char* pszName;
        DeviceStatus status;
    };
    for (Refused c : {Refused {"missing.db", DeviceStatus::Missing}, Refused {"newer.db", DeviceStatus::NewerVersion},
                      Refused {"interrupted.db", DeviceStatus::Interrupted}}) {
        CDeviceStore store;
        StoreCheckReport report;
        EXPECT_EQ(store.Check(dir.File(c.pszName), &report), c.status) << c.pszName;
        EXPECT_EQ(store.ErrorText().rfind(dir.File(c.pszName) + ": ", 0), 0u) << store.ErrorText();
    }
    EXPECT_EQ(Snapshot(dir.Path()), before);
}

// Opening a named pipe or a device would block or never end; neither is a
// store, and saying so must not wait for a writer at the other end.
TEST(DeviceStore, APathThatIsNoRegularFileIsRefusedWithoutBlocking)
{
    CTempDir dir;
    std::string strFifo = dir.File("pipe.db");
    ASSERT_EQ(::mkfifo(strFifo.c_str(), 0600), 0);
    for (const std::string& strPath : {strFifo, std::string("/dev/zero")}) {
        SCOPED_TRACE(strPath);
        for (bool bWrite : {false, true}) {
            CDeviceStore store;
            DeviceStatus status = bWrite ? store.OpenForWriting(strPath) : store.OpenReadOnly(strPath);
            EXPECT_EQ(status, DeviceStatus::Unreadable) << store.ErrorText();
            EXPECT_NE(store.ErrorText().find("not a regular file"), std::string::npos) << store.ErrorText();
        }
        CDeviceStore store;
        EXPECT_EQ(store.Create(strPath), DeviceStatus::Exists);
    }
    EXPECT_EQ(CountCallsThroughTheCallLog(strFifo), 0);
}

// A reader beside a writer that still holds the store open in WAL mode sees
// the committed records and leaves the store file alone.
TEST(DeviceStore, ReadingBesideAnOpenWalWriter)
{
    CTempDir dir;
    std::string strPath = dir.File("device.db");
    MakeFilledStore(strPath);
    CDeviceStore writer;
    ASSERT_EQ(writer.OpenForWriting(strPath), DeviceStatus::Ok);
    ASSERT_EQ(writer.Database().Exec("PRAGMA journal_mode = WAL"), SQLITE_OK);
    DeviceCall call;
    call.nStartTime = UtcTicks(2027, 1, 1);
    call.nEndTime = call.nStartTime;
    ASSERT_EQ(writer.AddCalls({call}), 0);
    auto before = Snapshot(dir.Path());

    CDeviceStore reader;
    ASSERT_EQ(reader.OpenReadOnly(strPath), DeviceStatus::Ok) << reader.ErrorText();
    EXPECT_EQ(reader.Database().QueryInt("SELECT count(*) FROM calllog"), 41);
    reader.Close();
    EXPECT_EQ(CountCallsThroughTheCallLog(strPath), 41);
    auto after = Snapshot(dir.Path());
    EXPECT_EQ(Names(after), Names(before));
    EXPECT_EQ(after["device.db"], before["device.db"]);
}

TEST(DeviceStore, EachWriteBatchIsAllOrNothing)
{
    CTestDevice device;
    CDeviceStore& store = device.Store();
    ASSERT_EQ(store.Database().Exec(
                  "CREATE TRIGGER no_99 BEFORE INSERT ON calllog WHEN NEW.iom = 99 "
                  "BEGIN SELECT RAISE(ABORT, 'no'); END;"
                  "CREATE TRIGGER no_x BEFORE INSERT ON recipient WHEN NEW.display_name = 'x' "
                  "BEGIN SELECT RAISE(ABORT, 'no'); END;"),
              SQLITE_OK);
    DeviceCall good, bad;
    good.nIom = 1;
    bad.nIom = 99;
    EXPECT_EQ(store.AddCalls({good, good, bad}), -1);
    EXPECT_EQ(store.Database().QueryInt("SELECT count(*) FROM calllog"), 0);
    EXPECT_EQ(store.AddCalls({good, good}), 0);
    EXPECT_EQ(store.Database().QueryInt("SELECT count(*) FROM calllog"), 2);

    DeviceMessage message;
    message.nFolderId = device.Inbox();
    message.strSenderName = "Anna";
    message.recipients = {{"a", std::nullopt}, {std::nullopt, "b@x"}};
    DeviceMessage badMessage = message;
    badMessage.recipients.push_back({"x", std::nullopt});
    EXPECT_EQ(store.AddMessages({message, badMessage}), -1);
    EXPECT_EQ(store.Database().QueryInt("SELECT count(*) FROM message"), 0);
    EXPECT_EQ(store.Database().QueryInt("SELECT count(*) FROM recipient"), 0);
    EXPECT_EQ(store.AddMessages({message}), 0);
    CStatement rows(store.Database(), "SELECT position, display_name, email_address FROM recipient ORDER BY position");
    ASSERT_EQ(rows.Step(), SQLITE_ROW);
    EXPECT_EQ(rows.ColumnInt(0), 0);
    EXPECT_EQ(rows.ColumnText(1), "a");
    EXPECT_EQ(rows.ColumnText(2), std::nullopt);
    ASSERT_EQ(rows.Step(), SQLITE_ROW);
    EXPECT_EQ(rows.ColumnInt(0), 1);
    EXPECT_EQ(rows.ColumnText(1), std::nullopt);
    EXPECT_EQ(rows.ColumnText(2), "b@x");
    EXPECT_EQ(store.Database().QueryInt("SELECT delivery_time IS NULL FROM message"), 1);

    int64_t nStore = store.AddStore(std::nullopt);
    ASSERT_GT(nStore, 0);
    std::string strFolders = "SELECT count(*) FROM folder WHERE store_id = " + std::to_string(nStore);
    EXPECT_EQ(store.Database().QueryInt(strFolders.c_str()), 5);
    EXPECT_EQ(store.FindFolder("sms", "sent"), store.FindFolder("SMS", "sent"));
    EXPECT_EQ(store.FindFolder("SMS", "archive"), -1);
}

TEST(DeviceStore, FoldersAreFoundOrMade)
{
    CTestDevice device;
    CDeviceStore& store = device.Store();
    CDatabase& db = store.Database();
    int64_t nSent = store.FindFolder("SMS", "sent");
    ASSERT_GT(nSent, 0);
    EXPECT_EQ(store.FolderFor("SMS", "sent"), nSent);
    EXPECT_EQ(store.FolderFor("sms", "sent"), nSent);
    // A role without a folder gets one in the first store of the name.
    int64_t nOther = store.FolderFor("sms", "other");
    ASSERT_GT(nOther, 0);
    EXPECT_EQ(store.FolderFor("SMS", "other"), nOther);
    // A missing store is made with its five folders (and the one asked for).
    int64_t nArchive = store.FolderFor("Archive", "other");
    ASSERT_GT(nArchive, 0);
    EXPECT_EQ(store.FolderFor("Archive", "outbox"), store.FindFolder("ARCHIVE", "outbox"));
    int64_t nBackupSent = store.FolderFor("Backup", "sent");
    EXPECT_EQ(nBackupSent, store.FindFolder("Backup", "sent"));
    std::vector<std::string> folders;
    CStatement rows(db, "SELECT s.display_name, f.role, f.display_name FROM folder f JOIN msgstore s "
                        "ON s.id = f.store_id ORDER BY f.id");
    while (rows.Step() == SQLITE_ROW) {
        folders.push_back(rows.ColumnText(0).value_or("") + "|" + rows.ColumnText(1).value_or("") + "|" +
                          rows.ColumnText(2).value_or(""));
    }
    EXPECT_EQ(folders,
              (std::vector<std::string> {
                  "SMS|inbox|Inbox", "SMS|sent|Sent Items", "SMS|outbox|Outbox", "SMS|drafts|Drafts",
                  "SMS|deleted|Deleted Items", "SMS|other|Other", "Archive|inbox|Inbox", "Archive|sent|Sent Items",
                  "Archive|outbox|Outbox", "Archive|drafts|Drafts", "Archive|deleted|Deleted Items",
                  "Archive|other|Other", "Backup|inbox|Inbox", "Backup|sent|Sent Items", "Backup|outbox|Outbox",
                  "Backup|drafts|Drafts", "Backup|deleted|Deleted Items",
              }));
    EXPECT_STREQ(FolderDisplayName("sent"), "Sent Items");
    EXPECT_STREQ(FolderDisplayName("archive"), "Other");
    EXPECT_STREQ(FolderDisplayName(""), "Other");
}

TEST(DeviceStore, DefaultPathFollowsTheEnvironment)
{
    struct Case {
        const char* pszDevice;
        const char* pszDataHome;
        const char* pszHome;
        const char* pszPath;
    };
    const Case kCases[] = {
        {"/d/x.db", "/data", "/home/u", "/d/x.db"},
        {"", "/data", "/home/u", "/data/ringtally/device.db"},
        {nullptr, "/data", "/home/u", "/data/ringtally/device.db"},
        {nullptr, "relative", "/home/u", "/home/u/.local/share/ringtally/device.db"},
        {nullptr, nullptr, "/home/u", "/home/u/.local/share/ringtally/device.db"},
    };
    auto value = [](const char* psz) { return psz ? std::optional<std::string>(psz) : std::nullopt; };
    for (const Case& c : kCases) {
        CEnvVar device("RINGTALLY_DEVICE", value(c.pszDevice));
        CEnvVar dataHome("XDG_DATA_HOME", value(c.pszDataHome));
        CEnvVar home("HOME", value(c.pszHome));
        EXPECT_EQ(DefaultDevicePath(), c.pszPath);
    }
}
