#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// How many transactions this process has committed through connections
// opened for writing; lets readers in the same process see their own writes
// without asking the file system.
uint64_t LocalCommitCount();
// Counts a commit that another process made at this process's asking (the
// device tool run from the program), so that readers look at once as they
// do after a commit of their own.
void NoteCommitOnRequest();

// How a connection waits for a lock that another connection holds, instead
// of the short wait that every connection has.
struct LockWait {
    std::chrono::milliseconds limit {0};
    // Called each time a wait begins, before the first pause.
    std::function<void()> pfnWaiting;
    // The error text when the limit passes without the lock; empty: SQLite's.
    std::string strGaveUp;
};

// A thin owner of one SQLite connection. Errors are kept as text for the
// caller to report; nothing here throws. The schema of the file is never
// trusted: its views and triggers may call only functions without side
// effects (trusted_schema off).
class CDatabase
{
public:
    CDatabase() = default;
    ~CDatabase();
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;

    // Opens with sqlite3_open_v2 flags (SQLITE_OPEN_*); a path starting with
    // "file:" is taken as a URI. Returns the SQLite result code.
    int Open(const std::string& strPath, int nFlags);
    void Close();
    bool IsOpen() const { return m_pDb != nullptr; }
    sqlite3* Handle() const { return m_pDb; }
    // Whether the connection was opened as immutable: it reads the file
    // without locks, as if nothing could change it.
    bool IsImmutable() const;

    // Waits as told for locks, now and after every later Open; nullopt
    // restores the short wait.
    void SetLockWait(std::optional<LockWait> wait);
    const std::optional<LockWait>& GetLockWait() const { return m_lockWait; }

    // Runs one or more statements without results. Returns the SQLite code.
    int Exec(const char* pszSql);
    // Runs a query whose first column of its first row is an integer.
    std::optional<int64_t> QueryInt(const char* pszSql);

    const std::string& LastError() const { return m_strError; }
    int LastCode() const { return m_nCode; }
    void SetError(int nCode, std::string strText);

private:
    static int OnBusy(void* pThis, int nCount);
    void ApplyLockWait();

    sqlite3* m_pDb = nullptr;
    std::string m_strError;
    int m_nCode = 0;
    std::optional<LockWait> m_lockWait;
    std::chrono::steady_clock::time_point m_waitStart;
    bool m_bGaveUp = false; // the last wait ended at its limit
};

// A value to bind: NULL, an integer, a text or a blob. Texts and blobs are
// not copied here; they must live until they are bound.
using SqlValue = std::variant<std::monostate, int64_t, std::string_view, std::span<const unsigned char>>;

// A prepared statement, reset for reuse. Column and parameter indexes follow
// SQLite: parameters from 1, columns from 0. A failed Bind is kept until the
// next Reset, and Step returns it instead of running with a missing value.
class CStatement
{
public:
    CStatement() = default;
    CStatement(CDatabase& db, const char* pszSql) { Prepare(db, pszSql); }
    ~CStatement();
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;
    CStatement(CStatement&& other) noexcept;
    CStatement& operator=(CStatement&& other) noexcept;

    // One statement; SQL that holds a second one is refused (SQLITE_ERROR).
    int Prepare(CDatabase& db, const char* pszSql);
    bool IsValid() const { return m_pStmt != nullptr; }

    // From now on, texts and blobs are bound without a copy: each must stay
    // as it is until the statement is reset, for a caller that binds, steps
    // and resets in one go.
    void BindWithoutCopies() { m_bWithoutCopies = true; }
    void BindInt(int nIndex, int64_t nValue);
    void BindNull(int nIndex);
    // Binds a text, an empty one included; only BindNull binds NULL.
    void BindText(int nIndex, std::string_view strValue);
    void BindText(int nIndex, const std::optional<std::string>& strValue);
    void BindBlob(int nIndex, const void* pData, int cbData);
    void BindValue(int nIndex, const SqlValue& value);
    // Binds a column of another statement's current row, as it is.
    void BindColumn(int nIndex, const CStatement& from, int nColumn);

    // SQLITE_ROW, SQLITE_DONE or an error code (recorded on the database).
    int Step();
    void Reset();

    int ColumnCount() const;
    int64_t ColumnInt(int nColumn) const;
    double ColumnDouble(int nColumn) const;
    bool ColumnIsNull(int nColumn) const;
    // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB or SQLITE_NULL.
    int ColumnType(int nColumn) const;
    // The column's text as UTF-8; nullopt for NULL.
    std::optional<std::string> ColumnText(int nColumn) const;
    // The same without a copy: valid until the statement steps or resets.
    std::optional<std::string_view> ColumnTextView(int nColumn) const;
    std::vector<unsigned char> ColumnBlob(int nColumn) const;
    // The column's bytes without a copy (null when empty), valid until the
    // statement steps or resets, and their count.
    const void* ColumnBlobData(int nColumn) const;
    int ColumnBytes(int nColumn) const;

private:
    void CheckBind(int nIndex, int nCode);

    CDatabase* m_pDb = nullptr;
    sqlite3_stmt* m_pStmt = nullptr;
    int m_nBindCode = 0; // the first failed Bind since the last Reset
    std::string m_strBindError;
    bool m_bWithoutCopies = false;
};

// Runs BEGIN at construction and ROLLBACK at destruction unless Commit()
// succeeded, so an early return or a failure leaves the database as it was.
class CTransaction
{
public:
    explicit CTransaction(CDatabase& db);
    ~CTransaction();
    CTransaction(const CTransaction&) = delete;
    CTransaction& operator=(const CTransaction&) = delete;

    bool IsActive() const { return m_bActive; }
    int Commit();

private:
    CDatabase& m_db;
    bool m_bActive = false;
};
