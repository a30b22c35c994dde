#include "import/android/BackupImporter.h"

#include "import/android/BackupFormat.h"
#include "import/android/BackupSchema.h"
#include "import/android/ReferenceFilter.h"

#include <QByteArray>
#include <QXmlStreamReader>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr size_t kChunkBytes = size_t(1) << 20;
// The writer's page cache: enough for the key indexes of a large store to
// stay in memory, and a fixed bound whatever the file's size.
const char kCacheSql[] = "PRAGMA cache_size = -32768";
// Addresses known as the owner's; a phone has only a few.
constexpr size_t kMaxOwnerAddresses = 8;
constexpr int kAddressFrom = 137;
constexpr int kAddressTo = 151;
constexpr int kAddressCc = 130;
constexpr int kAddressBcc = 129;
// The placeholder that an MMS carries for the phone's own number.
constexpr std::string_view kOwnAddressToken = "insert-address-token";

std::string Utf8(QStringView str)
{
    return str.toUtf8().toStdString();
}

int64_t ToInt(QStringView str, bool* pOk = nullptr)
{
    bool bOk = false;
    int64_t nValue = str.trimmed().toLongLong(&bOk);
    if (pOk)
        *pOk = bOk;
    return bOk ? nValue : 0;
}

std::optional<std::string> Optional(std::string str)
{
    if (str.empty())
        return std::nullopt;
    return str;
}

struct CallRecord {
    std::optional<int64_t> start;
    int64_t nDuration = 0;
    int64_t nType = 0;
    int64_t nPresentation = 0;
    std::string strNumber;
    std::string strName;
};

struct SmsRecord {
    std::optional<int64_t> time;
    int64_t nType = 0;
    std::string strAddress;
    std::string strName;
    std::optional<std::string> body;
    std::string strSubject;
};

struct MmsAddress {
    int nType = 0;
    std::string strAddress;
};

struct MmsRecord {
    std::optional<int64_t> time;
    int64_t nBox = 0;
    std::string strId;
    std::string strSubject;
    std::string strAddress; // the record's own address attribute
    std::string strName;
    std::optional<std::string> text;
    std::vector<MmsAddress> addresses;
};

enum class Record { None, Call, Sms, Mms };

// The work on one file: the parser, the statements and what was read.
class CImportRun
{
public:
    CImportRun(CDeviceStore& store, const std::string& strPath, const ImportOptions& options, ImportReport& report)
        : m_store(store)
        , m_db(store.Database())
        , m_strPath(strPath)
        , m_options(options)
        , m_report(report)
    {
    }

    int Run();
    const std::string& ErrorText() const { return m_strError; }

private:
    int Prepare();
    int ReadFile(int fd);
    int Parse();
    int OnStart();
    int OnEnd();
    void ReadCall();
    void ReadSms();
    void ReadMms();
    void ReadPart();
    void ReadAddress();
    int StoreCall();
    int StoreSms();
    int StoreMms();
    int InsertMessage(int64_t nFolder, const std::optional<std::string>& sender, const std::optional<std::string>& subject,
                      int64_t nTime, const std::optional<std::string>& body, const char* pszKind, int64_t nType,
                      const std::string& strAddress, const std::optional<std::string>& id,
                      const std::vector<DeviceRecipient>& recipients, ImportCounts& counts);
    int64_t FolderFor(const char* pszStore, const char* pszRole);
    bool IsOwnerAddress(std::string_view strAddress) const;
    void LearnOwnerAddress(const std::string& strAddress);
    int Fail(std::string strText);
    int FailStore();
    int FailXml();

    CDeviceStore& m_store;
    CDatabase& m_db;
    const std::string& m_strPath;
    const ImportOptions& m_options;
    ImportReport& m_report;
    std::string m_strError;

    CReferenceFilter m_filter;
    QXmlStreamReader m_reader;
    int m_nDepth = 0;
    int m_nSkipDepth = 0; // inside an element that is left out, from this depth
    bool m_bRootSeen = false;
    bool m_bEnded = false;

    CStatement m_insertCall;
    CStatement m_insertMessage;
    CStatement m_insertRecipient;
    std::map<std::string, int64_t> m_folders;
    std::vector<std::string> m_ownerAddresses;

    Record m_record = Record::None;
    CallRecord m_call;
    SmsRecord m_sms;
    MmsRecord m_mms;
};

int CImportRun::Fail(std::string strText)
{
    m_strError = m_strPath + ": " + std::move(strText);
    return -1;
}

int CImportRun::FailStore()
{
    return Fail("cannot write the device store: " + m_db.LastError());
}

int CImportRun::FailXml()
{
    int64_t nLine = m_reader.lineNumber();
    int64_t nColumn = m_filter.InputColumnAt(nLine, m_reader.columnNumber());
    return Fail("not well-formed XML at line " + std::to_string(nLine) + ", column " + std::to_string(nColumn) +
                ": " + m_reader.errorString().toStdString());
}

int CImportRun::Run()
{
    int fd = ::open(m_strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Fail(std::string("cannot be opened: ") + std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return Fail("is a folder, not a backup file");
    }
    m_report.nFileBytes = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    m_db.Exec(kCacheSql);
    CTransaction tx(m_db);
    if (!tx.IsActive()) {
        ::close(fd);
        return Fail("cannot write the device store: " + m_db.LastError());
    }
    int nResult = Prepare();
    if (nResult == 0)
        nResult = ReadFile(fd);
    ::close(fd);
    if (nResult != 0)
        return -1;
    if (tx.Commit() != SQLITE_OK)
        return FailStore();
    return 0;
}

int CImportRun::Prepare()
{
    if (UpgradeBackupSchema(m_db) != 0)
        return FailStore();
    m_insertCall.Prepare(m_db, "INSERT OR IGNORE INTO calllog (start_time, end_time, iom, flags, cidt, number, name, "
                               "backup_type) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    m_insertMessage.Prepare(m_db, "INSERT OR IGNORE INTO message (folder_id, sender_name, subject, delivery_time, "
                                  "body, backup_kind, backup_type, backup_address, backup_id) "
                                  "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    m_insertRecipient.Prepare(m_db, "INSERT INTO recipient (message_id, position, display_name, email_address) "
                                    "VALUES (?1, ?2, ?3, ?4)");
    if (!m_insertCall.IsValid() || !m_insertMessage.IsValid() || !m_insertRecipient.IsValid())
        return FailStore();
    return 0;
}

int CImportRun::ReadFile(int fd)
{
    std::vector<char> buffer(kChunkBytes);
    std::string strFiltered;
    strFiltered.reserve(kChunkBytes + 4096);
    uint64_t nDone = 0;
    bool bFirst = true;
    while (!m_bEnded) {
        ssize_t nRead = ::read(fd, buffer.data(), buffer.size());
        if (nRead < 0) {
            if (errno == EINTR)
                continue;
            return Fail(std::string("cannot be read: ") + std::strerror(errno));
        }
        strFiltered.clear();
        if (nRead == 0) {
            m_filter.Finish(strFiltered);
        } else {
            if (bFirst) {
                bFirst = false;
                auto b0 = static_cast<unsigned char>(buffer[0]);
                auto b1 = nRead > 1 ? static_cast<unsigned char>(buffer[1]) : 0;
                if ((b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF) || b0 == 0 || b1 == 0)
                    return Fail("is encoded in UTF-16; only UTF-8 backup files can be read");
            }
            m_filter.Feed(buffer.data(), static_cast<size_t>(nRead), strFiltered);
            nDone += static_cast<uint64_t>(nRead);
        }
        if (m_filter.HasDocType())
            return Fail("refused: it has a document type declaration (line " +
                        std::to_string(m_filter.DocTypeLine()) + "), which backup files never have");
        if (!strFiltered.empty())
            m_reader.addData(QByteArray(strFiltered.data(), static_cast<qsizetype>(strFiltered.size())));
        if (Parse() != 0)
            return -1;
        if (m_options.pfnProgress && nRead > 0)
            m_options.pfnProgress(nDone, m_report.nFileBytes);
        if (nRead == 0)
            break;
    }

    m_report.nLoneHalves = m_filter.LoneHalves();
    m_report.nInvalidReferences = m_filter.InvalidReferences();
    m_report.nDroppedControls = m_filter.DroppedControls();
    m_report.nMediaBytes = m_filter.StrippedBytes();
    if (m_bEnded)
        return 0;
    if (nDone == 0)
        return Fail("is empty; not a calls or messages backup");
    if (!m_bRootSeen)
        return Fail("has no root element; not a calls or messages backup");

    int64_t nLine = m_filter.InputLine(), nColumn = m_filter.InputColumn();
    std::string strWhere = "line " + std::to_string(nLine) + ", column " + std::to_string(nColumn);
    int64_t nComplete = m_report.CompleteRecords();
    if (!m_options.bSalvage)
        return Fail("truncated at " + strWhere + " (the file breaks off before its end); " +
                    std::to_string(nComplete) + " complete records before it; nothing imported (--salvage " +
                    "imports the complete records)");
    m_report.bTruncated = true;
    m_report.nBreakLine = nLine;
    m_report.nBreakColumn = nColumn;
    return 0;
}

int CImportRun::Parse()
{
    while (!m_bEnded) {
        switch (m_reader.readNext()) {
        case QXmlStreamReader::Invalid:
            if (m_reader.error() == QXmlStreamReader::PrematureEndOfDocumentError)
                return 0;
            return FailXml();
        case QXmlStreamReader::DTD:
            return Fail("refused: it has a document type declaration (line " +
                        std::to_string(m_reader.lineNumber()) + "), which backup files never have");
        case QXmlStreamReader::StartElement:
            if (OnStart() != 0)
                return -1;
            break;
        case QXmlStreamReader::EndElement:
            if (OnEnd() != 0)
                return -1;
            break;
        case QXmlStreamReader::EndDocument:
            m_bEnded = true;
            break;
        default:
            break;
        }
    }
    return 0;
}

int CImportRun::OnStart()
{
    ++m_nDepth;
    if (m_nSkipDepth)
        return 0;
    QStringView name = m_reader.name();
    if (m_nDepth == 1) {
        m_bRootSeen = true;
        if (name == u"calls")
            m_report.kind = BackupKind::Calls;
        else if (name == u"smses")
            m_report.kind = BackupKind::Messages;
        else
            return Fail("not a calls or messages backup (its root element is <" + Utf8(name) + ">)");
        return 0;
    }
    if (m_nDepth == 2) {
        if (name == u"call") {
            ReadCall();
        } else if (name == u"sms") {
            ReadSms();
        } else if (name == u"mms") {
            ReadMms();
        } else {
            ++m_report.nOtherElements;
            m_nSkipDepth = m_nDepth;
        }
        return 0;
    }
    if (m_record == Record::Mms && m_nDepth == 4) {
        if (name == u"part")
            ReadPart();
        else if (name == u"addr")
            ReadAddress();
    }
    return 0;
}

int CImportRun::OnEnd()
{
    int nDepth = m_nDepth--;
    if (m_nSkipDepth) {
        if (nDepth == m_nSkipDepth)
            m_nSkipDepth = 0;
        return 0;
    }
    if (nDepth != 2)
        return 0;
    Record record = std::exchange(m_record, Record::None);
    switch (record) {
    case Record::Call: return StoreCall();
    case Record::Sms: return StoreSms();
    case Record::Mms: return StoreMms();
    case Record::None: break;
    }
    return 0;
}

void CImportRun::ReadCall()
{
    m_record = Record::Call;
    m_call = CallRecord {};
    for (const QXmlStreamAttribute& attribute : m_reader.attributes()) {
        QStringView name = attribute.name(), value = attribute.value();
        if (name == u"number") {
            m_call.strNumber = Utf8(value);
        } else if (name == u"duration") {
            m_call.nDuration = ToInt(value);
        } else if (name == u"date") {
            bool bOk = false;
            int64_t nDate = ToInt(value, &bOk);
            m_call.start = bOk ? BackupDateTicks(nDate, false) : std::nullopt;
        } else if (name == u"type") {
            m_call.nType = ToInt(value);
        } else if (name == u"presentation") {
            m_call.nPresentation = ToInt(value);
        } else if (name == u"contact_name") {
            m_call.strName = Utf8(value);
        }
    }
}

void CImportRun::ReadSms()
{
    m_record = Record::Sms;
    m_sms = SmsRecord {};
    for (const QXmlStreamAttribute& attribute : m_reader.attributes()) {
        QStringView name = attribute.name(), value = attribute.value();
        if (name == u"address") {
            m_sms.strAddress = Utf8(value);
        } else if (name == u"date") {
            bool bOk = false;
            int64_t nDate = ToInt(value, &bOk);
            m_sms.time = bOk ? BackupDateTicks(nDate, false) : std::nullopt;
        } else if (name == u"type") {
            m_sms.nType = ToInt(value);
        } else if (name == u"body") {
            m_sms.body = Utf8(value);
        } else if (name == u"contact_name") {
            m_sms.strName = Utf8(value);
        } else if (name == u"subject") {
            m_sms.strSubject = Utf8(value);
        }
    }
}

void CImportRun::ReadMms()
{
    m_record = Record::Mms;
    m_mms = MmsRecord {};
    for (const QXmlStreamAttribute& attribute : m_reader.attributes()) {
        QStringView name = attribute.name(), value = attribute.value();
        if (name == u"date") {
            bool bOk = false;
            int64_t nDate = ToInt(value, &bOk);
            m_mms.time = bOk ? BackupDateTicks(nDate, true) : std::nullopt;
        } else if (name == u"msg_box") {
            m_mms.nBox = ToInt(value);
        } else if (name == u"m_id") {
            m_mms.strId = Utf8(value);
        } else if (name == u"sub") {
            m_mms.strSubject = Utf8(value);
        } else if (name == u"address") {
            m_mms.strAddress = Utf8(value);
        } else if (name == u"contact_name") {
            m_mms.strName = Utf8(value);
        }
    }
}

void CImportRun::ReadPart()
{
    QXmlStreamAttributes attributes = m_reader.attributes();
    QStringView type = attributes.value(QLatin1StringView("ct"));
    if (type.compare(u"text/plain", Qt::CaseInsensitive) == 0) {
        QStringView text = attributes.value(QLatin1StringView("text"));
        if (!attributes.hasAttribute(QLatin1StringView("text")) || text == u"null")
            return;
        if (m_mms.text)
            *m_mms.text += '\n';
        else
            m_mms.text.emplace();
        *m_mms.text += Utf8(text);
    } else if (type.compare(u"application/smil", Qt::CaseInsensitive) != 0) {
        // The slide layout carries nothing of the message; everything else is media.
        ++m_report.nMediaParts;
    }
}

void CImportRun::ReadAddress()
{
    QXmlStreamAttributes attributes = m_reader.attributes();
    MmsAddress address;
    address.nType = static_cast<int>(ToInt(attributes.value(QLatin1StringView("type"))));
    address.strAddress = Utf8(attributes.value(QLatin1StringView("address")));
    m_mms.addresses.push_back(std::move(address));
}

int CImportRun::StoreCall()
{
    ImportCounts& counts = m_report.calls;
    ++counts.nRead;
    if (!m_call.start) {
        ++counts.nUndated;
        return 0;
    }
    int64_t nDuration = std::clamp<int64_t>(m_call.nDuration, 0, 1000000000);
    m_insertCall.Reset();
    m_insertCall.BindInt(1, *m_call.start);
    m_insertCall.BindInt(2, *m_call.start + nDuration * kTicksPerSecond);
    m_insertCall.BindInt(3, CallIomFromType(m_call.nType));
    m_insertCall.BindInt(4, CallFlagsFromType(m_call.nType, nDuration));
    m_insertCall.BindInt(5, CallerIdFromPresentation(m_call.nPresentation));
    m_insertCall.BindText(6, Optional(std::move(m_call.strNumber)));
    if (IsKnownContactName(m_call.strName))
        m_insertCall.BindText(7, std::string_view(m_call.strName));
    m_insertCall.BindInt(8, m_call.nType);
    if (m_insertCall.Step() != SQLITE_DONE)
        return FailStore();
    if (sqlite3_changes(m_db.Handle()) > 0)
        ++counts.nAdded;
    else
        ++counts.nDuplicates;
    return 0;
}

int CImportRun::StoreSms()
{
    ImportCounts& counts = m_report.sms;
    ++counts.nRead;
    if (!m_sms.time) {
        ++counts.nUndated;
        return 0;
    }
    const char* pszRole = FolderRoleFromType(m_sms.nType);
    int64_t nFolder = FolderFor("SMS", pszRole);
    if (nFolder < 0)
        return FailStore();
    std::optional<std::string> sender;
    std::vector<DeviceRecipient> recipients;
    std::string_view strRole(pszRole);
    if (strRole == "inbox" || strRole == "other") {
        if (IsKnownContactName(m_sms.strName))
            sender = m_sms.strName;
        else
            sender = Optional(m_sms.strAddress);
    } else {
        std::vector<std::string> addresses = SplitAddresses(m_sms.strAddress);
        recipients = RecipientsFor(addresses, ContactNamesFor(m_sms.strName, addresses.size()));
    }
    std::optional<std::string> subject;
    if (!IsNullText(m_sms.strSubject))
        subject = m_sms.strSubject;
    return InsertMessage(nFolder, sender, subject, *m_sms.time, m_sms.body, "sms", m_sms.nType, m_sms.strAddress,
                         std::nullopt, recipients, counts);
}

int CImportRun::StoreMms()
{
    ImportCounts& counts = m_report.mms;
    ++counts.nRead;
    if (!m_mms.time) {
        ++counts.nUndated;
        return 0;
    }
    const char* pszRole = FolderRoleFromType(m_mms.nBox);
    bool bIncoming = std::string_view(pszRole) == "inbox";

    // Names come with the record's own address list, in the same order.
    std::vector<std::string> named = SplitAddresses(m_mms.strAddress);
    std::vector<std::optional<std::string>> names = ContactNamesFor(m_mms.strName, named.size());
    auto nameOf = [&](const std::string& strAddress) -> std::optional<std::string> {
        for (size_t i = 0; i < named.size(); ++i) {
            if (names[i] && IsSameAddress(named[i], strAddress))
                return names[i];
        }
        return std::nullopt;
    };

    std::string strKeyAddresses;
    std::optional<std::string> from;
    std::vector<std::string> to;
    for (const MmsAddress& address : m_mms.addresses) {
        if (!strKeyAddresses.empty())
            strKeyAddresses += '~';
        strKeyAddresses += address.strAddress;
        if (address.strAddress.empty() || IsNullText(address.strAddress))
            continue;
        if (address.nType == kAddressFrom) {
            if (!from)
                from = address.strAddress;
        } else if (address.nType == kAddressTo || address.nType == kAddressCc || address.nType == kAddressBcc) {
            to.push_back(address.strAddress);
        }
    }
    if (!from && bIncoming && !named.empty())
        from = named.front();

    // The owner's own address: the sender of what the phone sent, and the one
    // recipient of what it received alone.
    if (!bIncoming && from && *from != kOwnAddressToken)
        LearnOwnerAddress(*from);
    if (bIncoming && to.size() == 1 && to.front() != kOwnAddressToken)
        LearnOwnerAddress(to.front());
    std::vector<std::string> others;
    for (std::string& strAddress : to) {
        if (strAddress != kOwnAddressToken && !IsOwnerAddress(strAddress))
            others.push_back(std::move(strAddress));
    }

    std::optional<std::string> sender;
    if (bIncoming && from && *from != kOwnAddressToken)
        sender = nameOf(*from).value_or(*from);
    std::vector<std::optional<std::string>> otherNames;
    for (const std::string& strAddress : others)
        otherNames.push_back(nameOf(strAddress));
    std::vector<DeviceRecipient> recipients = RecipientsFor(others, otherNames);

    std::optional<std::string> subject;
    if (!IsNullText(m_mms.strSubject))
        subject = m_mms.strSubject;
    std::optional<std::string> id;
    if (!IsNullText(m_mms.strId))
        id = m_mms.strId;
    int64_t nFolder = FolderFor("MMS", pszRole);
    if (nFolder < 0)
        return FailStore();
    return InsertMessage(nFolder, sender, subject, *m_mms.time, m_mms.text, "mms", m_mms.nBox, strKeyAddresses, id,
                         recipients, counts);
}

int CImportRun::InsertMessage(int64_t nFolder, const std::optional<std::string>& sender,
                              const std::optional<std::string>& subject, int64_t nTime,
                              const std::optional<std::string>& body, const char* pszKind, int64_t nType,
                              const std::string& strAddress, const std::optional<std::string>& id,
                              const std::vector<DeviceRecipient>& recipients, ImportCounts& counts)
{
    m_insertMessage.Reset();
    m_insertMessage.BindInt(1, nFolder);
    m_insertMessage.BindText(2, sender);
    m_insertMessage.BindText(3, subject);
    m_insertMessage.BindInt(4, nTime);
    m_insertMessage.BindText(5, body);
    m_insertMessage.BindText(6, std::string_view(pszKind));
    m_insertMessage.BindInt(7, nType);
    m_insertMessage.BindText(8, std::string_view(strAddress));
    m_insertMessage.BindText(9, id);
    if (m_insertMessage.Step() != SQLITE_DONE)
        return FailStore();
    if (sqlite3_changes(m_db.Handle()) == 0) {
        ++counts.nDuplicates;
        return 0;
    }
    ++counts.nAdded;
    int64_t nMessage = sqlite3_last_insert_rowid(m_db.Handle());
    for (size_t i = 0; i < recipients.size(); ++i) {
        m_insertRecipient.Reset();
        m_insertRecipient.BindInt(1, nMessage);
        m_insertRecipient.BindInt(2, static_cast<int64_t>(i));
        m_insertRecipient.BindText(3, recipients[i].displayName);
        m_insertRecipient.BindText(4, recipients[i].emailAddress);
        if (m_insertRecipient.Step() != SQLITE_DONE)
            return FailStore();
    }
    return 0;
}

int64_t CImportRun::FolderFor(const char* pszStore, const char* pszRole)
{
    std::string strKey = std::string(pszStore) + '/' + pszRole;
    if (auto found = m_folders.find(strKey); found != m_folders.end())
        return found->second;
    int64_t nFolder = m_store.FindFolder(pszStore, pszRole);
    if (nFolder < 0) {
        CStatement findStore(m_db, "SELECT id FROM msgstore WHERE lower(display_name) = lower(?1) ORDER BY id LIMIT 1");
        findStore.BindText(1, std::string_view(pszStore));
        int nStep = findStore.Step();
        int64_t nStore;
        if (nStep == SQLITE_ROW)
            nStore = findStore.ColumnInt(0);
        else if (nStep == SQLITE_DONE)
            nStore = m_store.InsertStore(std::string(pszStore));
        else
            return -1;
        if (nStore < 0)
            return -1;
        nFolder = m_store.FindFolder(pszStore, pszRole);
        if (nFolder < 0) {
            CStatement addFolder(m_db, "INSERT INTO folder (store_id, role, display_name) VALUES (?1, ?2, ?3)");
            addFolder.BindInt(1, nStore);
            addFolder.BindText(2, std::string_view(pszRole));
            addFolder.BindText(3, std::string_view(FolderDisplayName(pszRole)));
            if (addFolder.Step() != SQLITE_DONE)
                return -1;
            nFolder = sqlite3_last_insert_rowid(m_db.Handle());
        }
    }
    m_folders.emplace(std::move(strKey), nFolder);
    return nFolder;
}

bool CImportRun::IsOwnerAddress(std::string_view strAddress) const
{
    for (const std::string& strOwner : m_ownerAddresses) {
        if (IsSameAddress(strOwner, strAddress))
            return true;
    }
    return false;
}

void CImportRun::LearnOwnerAddress(const std::string& strAddress)
{
    if (strAddress.empty() || IsOwnerAddress(strAddress) || m_ownerAddresses.size() >= kMaxOwnerAddresses)
        return;
    m_ownerAddresses.push_back(strAddress);
}

} // namespace

const char* BackupKindText(BackupKind kind)
{
    switch (kind) {
    case BackupKind::Calls: return "calls";
    case BackupKind::Messages: return "messages";
    case BackupKind::Unknown: break;
    }
    return "unknown";
}

CBackupImporter::CBackupImporter(CDeviceStore& store)
    : m_store(store)
{
}

int CBackupImporter::ImportFile(const std::string& strPath, const ImportOptions& options, ImportReport& report)
{
    report = ImportReport {};
    m_strError.clear();
    CImportRun run(m_store, strPath, options, report);
    if (run.Run() != 0) {
        m_strError = run.ErrorText();
        return -1;
    }
    return 0;
}
