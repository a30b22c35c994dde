#include "device/Statement.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <utility>

namespace {

std::atomic<uint64_t> g_nLocalCommits {0};

// The wait of a connection without a LockWait of its own.
constexpr int kShortWaitMs = 2000;

// Whether SQL holds a statement (a faulty one included), not only spaces and
// comments.
bool HoldsStatement(sqlite3* pDb, const char* pszSql)
{
    if (!pszSql || pszSql[std::strspn(pszSql, " \t\r\n")] == '\0')
        return false;
    sqlite3_stmt* pStmt = nullptr;
    int nCode = sqlite3_prepare_v2(pDb, pszSql, -1, &pStmt, nullptr);
    sqlite3_finalize(pStmt);
    return nCode != SQLITE_OK || pStmt != nullptr;
}

int CountCommit(void*)
{
    g_nLocalCommits.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

} // namespace

uint64_t LocalCommitCount()
{
    return g_nLocalCommits.load(std::memory_order_relaxed);
}

void NoteCommitOnRequest()
{
    g_nLocalCommits.fetch_add(1, std::memory_order_relaxed);
}

CDatabase::~CDatabase()
{
    Close();
}

int CDatabase::Open(const std::string& strPath, int nFlags)
{
    Close();
    if (strPath.rfind("file:", 0) == 0)
        nFlags |= SQLITE_OPEN_URI;
    int nCode = sqlite3_open_v2(strPath.c_str(), &m_pDb, nFlags, nullptr);
    if (nCode != SQLITE_OK) {
        SetError(nCode, m_pDb ? sqlite3_errmsg(m_pDb) : sqlite3_errstr(nCode));
        sqlite3_close_v2(m_pDb);
        m_pDb = nullptr;
        return nCode;
    }
    sqlite3_extended_result_codes(m_pDb, 1);
    // A file's own triggers and views run with the rights of whoever writes
    // or reads it; they may not call functions with side effects.
    nCode = sqlite3_db_config(m_pDb, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, static_cast<int*>(nullptr));
    if (nCode != SQLITE_OK) {
        SetError(nCode, "cannot distrust the file's schema: " + std::string(sqlite3_errstr(nCode)));
        Close();
        return nCode;
    }
    if (nFlags & SQLITE_OPEN_READWRITE)
        sqlite3_commit_hook(m_pDb, CountCommit, nullptr);
    ApplyLockWait();
    return SQLITE_OK;
}

bool CDatabase::IsImmutable() const
{
    return m_pDb && sqlite3_uri_boolean(sqlite3_db_filename(m_pDb, "main"), "immutable", 0) != 0;
}

void CDatabase::SetLockWait(std::optional<LockWait> wait)
{
    m_lockWait = std::move(wait);
    ApplyLockWait();
}

void CDatabase::ApplyLockWait()
{
    if (!m_pDb)
        return;
    if (m_lockWait)
        sqlite3_busy_handler(m_pDb, OnBusy, this);
    else
        sqlite3_busy_timeout(m_pDb, kShortWaitMs);
}

int CDatabase::OnBusy(void* pThis, int nCount)
{
    using namespace std::chrono;
    auto* pDb = static_cast<CDatabase*>(pThis);
    const LockWait& wait = *pDb->m_lockWait;
    auto now = steady_clock::now();
    if (nCount == 0) {
        pDb->m_waitStart = now;
        pDb->m_bGaveUp = false;
        if (wait.pfnWaiting)
            wait.pfnWaiting();
    }
    auto left = wait.limit - duration_cast<milliseconds>(now - pDb->m_waitStart);
    if (left <= milliseconds(0)) {
        pDb->m_bGaveUp = true;
        return 0;
    }
    // Short pauses first, for a lock held a moment; then a tenth of a second.
    static constexpr int kPausesMs[] = {1, 2, 5, 10, 20, 50, 100};
    int nPause = kPausesMs[std::min<size_t>(static_cast<size_t>(nCount), std::size(kPausesMs) - 1)];
    std::this_thread::sleep_for(std::min(left, milliseconds(nPause)));
    return 1;
}

void CDatabase::Close()
{
    if (m_pDb) {
        sqlite3_close_v2(m_pDb);
        m_pDb = nullptr;
    }
}

void CDatabase::SetError(int nCode, std::string strText)
{
    m_nCode = nCode;
    m_strError = std::move(strText);
    if (m_bGaveUp && (nCode & 0xff) == SQLITE_BUSY && m_lockWait && !m_lockWait->strGaveUp.empty())
        m_strError = m_lockWait->strGaveUp;
    m_bGaveUp = false;
}

int CDatabase::Exec(const char* pszSql)
{
    char* pszError = nullptr;
    int nCode = sqlite3_exec(m_pDb, pszSql, nullptr, nullptr, &pszError);
    if (nCode != SQLITE_OK) {
        SetError(nCode, pszError ? pszError : sqlite3_errstr(nCode));
        sqlite3_free(pszError);
    }
    return nCode;
}

std::optional<int64_t> CDatabase::QueryInt(const char* pszSql)
{
    CStatement stmt(*this, pszSql);
    if (!stmt.IsValid() || stmt.Step() != SQLITE_ROW)
        return std::nullopt;
    return stmt.ColumnInt(0);
}

CStatement::~CStatement()
{
    sqlite3_finalize(m_pStmt);
}

CStatement::CStatement(CStatement&& other) noexcept
    : m_pDb(std::exchange(other.m_pDb, nullptr))
    , m_pStmt(std::exchange(other.m_pStmt, nullptr))
    , m_nBindCode(std::exchange(other.m_nBindCode, SQLITE_OK))
    , m_strBindError(std::move(other.m_strBindError))
    , m_bWithoutCopies(other.m_bWithoutCopies)
{}

CStatement& CStatement::operator=(CStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_pStmt);
        m_pDb = std::exchange(other.m_pDb, nullptr);
        m_pStmt = std::exchange(other.m_pStmt, nullptr);
        m_nBindCode = std::exchange(other.m_nBindCode, SQLITE_OK);
        m_strBindError = std::move(other.m_strBindError);
        m_bWithoutCopies = other.m_bWithoutCopies;
    }
    return *this;
}

int CStatement::Prepare(CDatabase& db, const char* pszSql)
{
    sqlite3_finalize(m_pStmt);
    m_pStmt = nullptr;
    m_pDb = &db;
    m_nBindCode = SQLITE_OK;
    m_strBindError.clear();
    const char* pszTail = nullptr;
    int nCode = sqlite3_prepare_v2(db.Handle(), pszSql, -1, &m_pStmt, &pszTail);
    if (nCode != SQLITE_OK) {
        db.SetError(nCode, db.Handle() ? sqlite3_errmsg(db.Handle()) : sqlite3_errstr(nCode));
        sqlite3_finalize(m_pStmt);
        m_pStmt = nullptr;
        return nCode;
    }
    // Only the first statement would ever run; the rest of the SQL may hold
    // nothing but spaces and comments, which prepare to no statement.
    if (HoldsStatement(db.Handle(), pszTail)) {
        sqlite3_finalize(m_pStmt);
        m_pStmt = nullptr;
        std::string_view strRest(pszTail);
        db.SetError(SQLITE_ERROR, "more than one statement; the second begins: " +
                                      std::string(strRest.substr(strRest.find_first_not_of(" \t\r\n"), 60)));
        return SQLITE_ERROR;
    }
    return SQLITE_OK;
}

void CStatement::CheckBind(int nIndex, int nCode)
{
    if (nCode == SQLITE_OK || m_nBindCode != SQLITE_OK)
        return;
    m_nBindCode = nCode;
    m_strBindError = "cannot bind parameter " + std::to_string(nIndex) + ": " + sqlite3_errstr(nCode);
}

void CStatement::BindInt(int nIndex, int64_t nValue)
{
    CheckBind(nIndex, sqlite3_bind_int64(m_pStmt, nIndex, nValue));
}

void CStatement::BindNull(int nIndex)
{
    CheckBind(nIndex, sqlite3_bind_null(m_pStmt, nIndex));
}

void CStatement::BindText(int nIndex, std::string_view strValue)
{
    // SQLite takes a null pointer for NULL, and an empty view may hold one.
    const char* pData = strValue.data() ? strValue.data() : "";
    CheckBind(nIndex, sqlite3_bind_text64(m_pStmt, nIndex, pData, strValue.size(),
                                          m_bWithoutCopies ? SQLITE_STATIC : SQLITE_TRANSIENT, SQLITE_UTF8));
}

void CStatement::BindText(int nIndex, const std::optional<std::string>& strValue)
{
    if (strValue)
        BindText(nIndex, std::string_view(*strValue));
    else
        BindNull(nIndex);
}

void CStatement::BindBlob(int nIndex, const void* pData, int cbData)
{
    CheckBind(nIndex, sqlite3_bind_blob(m_pStmt, nIndex, pData, cbData,
                                        m_bWithoutCopies ? SQLITE_STATIC : SQLITE_TRANSIENT));
}

void CStatement::BindValue(int nIndex, const SqlValue& value)
{
    if (const auto* pnValue = std::get_if<int64_t>(&value))
        BindInt(nIndex, *pnValue);
    else if (const auto* pstrValue = std::get_if<std::string_view>(&value))
        BindText(nIndex, *pstrValue);
    else if (const auto* pBlob = std::get_if<std::span<const unsigned char>>(&value))
        BindBlob(nIndex, pBlob->data(), static_cast<int>(pBlob->size()));
    else
        BindNull(nIndex);
}

void CStatement::BindColumn(int nIndex, const CStatement& from, int nColumn)
{
    CheckBind(nIndex, sqlite3_bind_value(m_pStmt, nIndex, sqlite3_column_value(from.m_pStmt, nColumn)));
}

int CStatement::Step()
{
    if (m_nBindCode != SQLITE_OK) {
        if (m_pDb)
            m_pDb->SetError(m_nBindCode, m_strBindError);
        return m_nBindCode;
    }
    int nCode = sqlite3_step(m_pStmt);
    if (nCode != SQLITE_ROW && nCode != SQLITE_DONE && m_pDb)
        m_pDb->SetError(nCode, sqlite3_errmsg(m_pDb->Handle()));
    return nCode;
}

void CStatement::Reset()
{
    sqlite3_reset(m_pStmt);
    sqlite3_clear_bindings(m_pStmt);
    m_nBindCode = SQLITE_OK;
    m_strBindError.clear();
}

int CStatement::ColumnCount() const
{
    return sqlite3_column_count(m_pStmt);
}

int64_t CStatement::ColumnInt(int nColumn) const
{
    return sqlite3_column_int64(m_pStmt, nColumn);
}

double CStatement::ColumnDouble(int nColumn) const
{
    return sqlite3_column_double(m_pStmt, nColumn);
}

bool CStatement::ColumnIsNull(int nColumn) const
{
    return sqlite3_column_type(m_pStmt, nColumn) == SQLITE_NULL;
}

int CStatement::ColumnType(int nColumn) const
{
    return sqlite3_column_type(m_pStmt, nColumn);
}

std::optional<std::string> CStatement::ColumnText(int nColumn) const
{
    auto strView = ColumnTextView(nColumn);
    if (!strView)
        return std::nullopt;
    return std::string(*strView);
}

std::optional<std::string_view> CStatement::ColumnTextView(int nColumn) const
{
    if (ColumnIsNull(nColumn))
        return std::nullopt;
    const auto* pText = reinterpret_cast<const char*>(sqlite3_column_text(m_pStmt, nColumn));
    int cb = sqlite3_column_bytes(m_pStmt, nColumn);
    if (!pText)
        return std::string_view();
    return std::string_view(pText, static_cast<size_t>(cb));
}

const void* CStatement::ColumnBlobData(int nColumn) const
{
    return sqlite3_column_blob(m_pStmt, nColumn);
}

int CStatement::ColumnBytes(int nColumn) const
{
    return sqlite3_column_bytes(m_pStmt, nColumn);
}

std::vector<unsigned char> CStatement::ColumnBlob(int nColumn) const
{
    const auto* pData = static_cast<const unsigned char*>(sqlite3_column_blob(m_pStmt, nColumn));
    int cb = sqlite3_column_bytes(m_pStmt, nColumn);
    if (!pData || cb <= 0)
        return {};
    return std::vector<unsigned char>(pData, pData + cb);
}

CTransaction::CTransaction(CDatabase& db)
    : m_db(db)
{
    m_bActive = m_db.Exec("BEGIN IMMEDIATE") == SQLITE_OK;
}

CTransaction::~CTransaction()
{
    if (m_bActive)
        sqlite3_exec(m_db.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

int CTransaction::Commit()
{
    if (!m_bActive)
        return SQLITE_MISUSE;
    int nCode = m_db.Exec("COMMIT");
    if (nCode == SQLITE_OK)
        m_bActive = false;
    return nCode;
}
