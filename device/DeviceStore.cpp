#include "device/DeviceStore.h"

#include "device/SqliteFile.h"
#include "device/StoreWriter.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

const char kSchema[] = R"SQL(
PRAGMA application_id = 1381256281;
PRAGMA user_version = 1;
CREATE TABLE calllog (
  id         INTEGER PRIMARY KEY,
  start_time INTEGER NOT NULL,
  end_time   INTEGER NOT NULL,
  iom        INTEGER NOT NULL,
  flags      INTEGER NOT NULL DEFAULT 0,
  cidt       INTEGER NOT NULL DEFAULT 0,
  number     TEXT,
  name       TEXT,
  name_type  TEXT,
  note       TEXT
);
CREATE TABLE msgstore (
  id           INTEGER PRIMARY KEY,
  display_name TEXT,
  entry_id     BLOB NOT NULL UNIQUE DEFAULT (randomblob(16))
);
CREATE TABLE folder (
  id           INTEGER PRIMARY KEY,
  store_id     INTEGER NOT NULL REFERENCES msgstore(id),
  role         TEXT NOT NULL,
  display_name TEXT,
  entry_id     BLOB NOT NULL UNIQUE DEFAULT (randomblob(16))
);
CREATE TABLE message (
  id            INTEGER PRIMARY KEY,
  folder_id     INTEGER NOT NULL REFERENCES folder(id),
  entry_id      BLOB NOT NULL UNIQUE DEFAULT (randomblob(16)),
  sender_name   TEXT,
  subject       TEXT,
  delivery_time INTEGER,
  body          TEXT
);
CREATE TABLE recipient (
  message_id    INTEGER NOT NULL REFERENCES message(id),
  position      INTEGER NOT NULL,
  display_name  TEXT,
  email_address TEXT,
  PRIMARY KEY (message_id, position)
);
CREATE INDEX calllog_order ON calllog (start_time DESC, id DESC);
CREATE INDEX message_folder ON message (folder_id, id);
)SQL";

struct FolderDefault {
    const char* pszRole;
    const char* pszName;
};

const FolderDefault kFolders[] = {
    {"inbox", "Inbox"},   {"sent", "Sent Items"},       {"outbox", "Outbox"},
    {"drafts", "Drafts"}, {"deleted", "Deleted Items"},
};

bool FileExists(const std::string& strPath, struct stat* pStat = nullptr)
{
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0)
        return false;
    if (pStat)
        *pStat = st;
    return true;
}

const char kInterruptedText[] =
    "an import into it was interrupted and left unfinished changes, which must be rolled back before it can be "
    "read; any ringtally-device command does that, for example \"ringtally-device check\"";
const char kCannotRollBackText[] =
    "an import into it was interrupted and left unfinished changes, which must be rolled back before it can be "
    "read, and that cannot be done: ";
const char kCannotRollBackAdvice[] =
    "; run the command again as a user who may write the store and its folder, or copy the store together with "
    "its -journal file into a folder of yours and use the copy";

std::string NewerVersionText(int64_t nVersion)
{
    return "written by a newer version of Ringtally (format " + std::to_string(nVersion) + "; this one reads format " +
           std::to_string(kDeviceSchemaVersion) + ")";
}

// The most problems that a check lists.
constexpr size_t kMostProblems = 20;

// The columns of a table, none when there is no such table; nullopt when
// the schema cannot be read.
std::optional<std::vector<std::string>> TableColumns(CDatabase& db, const char* pszTable)
{
    CStatement stmt(db, "SELECT c.name FROM sqlite_schema s, pragma_table_info(s.name) c "
                        "WHERE s.type = 'table' AND s.name = ?1");
    if (!stmt.IsValid())
        return std::nullopt;
    stmt.BindText(1, std::string_view(pszTable));
    std::vector<std::string> columns;
    int nStep;
    while ((nStep = stmt.Step()) == SQLITE_ROW)
        columns.push_back(stmt.ColumnText(0).value_or(""));
    if (nStep != SQLITE_DONE)
        return std::nullopt;
    return columns;
}


} // namespace

namespace {

// $XDG_DATA_HOME/ringtally, else ~/.local/share/ringtally.
std::string DataFolder()
{
    std::string strBase;
    if (const char* pszData = std::getenv("XDG_DATA_HOME"); pszData && *pszData == '/') {
        strBase = pszData;
    } else {
        const char* pszHome = std::getenv("HOME");
        strBase = std::string(pszHome && *pszHome ? pszHome : ".") + "/.local/share";
    }
    return strBase + "/ringtally";
}

} // namespace

std::string DefaultDevicePath()
{
    if (const char* pszDevice = std::getenv("RINGTALLY_DEVICE"); pszDevice && *pszDevice)
        return pszDevice;
    return OwnDevicePath();
}

std::string DemoDevicePath()
{
    return DataFolder() + "/demo.db";
}

std::string OwnDevicePath()
{
    return DataFolder() + "/device.db";
}

const char* FolderDisplayName(std::string_view strRole)
{
    for (const FolderDefault& def : kFolders) {
        if (strRole == def.pszRole)
            return def.pszName;
    }
    return "Other";
}

const char* DeviceStatusText(DeviceStatus status)
{
    switch (status) {
    case DeviceStatus::Ok:
        return "ok";
    case DeviceStatus::Missing:
        return "no such file";
    case DeviceStatus::NotAStore:
        return "not a Ringtally device store";
    case DeviceStatus::NewerVersion:
        return "written by a newer version of Ringtally";
    case DeviceStatus::Corrupt:
        return "the device store is corrupt";
    case DeviceStatus::Unreadable:
        return "cannot be read";
    case DeviceStatus::Interrupted:
        return "left unfinished by an interrupted import";
    case DeviceStatus::Exists:
        return "a file already exists there";
    case DeviceStatus::WriteFailed:
        return "cannot be written";
    }
    return "unknown error";
}

DeviceStatus CDeviceStore::Fail(DeviceStatus status, std::string strText)
{
    m_db.Close();
    // SQLite's own texts may run over several lines (an integrity check
    // does); the error stays one line.
    for (char& c : strText) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    m_strError = m_strPath + ": " + std::move(strText);
    return status;
}

void CDeviceStore::Close()
{
    m_db.Close();
}

DeviceStatus CDeviceStore::OpenReadOnly(const std::string& strPath, StoreCheck check)
{
    return OpenExisting(strPath, false, check);
}

DeviceStatus CDeviceStore::OpenForWriting(const std::string& strPath)
{
    return OpenExisting(strPath, true, StoreCheck::Whole);
}

DeviceStatus CDeviceStore::OpenForExamining(const std::string& strPath)
{
    DeviceStatus status = OpenFile(strPath, false);
    if (status != DeviceStatus::Ok)
        return status;
    // The first read meets the journal of an interrupted write, or waits for
    // another writer; damage is left for the examination to find.
    if (!m_db.QueryInt("PRAGMA application_id")) {
        if (m_db.LastCode() == SQLITE_READONLY_ROLLBACK)
            return Fail(DeviceStatus::Interrupted, kInterruptedText);
        if (!IsCorruptionCode(m_db.LastCode()))
            return Fail(DeviceStatus::Unreadable, "cannot be read: " + m_db.LastError());
    }
    return DeviceStatus::Ok;
}

DeviceStatus CDeviceStore::RollBackInterruptedWrite(const std::string& strPath)
{
    DeviceStatus status = OpenFile(strPath, true);
    m_db.Close();
    return status;
}

void CDeviceStore::SetLockWait(std::optional<LockWait> wait)
{
    m_db.SetLockWait(std::move(wait));
}

DeviceStatus CDeviceStore::FindInterruptedWrite(const std::string& strPath, bool* pbInterrupted)
{
    *pbInterrupted = false;
    if (!FileExists(strPath + "-journal"))
        return DeviceStatus::Ok;
    // A connection that may not write meets the journal without rolling it
    // back; one that has waited in vain for another writer says so here,
    // rather than waiting all over again.
    CDatabase probe;
    probe.SetLockWait(m_db.GetLockWait());
    std::string strUri = "file:" + UriEscape(strPath) + "?mode=ro";
    if (probe.Open(strUri, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX) != SQLITE_OK ||
        probe.QueryInt("PRAGMA application_id"))
        return DeviceStatus::Ok;
    *pbInterrupted = probe.LastCode() == SQLITE_READONLY_ROLLBACK;
    if ((probe.LastCode() & 0xff) == SQLITE_BUSY)
        return Fail(DeviceStatus::Unreadable, "cannot be read: " + probe.LastError());
    return DeviceStatus::Ok;
}

DeviceStatus CDeviceStore::OpenFile(const std::string& strPath, bool bWrite)
{
    m_strPath = strPath;
    m_strError.clear();
    m_db.Close();
    m_bRolledBack = false;

    struct stat st {};
    if (!FileExists(strPath, &st))
        return Fail(DeviceStatus::Missing, errno == ENOENT ? "no such file" : std::strerror(errno));
    if (S_ISDIR(st.st_mode))
        return Fail(DeviceStatus::Unreadable, "is a folder, not a device store");
    // SQLite would block opening a named pipe, and read a device forever.
    if (!S_ISREG(st.st_mode))
        return Fail(DeviceStatus::Unreadable, "is not a regular file, not a device store");
    // The journal of an interrupted write is rolled back by the first read of
    // a connection that may write, which needs the store, its folder (where
    // the journal is deleted) and the journal writable.
    bool bInterrupted = false;
    if (bWrite && FindInterruptedWrite(strPath, &bInterrupted) != DeviceStatus::Ok)
        return DeviceStatus::Unreadable;
    if (bInterrupted) {
        std::string strDir = std::filesystem::path(strPath).parent_path().string();
        const std::pair<const char*, std::string> kNeeded[] = {
            {"the store ", strPath},
            {"its folder ", strDir.empty() ? std::string(".") : strDir},
            {"its journal ", strPath + "-journal"},
        };
        for (const auto& [pszWhat, strFile] : kNeeded) {
            if (::access(strFile.c_str(), W_OK) != 0)
                return Fail(DeviceStatus::Interrupted, kCannotRollBackText + (pszWhat + strFile) +
                                                           " cannot be written (" + std::strerror(errno) + ")" +
                                                           kCannotRollBackAdvice);
        }
    }
    if (::access(strPath.c_str(), bWrite ? (R_OK | W_OK) : R_OK) != 0)
        return Fail(DeviceStatus::Unreadable, std::string("cannot be opened: ") + std::strerror(errno));

    std::string header = ReadFileStart(strPath, 100);
    if (header.size() < 100 || !IsSqliteHeader(header))
        return Fail(DeviceStatus::NotAStore, "not a Ringtally device store (not an SQLite database)");

    int nCode;
    if (bWrite) {
        // One thread at a time uses a store, as with reading; SQLite's lock
        // around every call would only cost time on each row written.
        nCode = m_db.Open(strPath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
    } else {
        // A reader must not create files. In WAL mode SQLite would create the
        // -wal and -shm files beside the store, so when no writer has left a
        // -wal file, the store is opened as immutable instead.
        bool bWal = static_cast<unsigned char>(header[18]) == 2;
        std::string strUri = "file:" + UriEscape(strPath) + "?mode=ro";
        m_openStamp = FileStamp::Of(strPath);
        if (bWal && !m_openStamp.bWal)
            strUri += "&immutable=1";
        nCode = m_db.Open(strUri, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX);
        // No memory map: every page a pass touched would stay mapped into
        // the process and count as its memory (about 220 MB for the screens
        // at a million calls and messages), and a pass reads no slower
        // through SQLite's own small cache.
        if (nCode == SQLITE_OK)
            nCode = m_db.Exec("PRAGMA query_only = 1; PRAGMA mmap_size = 0");
    }
    if (nCode != SQLITE_OK)
        return Fail(DeviceStatus::Unreadable, "cannot be opened: " + m_db.LastError());
    if (bInterrupted) {
        if (!m_db.QueryInt("PRAGMA application_id"))
            return Fail(DeviceStatus::Interrupted,
                        std::string(kCannotRollBackText) + m_db.LastError() + kCannotRollBackAdvice);
        m_bRolledBack = true;
    }
    return DeviceStatus::Ok;
}

DeviceStatus CDeviceStore::OpenExisting(const std::string& strPath, bool bWrite, StoreCheck check)
{
    DeviceStatus status = OpenFile(strPath, bWrite);
    if (status != DeviceStatus::Ok)
        return status;

    auto appId = m_db.QueryInt("PRAGMA application_id");
    if (!appId) {
        int nLast = m_db.LastCode();
        // The first read of a store with a hot journal asks to roll it back,
        // which a read-only connection may not do.
        if (nLast == SQLITE_READONLY_ROLLBACK)
            return Fail(DeviceStatus::Interrupted, kInterruptedText);
        if (IsCorruptionCode(nLast))
            return Fail(DeviceStatus::Corrupt, "the device store is corrupt: " + m_db.LastError());
        return Fail(DeviceStatus::Unreadable, "cannot be read: " + m_db.LastError());
    }
    if (*appId != kDeviceApplicationId)
        return Fail(DeviceStatus::NotAStore, "not a Ringtally device store (an SQLite database of another program)");
    auto version = m_db.QueryInt("PRAGMA user_version");
    if (version && *version > kDeviceSchemaVersion)
        return Fail(DeviceStatus::NewerVersion, NewerVersionText(*version));

    // Reading the schema catches a damaged first page; a quick check catches
    // damage further in, so that a corrupt store is named as such up front.
    if (!m_db.QueryInt("SELECT count(*) FROM sqlite_schema"))
        return Fail(IsCorruptionCode(m_db.LastCode()) ? DeviceStatus::Corrupt : DeviceStatus::Unreadable,
                    "the device store is corrupt: " + m_db.LastError());
    if (check == StoreCheck::Whole) {
        CStatement quick(m_db, "PRAGMA quick_check(1)");
        int nStep = quick.IsValid() ? quick.Step() : m_db.LastCode();
        if (nStep != SQLITE_ROW || quick.ColumnText(0).value_or("") != "ok") {
            std::string strWhy = nStep == SQLITE_ROW ? quick.ColumnText(0).value_or("") : m_db.LastError();
            return Fail(DeviceStatus::Corrupt, "the device store is corrupt: " + strWhy);
        }
    }
    CStatement tables(m_db, "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name IN "
                            "('calllog', 'msgstore', 'folder', 'message', 'recipient')");
    if (!tables.IsValid() || tables.Step() != SQLITE_ROW || tables.ColumnInt(0) != 5)
        return Fail(DeviceStatus::Corrupt, "the device store lacks some of its tables");
    return DeviceStatus::Ok;
}

bool CDeviceStore::ReadsAsOpened() const
{
    return !m_db.IsImmutable() || FileStamp::Of(m_strPath) == m_openStamp;
}

DeviceStatus CDeviceStore::Check(const std::string& strPath, StoreCheckReport* pReport)
{
    *pReport = StoreCheckReport {};
    DeviceStatus status = OpenForExamining(strPath);
    if (status == DeviceStatus::NotAStore) {
        pReport->problems.push_back("not an SQLite database: the file does not begin as one");
        return DeviceStatus::Ok;
    }
    if (status != DeviceStatus::Ok)
        return status;
    auto appId = m_db.QueryInt("PRAGMA application_id");
    if (!appId) {
        pReport->problems.push_back("its first page cannot be read: " + m_db.LastError());
        m_db.Close();
        return DeviceStatus::Ok;
    }
    auto version = m_db.QueryInt("PRAGMA user_version");
    if (*appId == kDeviceApplicationId && version && *version > kDeviceSchemaVersion)
        return Fail(DeviceStatus::NewerVersion, NewerVersionText(*version) + "; it cannot be checked by this one");
    CheckContent(*appId, version, pReport);
    m_db.Close();
    return DeviceStatus::Ok;
}

void CDeviceStore::CheckContent(int64_t nAppId, std::optional<int64_t> version, StoreCheckReport* pReport)
{
    auto problem = [pReport](std::string strText) {
        for (char& c : strText) {
            if (c == '\n' || c == '\r')
                c = ' ';
        }
        if (pReport->problems.size() < kMostProblems)
            pReport->problems.push_back(std::move(strText));
        else
            pReport->bMoreProblems = true;
    };
    if (nAppId != kDeviceApplicationId)
        problem("its application id is " + std::to_string(nAppId) + ", where a device store has " +
                std::to_string(kDeviceApplicationId));
    if (version != kDeviceSchemaVersion)
        problem("its format version is " + (version ? std::to_string(*version) : "unreadable") +
                ", where a device store has " + std::to_string(kDeviceSchemaVersion));

    // The columns that the program reads are those of a new store.
    CDatabase reference;
    if (reference.Open(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX) != SQLITE_OK ||
        reference.Exec(kSchema) != SQLITE_OK) {
        problem("the store's own schema cannot be made for comparison: " + reference.LastError());
        return;
    }
    bool bTables = true;
    for (const char* pszTable : kDeviceTables) {
        auto have = TableColumns(m_db, pszTable);
        if (!have) {
            problem("its schema cannot be read: " + m_db.LastError());
            bTables = false;
            break;
        }
        if (have->empty()) {
            problem(std::string("table ") + pszTable + " is missing");
            bTables = false;
            continue;
        }
        for (const std::string& strColumn : TableColumns(reference, pszTable).value_or(std::vector<std::string> {})) {
            if (std::find(have->begin(), have->end(), strColumn) == have->end())
                problem(std::string("table ") + pszTable + " lacks its column " + strColumn);
        }
    }

    std::string strSql = "PRAGMA integrity_check(" + std::to_string(kMostProblems + 1) + ")";
    CStatement integrity(m_db, strSql.c_str());
    int nStep = integrity.IsValid() ? SQLITE_ROW : m_db.LastCode();
    while (integrity.IsValid() && (nStep = integrity.Step()) == SQLITE_ROW) {
        std::string strRow = integrity.ColumnText(0).value_or("");
        if (strRow == "ok")
            continue;
        // The first row begins with a line naming the database.
        size_t nStart = 0;
        while (nStart <= strRow.size()) {
            size_t nEnd = std::min(strRow.find('\n', nStart), strRow.size());
            std::string strLine = strRow.substr(nStart, nEnd - nStart);
            if (!strLine.empty() && strLine.rfind("*** in database", 0) != 0)
                problem(strLine);
            nStart = nEnd + 1;
        }
    }
    if (nStep != SQLITE_DONE)
        problem("the integrity check stopped: " + m_db.LastError());

    if (!bTables)
        return;
    CStatement counts(m_db, "SELECT (SELECT count(*) FROM calllog), (SELECT count(*) FROM msgstore), "
                            "(SELECT count(*) FROM folder), (SELECT count(*) FROM message), "
                            "(SELECT count(*) FROM recipient)");
    if (!counts.IsValid() || counts.Step() != SQLITE_ROW) {
        problem("its rows cannot be counted: " + m_db.LastError());
        return;
    }
    pReport->nCalls = counts.ColumnInt(0);
    pReport->nStores = counts.ColumnInt(1);
    pReport->nFolders = counts.ColumnInt(2);
    pReport->nMessages = counts.ColumnInt(3);
    pReport->nRecipients = counts.ColumnInt(4);
}

DeviceStatus CDeviceStore::Create(const std::string& strPath)
{
    m_strPath = strPath;
    m_strError.clear();
    m_db.Close();
    if (FileExists(strPath) || FileExists(strPath + "-journal") || FileExists(strPath + "-wal"))
        return Fail(DeviceStatus::Exists, "a file already exists there; not overwriting it");

    // SQLITE_OPEN_EXCLUSIVE is not honoured by the default VFS, so the file is
    // made here with O_EXCL: a file that appears meanwhile is never touched.
    int fd = ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST)
            return Fail(DeviceStatus::Exists, "a file already exists there; not overwriting it");
        return Fail(DeviceStatus::WriteFailed, std::string("cannot create the store: ") + std::strerror(errno));
    }
    ::close(fd);

    auto fail = [&](const std::string& strWhy) {
        m_db.Close();
        ::unlink(strPath.c_str());
        return Fail(DeviceStatus::WriteFailed, "cannot create the store: " + strWhy);
    };
    if (m_db.Open(strPath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX) != SQLITE_OK)
        return fail(m_db.LastError());
    {
        CTransaction tx(m_db);
        if (!tx.IsActive() || m_db.Exec(kSchema) != SQLITE_OK || InsertStore(std::string("SMS")) < 0 ||
            tx.Commit() != SQLITE_OK)
            return fail(m_db.LastError());
    }
    return DeviceStatus::Ok;
}

int64_t CDeviceStore::SchemaVersion()
{
    return m_db.QueryInt("PRAGMA user_version").value_or(-1);
}

bool CDeviceStore::IsDemo()
{
    CStatement marker(m_db, "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = ?1");
    marker.BindText(1, std::string_view(kDemoMarkerTable));
    return marker.Step() == SQLITE_ROW && marker.ColumnInt(0) > 0;
}

int64_t CDeviceStore::InsertFolder(int64_t nStore, std::string_view strRole)
{
    CStatement folder(m_db, "INSERT INTO folder (store_id, role, display_name) VALUES (?1, ?2, ?3)");
    folder.BindInt(1, nStore);
    folder.BindText(2, strRole);
    folder.BindText(3, std::string_view(FolderDisplayName(strRole)));
    if (folder.Step() != SQLITE_DONE)
        return -1;
    return sqlite3_last_insert_rowid(m_db.Handle());
}

int64_t CDeviceStore::InsertStore(const std::optional<std::string>& strDisplayName)
{
    CStatement store(m_db, "INSERT INTO msgstore (display_name) VALUES (?1)");
    store.BindText(1, strDisplayName);
    if (store.Step() != SQLITE_DONE)
        return -1;
    int64_t nStore = sqlite3_last_insert_rowid(m_db.Handle());
    for (const FolderDefault& def : kFolders) {
        if (InsertFolder(nStore, def.pszRole) < 0)
            return -1;
    }
    return nStore;
}

int64_t CDeviceStore::AddStore(const std::optional<std::string>& strDisplayName)
{
    CTransaction tx(m_db);
    if (!tx.IsActive())
        return -1;
    int64_t nStore = InsertStore(strDisplayName);
    if (nStore < 0 || tx.Commit() != SQLITE_OK)
        return -1;
    return nStore;
}

int64_t CDeviceStore::FindFolder(const std::string& strStoreName, const std::string& strRole)
{
    CStatement stmt(m_db, "SELECT f.id FROM folder f JOIN msgstore s ON s.id = f.store_id "
                          "WHERE lower(s.display_name) = lower(?1) AND f.role = ?2 "
                          "ORDER BY s.id, f.id LIMIT 1");
    stmt.BindText(1, std::string_view(strStoreName));
    stmt.BindText(2, std::string_view(strRole));
    if (stmt.Step() != SQLITE_ROW)
        return -1;
    return stmt.ColumnInt(0);
}

int64_t CDeviceStore::FolderFor(const std::string& strStoreName, const std::string& strRole)
{
    int64_t nFolder = FindFolder(strStoreName, strRole);
    if (nFolder >= 0)
        return nFolder;
    CStatement findStore(m_db, "SELECT id FROM msgstore WHERE lower(display_name) = lower(?1) ORDER BY id LIMIT 1");
    findStore.BindText(1, std::string_view(strStoreName));
    int nStep = findStore.Step();
    int64_t nStore;
    if (nStep == SQLITE_ROW)
        nStore = findStore.ColumnInt(0);
    else if (nStep == SQLITE_DONE)
        nStore = InsertStore(strStoreName);
    else
        return -1;
    if (nStore < 0)
        return -1;
    nFolder = FindFolder(strStoreName, strRole);
    return nFolder >= 0 ? nFolder : InsertFolder(nStore, strRole);
}

int CDeviceStore::AddCalls(const std::vector<DeviceCall>& calls)
{
    CTransaction tx(m_db);
    CStoreWriter writer;
    if (!tx.IsActive() || writer.Prepare(m_db) != 0)
        return -1;
    for (const DeviceCall& call : calls) {
        if (writer.InsertCall(call) != 0)
            return -1;
    }
    return tx.Commit() == SQLITE_OK ? 0 : -1;
}

int CDeviceStore::AddMessages(const std::vector<DeviceMessage>& messages)
{
    CTransaction tx(m_db);
    CStoreWriter writer;
    if (!tx.IsActive() || writer.Prepare(m_db) != 0)
        return -1;
    for (const DeviceMessage& message : messages) {
        if (writer.InsertMessage(message) != 0)
            return -1;
    }
    return tx.Commit() == SQLITE_OK ? 0 : -1;
}
