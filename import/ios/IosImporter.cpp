#include "import/ios/IosImporter.h"

#include "device/FileTimeTicks.h"
#include "device/SqliteFile.h"
#include "import/BackupWriter.h"
#include "import/ios/AttributedText.h"
#include "import/ios/BackupFolder.h"
#include "import/ios/IosMapping.h"
#include "import/ios/SourceDatabase.h"

#include <sqlite3.h>

#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

const char kHome[] = "HomeDomain";
const char kCallsPath[] = "Library/CallHistoryDB/CallHistory.storedata";
const char kMessagesPath[] = "Library/SMS/sms.db";
const char kContactsPath[] = "Library/AddressBook/AddressBook.sqlitedb";

enum class SourceKind { Unknown, Calls, Messages, Contacts, Manifest };

SourceKind KindOf(CSourceDatabase& db)
{
    if (db.HasTable("ZCALLRECORD"))
        return SourceKind::Calls;
    if (db.HasTable("message") && db.HasTable("handle"))
        return SourceKind::Messages;
    if (db.HasTable("ABPerson"))
        return SourceKind::Contacts;
    if (db.HasTable("Files"))
        return SourceKind::Manifest;
    return SourceKind::Unknown;
}

std::optional<std::string> Text(const CStatement& stmt, int nColumn)
{
    if (stmt.ColumnIsNull(nColumn))
        return std::nullopt;
    const auto* p = static_cast<const char*>(stmt.ColumnBlobData(nColumn));
    return std::string(p ? p : "", static_cast<size_t>(stmt.ColumnBytes(nColumn)));
}

std::optional<double> Real(const CStatement& stmt, int nColumn)
{
    int nType = stmt.ColumnType(nColumn);
    if (nType != SQLITE_INTEGER && nType != SQLITE_FLOAT)
        return std::nullopt;
    return stmt.ColumnDouble(nColumn);
}

std::string Expr(CSourceDatabase& db, const char* pszTable, const char* pszAlias, const char* pszColumn,
                 const char* pszDefault = "NULL")
{
    return db.HasColumn(pszTable, pszColumn) ? std::string(pszAlias) + "." + pszColumn : std::string(pszDefault);
}

// Whether a value is larger than any real record; such a record is left out.
bool Oversize(const CStatement& stmt, int nColumn)
{
    return static_cast<size_t>(stmt.ColumnBytes(nColumn)) > kMostRecordBytes;
}

} // namespace

CIosImporter::CIosImporter(CDeviceStore& store)
    : m_store(store)
{}

bool CIosImporter::Recognises(const std::string& strPath)
{
    return CBackupFolder::IsFolder(strPath) || IsSqliteHeader(ReadFileStart(strPath, 16));
}

bool CIosImporter::IsAddressBook(const std::string& strPath)
{
    if (!IsSqliteHeader(ReadFileStart(strPath, 16)))
        return false;
    CSourceDatabase db;
    return db.Open(strPath) == 0 && KindOf(db) == SourceKind::Contacts;
}

int CIosImporter::FailFrom(CSourceDatabase& db)
{
    m_strError = db.ErrorText();
    return -1;
}

int CIosImporter::FailRead(CSourceDatabase& db)
{
    db.FailFromDatabase();
    return FailFrom(db);
}

int CIosImporter::ImportPath(const std::string& strPath, const ImportOptions& options, ImportReport* pReport)
{
    *pReport = ImportReport {};
    m_strError.clear();
    if (CBackupFolder::IsFolder(strPath))
        return ImportFolder(strPath, options, pReport);
    return ImportDatabase(strPath, pReport);
}

int CIosImporter::ImportFolder(const std::string& strPath, const ImportOptions& options, ImportReport* pReport)
{
    pReport->kind = BackupKind::IosBackup;
    CBackupFolder folder;
    if (folder.Open(strPath, &pReport->ios, options) != 0) {
        m_strError = folder.ErrorText();
        return -1;
    }
    m_names.SetRegion(!m_strRegion.empty() ? m_strRegion : RegionOfNumber(pReport->ios.strPhoneNumber));

    // Every database is opened and known before anything is written, so that
    // a damaged or foreign one is named up front.
    struct Source {
        const char* pszPath;
        SourceKind kind;
        CSourceDatabase db;
        bool bPresent = false;
    };
    Source sources[] = {{kContactsPath, SourceKind::Contacts, {}},
                        {kCallsPath, SourceKind::Calls, {}},
                        {kMessagesPath, SourceKind::Messages, {}}};
    for (Source& source : sources) {
        int nFailed = 0;
        std::optional<std::string> strFile = folder.Locate(kHome, source.pszPath, &nFailed);
        if (nFailed) {
            m_strError = folder.ErrorText();
            return -1;
        }
        if (!strFile) {
            pReport->ios.missing.push_back(source.pszPath);
            continue;
        }
        if (source.db.Open(*strFile, folder.NameOf(*strFile)) != 0)
            return FailFrom(source.db);
        if (KindOf(source.db) != source.kind) {
            m_strError = folder.NameOf(*strFile) + " (" + source.pszPath +
                         "): not the database that the backup names it" + (folder.IsEncrypted() ? ", or damaged" : "");
            return -1;
        }
        source.bPresent = true;
    }
    if (pReport->ios.missing.size() == std::size(sources)) {
        m_strError = strPath + ": the backup holds no call history, messages or address book";
        return -1;
    }

    CBackupWriter writer(m_store);
    if (writer.Begin() != 0)
        return FailFrom(strPath, writer);
    for (Source& source : sources) {
        if (!source.bPresent)
            continue;
        int nResult = 0;
        switch (source.kind) {
        case SourceKind::Contacts:
            nResult = ReadContacts(source.db, pReport);
            break;
        case SourceKind::Calls:
            nResult = ReadCalls(source.db, writer, pReport);
            break;
        case SourceKind::Messages:
            nResult = ReadMessages(source.db, writer, pReport);
            break;
        default:
            break;
        }
        if (nResult != 0)
            return -1;
    }
    if (writer.Commit() != 0)
        return FailFrom(strPath, writer);
    return 0;
}

int CIosImporter::ImportDatabase(const std::string& strPath, ImportReport* pReport)
{
    CSourceDatabase db;
    if (db.Open(strPath) != 0)
        return FailFrom(db);
    if (!m_strRegion.empty())
        m_names.SetRegion(m_strRegion);
    SourceKind kind = KindOf(db);
    switch (kind) {
    case SourceKind::Manifest:
        m_strError = strPath + ": the manifest of a backup; give the backup's folder instead";
        return -1;
    case SourceKind::Unknown:
        m_strError = strPath + ": an SQLite database that is no iPhone call history, messages or address book "
                               "(it has no table ZCALLRECORD, message or ABPerson)";
        return -1;
    case SourceKind::Contacts:
        pReport->kind = BackupKind::IosContacts;
        return ReadContacts(db, pReport);
    default:
        break;
    }
    pReport->kind = kind == SourceKind::Calls ? BackupKind::IosCalls : BackupKind::IosMessages;
    CBackupWriter writer(m_store);
    if (writer.Begin() != 0)
        return FailFrom(strPath, writer);
    int nResult = kind == SourceKind::Calls ? ReadCalls(db, writer, pReport) : ReadMessages(db, writer, pReport);
    if (nResult != 0)
        return -1;
    if (writer.Commit() != 0)
        return FailFrom(strPath, writer);
    return 0;
}

int CIosImporter::FailFrom(const std::string& strWhere, const CBackupWriter& writer)
{
    m_strError = strWhere + ": " + writer.ErrorText();
    return -1;
}

int CIosImporter::ReadContacts(CSourceDatabase& db, ImportReport* pReport)
{
    if (db.Require("ABPerson", {"First", "Last", "Organization"}) != 0 ||
        db.Require("ABMultiValue", {"record_id", "property", "value"}) != 0)
        return FailFrom(db);
    // Property 3 holds phone numbers, 4 e-mail addresses.
    CStatement stmt(db.Database(), "SELECT v.value, p.First, p.Last, p.Organization FROM ABMultiValue v "
                                   "JOIN ABPerson p ON p.ROWID = v.record_id WHERE v.property IN (3, 4) "
                                   "ORDER BY v.ROWID");
    if (!stmt.IsValid())
        return FailRead(db);
    int nStep;
    while ((nStep = stmt.Step()) == SQLITE_ROW) {
        if (Oversize(stmt, 0) || Oversize(stmt, 1) || Oversize(stmt, 2) || Oversize(stmt, 3))
            continue;
        std::optional<std::string> strValue = Text(stmt, 0);
        std::string strFirst = Text(stmt, 1).value_or("");
        std::string strLast = Text(stmt, 2).value_or("");
        std::string strName = strFirst.empty() ? strLast : strLast.empty() ? strFirst : strFirst + " " + strLast;
        if (strName.empty())
            strName = Text(stmt, 3).value_or("");
        if (!strValue || strName.empty() || !IsUtf8(strName) || !IsUtf8(*strValue))
            continue;
        m_names.Add(*strValue, strName);
    }
    if (nStep != SQLITE_DONE)
        return FailRead(db);
    std::optional<int64_t> nPeople = db.Database().QueryInt("SELECT count(*) FROM ABPerson");
    if (!nPeople)
        return FailRead(db);
    pReport->ios.nContacts += *nPeople;
    return 0;
}

int CIosImporter::ReadCalls(CSourceDatabase& db, CBackupWriter& writer, ImportReport* pReport)
{
    if (db.Require("ZCALLRECORD", {"ZDATE", "ZDURATION", "ZORIGINATED", "ZANSWERED", "ZADDRESS"}) != 0)
        return FailFrom(db);
    std::string strSql = "SELECT c.ZDATE, c.ZDURATION, c.ZORIGINATED, c.ZANSWERED, c.ZADDRESS, " +
                         Expr(db, "ZCALLRECORD", "c", "ZNAME") + ", " + Expr(db, "ZCALLRECORD", "c", "ZCALLTYPE") +
                         ", " + Expr(db, "ZCALLRECORD", "c", "ZSERVICE_PROVIDER") + ", " +
                         Expr(db, "ZCALLRECORD", "c", "ZUNIQUE_ID") + " FROM ZCALLRECORD c ORDER BY c.ROWID";
    CStatement stmt(db.Database(), strSql.c_str());
    if (!stmt.IsValid())
        return FailRead(db);
    NameLookup names = [this](std::string_view str) { return m_names.Find(str); };
    int nStep;
    while ((nStep = stmt.Step()) == SQLITE_ROW) {
        ++pReport->calls.nRead;
        if (Oversize(stmt, 4) || Oversize(stmt, 5) || Oversize(stmt, 7) || Oversize(stmt, 8)) {
            ++pReport->calls.nOversize;
            continue;
        }
        IosCallRow row;
        row.dDate = Real(stmt, 0);
        row.dDuration = Real(stmt, 1).value_or(0);
        row.bOriginated = stmt.ColumnInt(2) == 1;
        row.bAnswered = stmt.ColumnInt(3) != 0;
        row.strAddress = Text(stmt, 4);
        row.strName = Text(stmt, 5);
        if (!stmt.ColumnIsNull(6))
            row.nCallType = stmt.ColumnInt(6);
        row.strProvider = Text(stmt, 7);
        row.strUniqueId = Text(stmt, 8);
        std::optional<IosCall> call = CallFromIos(std::move(row), names);
        if (!call) {
            ++pReport->calls.nUndated;
            continue;
        }
        if (writer.WriteCall(call->call, call->key, &pReport->calls) != 0)
            return FailFrom(db.Path(), writer);
    }
    if (nStep != SQLITE_DONE)
        return FailRead(db);
    return 0;
}

int CIosImporter::RepeatsAndroidMessage(const BackupMessage& message)
{
    int64_t nType = message.key.nType;
    if ((nType != 1 && nType != 2) || !message.message.nDeliveryTime)
        return 0;
    // Most stores hold no Android SMS at all; one look per source spares
    // each message its query.
    if (!m_bHasAndroidSms) {
        std::optional<int64_t> nHas =
            m_store.Database().QueryInt("SELECT EXISTS (SELECT 1 FROM message WHERE backup_kind = 'sms')");
        if (!nHas)
            return -1;
        m_bHasAndroidSms = *nHas != 0;
    }
    if (!*m_bHasAndroidSms)
        return 0;
    if (!m_androidTwin.IsValid() &&
        m_androidTwin.Prepare(m_store.Database(),
                              "SELECT backup_address FROM message WHERE backup_kind = 'sms' AND backup_type = ?1 AND "
                              "delivery_time > ?2 AND delivery_time < ?3 AND coalesce(body, '') = ?4") != SQLITE_OK)
        return -1;
    int64_t nTime = *message.message.nDeliveryTime;
    m_androidTwin.Reset();
    m_androidTwin.BindInt(1, nType);
    m_androidTwin.BindInt(2, nTime - kTicksPerSecond);
    m_androidTwin.BindInt(3, nTime + kTicksPerSecond);
    m_androidTwin.BindText(4, std::string_view(message.message.strBody.value_or("")));
    int nStep;
    int nResult = 0;
    while (nResult == 0 && (nStep = m_androidTwin.Step()) == SQLITE_ROW) {
        std::optional<std::string_view> strAddress = m_androidTwin.ColumnTextView(0);
        if (strAddress && SameParty(*strAddress, message.key.strAddress, m_names))
            nResult = 1;
    }
    if (nResult == 0 && nStep != SQLITE_DONE)
        nResult = -1;
    m_androidTwin.Reset();
    return nResult;
}

int CIosImporter::ReadMessages(CSourceDatabase& db, CBackupWriter& writer, ImportReport* pReport)
{
    m_bHasAndroidSms.reset();
    if (db.Require("message", {"text", "handle_id", "date", "is_from_me"}) != 0 || db.Require("handle", {"id"}) != 0)
        return FailFrom(db);
    bool bChats = db.HasTable("chat_message_join") && db.HasColumn("chat_message_join", "chat_id") &&
                  db.HasColumn("chat_message_join", "message_id");
    bool bMembers = db.HasTable("chat_handle_join") && db.HasColumn("chat_handle_join", "chat_id") &&
                    db.HasColumn("chat_handle_join", "handle_id");

    // The members of every chat, read once; a message finds its chat by the
    // join below, sorted once, so that the cost stays linear.
    std::unordered_map<int64_t, std::vector<std::string>> members;
    std::unordered_map<int64_t, bool> cut;
    if (bMembers) {
        CStatement stmt(db.Database(), "SELECT j.chat_id, h.id FROM chat_handle_join j JOIN handle h "
                                       "ON h.ROWID = j.handle_id ORDER BY j.chat_id, j.ROWID");
        if (!stmt.IsValid())
            return FailRead(db);
        int nStep;
        while ((nStep = stmt.Step()) == SQLITE_ROW) {
            std::vector<std::string>& list = members[stmt.ColumnInt(0)];
            std::optional<std::string> strId = Text(stmt, 1);
            if (!strId || strId->empty() || Oversize(stmt, 1))
                continue;
            if (list.size() >= kMostRecipients) {
                cut[stmt.ColumnInt(0)] = true;
                continue;
            }
            list.push_back(std::move(*strId));
        }
        if (nStep != SQLITE_DONE)
            return FailRead(db);
    }

    std::string strSql =
        "SELECT " + Expr(db, "message", "m", "guid") + ", m.text, " + Expr(db, "message", "m", "attributedBody") +
        ", " + Expr(db, "message", "m", "service") + ", m.date, m.is_from_me, " +
        Expr(db, "message", "m", "is_sent", "1") + ", " + Expr(db, "message", "m", "error", "0") + ", " +
        Expr(db, "message", "m", "item_type", "0") + ", " + Expr(db, "message", "m", "associated_message_type", "0") +
        ", h.id, " + (bChats ? "c.chat_id" : "NULL") + " FROM message m LEFT JOIN handle h ON h.ROWID = m.handle_id " +
        (bChats ? "LEFT JOIN (SELECT message_id, min(chat_id) AS chat_id FROM chat_message_join GROUP BY message_id) "
                  "c ON c.message_id = m.ROWID "
                : "") +
        "ORDER BY m.ROWID";
    CStatement stmt(db.Database(), strSql.c_str());
    if (!stmt.IsValid())
        return FailRead(db);
    NameLookup names = [this](std::string_view str) { return m_names.Find(str); };
    int nStep;
    while ((nStep = stmt.Step()) == SQLITE_ROW) {
        IosMessageRow row;
        row.nItemType = stmt.ColumnInt(8);
        row.nAssociatedType = stmt.ColumnInt(9);
        row.strService = Text(stmt, 3);
        std::string strStore = StoreForService(row.strService);
        ImportCounts* pCounts = strStore == "SMS" ? &pReport->sms : &pReport->ios.stores[strStore];
        if (row.nAssociatedType != 0) {
            ++pReport->ios.nReactions;
            continue;
        }
        if (row.nItemType != 0) {
            ++pReport->ios.nGroupEvents;
            continue;
        }
        ++pCounts->nRead;
        if (Oversize(stmt, 0) || Oversize(stmt, 1) || Oversize(stmt, 2) || Oversize(stmt, 10)) {
            ++pCounts->nOversize;
            continue;
        }
        row.strGuid = Text(stmt, 0);
        row.strText = Text(stmt, 1);
        if (row.strText && !IsUtf8(*row.strText))
            row.strText.reset();
        if (!row.strText || row.strText->empty()) {
            const auto* pBody = static_cast<const uint8_t*>(stmt.ColumnBlobData(2));
            size_t cbBody = static_cast<size_t>(stmt.ColumnBytes(2));
            if (pBody && cbBody > 0) {
                row.strBodyText = TextFromAttributedBody(std::span<const uint8_t>(pBody, cbBody));
                if (!row.strBodyText)
                    ++pReport->ios.nUnreadableText;
            }
        }
        if (stmt.ColumnType(4) == SQLITE_INTEGER)
            row.date.nValue = stmt.ColumnInt(4);
        else
            row.date.dValue = Real(stmt, 4);
        row.bFromMe = stmt.ColumnInt(5) != 0;
        row.bSent = stmt.ColumnInt(6) != 0;
        row.nError = stmt.ColumnInt(7);
        row.strHandle = Text(stmt, 10);
        if (row.bFromMe && !stmt.ColumnIsNull(11)) {
            int64_t nChat = stmt.ColumnInt(11);
            if (auto found = members.find(nChat); found != members.end())
                row.chatMembers = found->second;
            if (cut.count(nChat))
                ++pReport->ios.nRecipientsCut;
        }
        IosMessage message = MessageFromIos(std::move(row), names);
        if (message.fate == IosMessageFate::Undated) {
            ++pCounts->nUndated;
            continue;
        }
        int nAndroid = RepeatsAndroidMessage(message.message);
        if (nAndroid < 0) {
            m_strError = db.Path() + ": cannot read the device store: " + m_store.Database().LastError();
            return -1;
        }
        if (nAndroid > 0) {
            ++pCounts->nDuplicates;
            ++pReport->ios.nAndroidDuplicates;
            continue;
        }
        message.message.pszStore = message.strStore.c_str();
        if (writer.WriteMessage(std::move(message.message), pCounts) != 0)
            return FailFrom(db.Path(), writer);
    }
    if (nStep != SQLITE_DONE)
        return FailRead(db);
    return 0;
}
