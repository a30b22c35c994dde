#include "import/android/BackupReader.h"

#include <QByteArray>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr size_t kChunkBytes = size_t(1) << 20;

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

// A date attribute: nullopt when it is no number.
std::optional<int64_t> ToDate(QStringView str)
{
    bool bOk = false;
    int64_t nValue = ToInt(str, &bOk);
    return bOk ? std::optional<int64_t>(nValue) : std::nullopt;
}

// A UTF-16 text starts with a byte order mark, or has a zero byte in one of
// its first two bytes; a single byte is no UTF-16 at all.
bool IsUtf16(std::string_view strStart)
{
    if (strStart.size() < 2)
        return false;
    auto b0 = static_cast<unsigned char>(strStart[0]), b1 = static_cast<unsigned char>(strStart[1]);
    return (b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF) || b0 == 0 || b1 == 0;
}

// The filter and the parser each find a document type declaration; the file
// is refused the same way whichever sees it first.
std::string DocTypeRefusal(int64_t nLine)
{
    return "refused: it has a document type declaration (line " + std::to_string(nLine) +
           "), which backup files never have";
}

} // namespace

void CFileDescriptor::Reset(int fd)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

CBackupReader::CBackupReader(const std::string& strPath, const ImportOptions& options, ImportReport* pReport)
    : m_strPath(strPath)
    , m_options(options)
    , m_pReport(pReport)
{
}

int CBackupReader::Fail(std::string strText)
{
    m_strError = m_strPath + ": " + std::move(strText);
    return -1;
}

int CBackupReader::FailXml()
{
    int64_t nLine = m_reader.lineNumber();
    int64_t nColumn = m_filter.InputColumnAt(nLine, m_reader.columnNumber());
    return Fail("not well-formed XML at line " + std::to_string(nLine) + ", column " + std::to_string(nColumn) +
                ": " + m_reader.errorString().toStdString());
}

int CBackupReader::Open()
{
    m_file.Reset(::open(m_strPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (m_file.Get() < 0)
        return Fail(std::string("cannot be opened: ") + std::strerror(errno));
    struct stat st {};
    if (::fstat(m_file.Get(), &st) == 0 && S_ISDIR(st.st_mode)) {
        m_file.Reset();
        return Fail("is a folder, not a backup file");
    }
    m_pReport->nFileBytes = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
    ::posix_fadvise(m_file.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return 0;
}

int CBackupReader::Read(CBackupRecordSink* pSink)
{
    m_pSink = pSink;
    std::vector<char> buffer(kChunkBytes);
    std::string strFiltered;
    strFiltered.reserve(kChunkBytes + 4096);
    uint64_t nDone = 0;
    bool bFirst = true;
    while (!m_bEnded) {
        ssize_t nRead = ::read(m_file.Get(), buffer.data(), buffer.size());
        if (nRead < 0) {
            if (errno == EINTR)
                continue;
            return Fail(std::string("cannot be read: ") + std::strerror(errno));
        }
        strFiltered.clear();
        if (nRead == 0) {
            m_filter.Finish(&strFiltered);
        } else {
            if (bFirst) {
                bFirst = false;
                if (IsUtf16(std::string_view(buffer.data(), static_cast<size_t>(nRead))))
                    return Fail("is encoded in UTF-16; only UTF-8 backup files can be read");
            }
            m_filter.Feed(buffer.data(), static_cast<size_t>(nRead), &strFiltered);
            nDone += static_cast<uint64_t>(nRead);
        }
        if (m_filter.HasDocType())
            return Fail(DocTypeRefusal(m_filter.DocTypeLine()));
        if (!strFiltered.empty())
            m_reader.addData(QByteArray(strFiltered.data(), static_cast<qsizetype>(strFiltered.size())));
        if (Parse() != 0)
            return -1;
        if (m_options.pfnProgress && nRead > 0)
            m_options.pfnProgress(nDone, m_pReport->nFileBytes);
        if (nRead == 0)
            break;
    }

    m_pReport->nLoneHalves = m_filter.LoneHalves();
    m_pReport->nInvalidReferences = m_filter.InvalidReferences();
    m_pReport->nDroppedControls = m_filter.DroppedControls();
    m_pReport->nMediaBytes = m_filter.StrippedBytes();
    if (m_bEnded)
        return 0;
    if (nDone == 0)
        return Fail("is empty; not a calls or messages backup");
    if (!m_bRootSeen)
        return Fail("has no root element; not a calls or messages backup");

    int64_t nLine = m_filter.InputLine(), nColumn = m_filter.InputColumn();
    std::string strWhere = "line " + std::to_string(nLine) + ", column " + std::to_string(nColumn);
    if (!m_options.bSalvage)
        return Fail("truncated at " + strWhere + " (the file breaks off before its end); " +
                    std::to_string(m_nRecords) + " complete records before it; nothing imported (--salvage " +
                    "imports the complete records)");
    m_pReport->bTruncated = true;
    m_pReport->nBreakLine = nLine;
    m_pReport->nBreakColumn = nColumn;
    return 0;
}

int CBackupReader::Parse()
{
    while (!m_bEnded) {
        switch (m_reader.readNext()) {
        case QXmlStreamReader::Invalid:
            if (m_reader.error() == QXmlStreamReader::PrematureEndOfDocumentError)
                return 0;
            return FailXml();
        case QXmlStreamReader::DTD:
            return Fail(DocTypeRefusal(m_reader.lineNumber()));
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

int CBackupReader::OnStart()
{
    ++m_nDepth;
    if (m_nSkipDepth)
        return 0;
    QStringView name = m_reader.name();
    if (m_nDepth == 1) {
        m_bRootSeen = true;
        if (name == u"calls")
            m_pReport->kind = BackupKind::Calls;
        else if (name == u"smses")
            m_pReport->kind = BackupKind::Messages;
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
            ++m_pReport->nOtherElements;
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

int CBackupReader::OnEnd()
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
    if (record == Record::None)
        return 0;
    ++m_nRecords;
    switch (record) {
    case Record::Call: return m_pSink->OnCall(std::move(m_call));
    case Record::Sms: return m_pSink->OnSms(std::move(m_sms));
    case Record::Mms: return m_pSink->OnMms(std::move(m_mms));
    case Record::None: break;
    }
    return 0;
}

void CBackupReader::ReadCall()
{
    m_record = Record::Call;
    m_call = CallRecord {};
    for (const QXmlStreamAttribute& attribute : m_reader.attributes()) {
        QStringView name = attribute.name(), value = attribute.value();
        if (name == u"number")
            m_call.strNumber = Utf8(value);
        else if (name == u"duration")
            m_call.nDuration = ToInt(value);
        else if (name == u"date")
            m_call.nDate = ToDate(value);
        else if (name == u"type")
            m_call.nType = ToInt(value);
        else if (name == u"presentation")
            m_call.nPresentation = ToInt(value);
        else if (name == u"contact_name")
            m_call.strContactName = Utf8(value);
    }
}

void CBackupReader::ReadSms()
{
    m_record = Record::Sms;
    m_sms = SmsRecord {};
    for (const QXmlStreamAttribute& attribute : m_reader.attributes()) {
        QStringView name = attribute.name(), value = attribute.value();
        if (name == u"address")
            m_sms.strAddress = Utf8(value);
        else if (name == u"date")
            m_sms.nDate = ToDate(value);
        else if (name == u"type")
            m_sms.nType = ToInt(value);
        else if (name == u"body")
            m_sms.strBody = Utf8(value);
        else if (name == u"contact_name")
            m_sms.strContactName = Utf8(value);
        else if (name == u"subject")
            m_sms.strSubject = Utf8(value);
    }
}

void CBackupReader::ReadMms()
{
    m_record = Record::Mms;
    m_mms = MmsRecord {};
    for (const QXmlStreamAttribute& attribute : m_reader.attributes()) {
        QStringView name = attribute.name(), value = attribute.value();
        if (name == u"date")
            m_mms.nDate = ToDate(value);
        else if (name == u"msg_box")
            m_mms.nBox = ToInt(value);
        else if (name == u"m_type")
            m_mms.nMessageType = ToInt(value);
        else if (name == u"m_id")
            m_mms.strId = Utf8(value);
        else if (name == u"sub")
            m_mms.strSubject = Utf8(value);
        else if (name == u"address")
            m_mms.strAddress = Utf8(value);
        else if (name == u"contact_name")
            m_mms.strContactName = Utf8(value);
    }
}

void CBackupReader::ReadPart()
{
    QXmlStreamAttributes attributes = m_reader.attributes();
    QStringView type = attributes.value(QLatin1StringView("ct"));
    if (type.compare(u"text/plain", Qt::CaseInsensitive) == 0) {
        QStringView text = attributes.value(QLatin1StringView("text"));
        if (!attributes.hasAttribute(QLatin1StringView("text")) || text == u"null")
            return;
        if (m_mms.strText)
            *m_mms.strText += '\n';
        else
            m_mms.strText.emplace();
        *m_mms.strText += Utf8(text);
    } else if (type.compare(u"application/smil", Qt::CaseInsensitive) != 0) {
        // The slide layout carries nothing of the message; everything else is media.
        ++m_pReport->nMediaParts;
    }
}

void CBackupReader::ReadAddress()
{
    QXmlStreamAttributes attributes = m_reader.attributes();
    MmsAddress address;
    address.nType = static_cast<int>(ToInt(attributes.value(QLatin1StringView("type"))));
    address.strAddress = Utf8(attributes.value(QLatin1StringView("address")));
    m_mms.addresses.push_back(std::move(address));
}
