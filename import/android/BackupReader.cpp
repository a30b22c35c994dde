#include "import/android/BackupReader.h"

#include <expat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr size_t kChunkBytes = size_t(1) << 20;

// Expat's allocations, each with a header that tells its size and the
// budget it counts against. Expat takes no context for its allocator, so the
// budget of a new allocation is the one of the parser being called.
thread_local CBackupReader::ParserMemory* t_pMemory = nullptr;

struct alignas(std::max_align_t) AllocationHeader {
    size_t cbSize;
    CBackupReader::ParserMemory* pMemory;
};

bool Fits(CBackupReader::ParserMemory* pMemory, size_t cbFreed, size_t cbWanted)
{
    if (pMemory->nUsed - cbFreed + cbWanted <= kParserMemoryLimit)
        return true;
    pMemory->bExceeded = true;
    return false;
}

void* CountedMalloc(size_t cbSize)
{
    CBackupReader::ParserMemory* pMemory = t_pMemory;
    if (!pMemory || !Fits(pMemory, 0, cbSize))
        return nullptr;
    auto* pHeader = static_cast<AllocationHeader*>(std::malloc(sizeof(AllocationHeader) + cbSize));
    if (!pHeader)
        return nullptr;
    *pHeader = AllocationHeader {cbSize, pMemory};
    pMemory->nUsed += cbSize;
    return pHeader + 1;
}

void* CountedRealloc(void* p, size_t cbSize)
{
    if (!p)
        return CountedMalloc(cbSize);
    AllocationHeader header = *(static_cast<AllocationHeader*>(p) - 1);
    if (!Fits(header.pMemory, header.cbSize, cbSize))
        return nullptr;
    auto* pHeader = static_cast<AllocationHeader*>(
        std::realloc(static_cast<AllocationHeader*>(p) - 1, sizeof(AllocationHeader) + cbSize));
    if (!pHeader)
        return nullptr;
    pHeader->cbSize = cbSize;
    header.pMemory->nUsed = header.pMemory->nUsed - header.cbSize + cbSize;
    return pHeader + 1;
}

void CountedFree(void* p)
{
    if (!p)
        return;
    AllocationHeader* pHeader = static_cast<AllocationHeader*>(p) - 1;
    pHeader->pMemory->nUsed -= pHeader->cbSize;
    std::free(pHeader);
}

const XML_Memory_Handling_Suite kCountedMemory = {CountedMalloc, CountedRealloc, CountedFree};

// Makes the parser's memory the budget of new allocations while the parser runs.
class CMemoryScope
{
public:
    explicit CMemoryScope(CBackupReader::ParserMemory* pMemory)
        : m_pOuter(std::exchange(t_pMemory, pMemory))
    {
    }
    ~CMemoryScope() { t_pMemory = m_pOuter; }
    CMemoryScope(const CMemoryScope&) = delete;
    CMemoryScope& operator=(const CMemoryScope&) = delete;

private:
    CBackupReader::ParserMemory* m_pOuter;
};

// A UTF-16 text starts with a byte order mark, or has a zero byte in one of
// its first two bytes; a single byte is no UTF-16 at all.
bool IsUtf16(std::string_view strStart)
{
    if (strStart.size() < 2)
        return false;
    auto b0 = static_cast<unsigned char>(strStart[0]), b1 = static_cast<unsigned char>(strStart[1]);
    return (b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF) || b0 == 0 || b1 == 0;
}

std::string_view Trimmed(std::string_view str)
{
    auto isSpace = [](char ch) { return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f'; };
    while (!str.empty() && isSpace(str.front()))
        str.remove_prefix(1);
    while (!str.empty() && isSpace(str.back()))
        str.remove_suffix(1);
    return str;
}

// A whole decimal number, spaces around it allowed; nullopt when the text is
// anything else or out of range.
std::optional<int64_t> ToNumber(std::string_view str)
{
    str = Trimmed(str);
    if (str.size() > 1 && str.front() == '+' && str[1] != '-')
        str.remove_prefix(1);
    int64_t nValue = 0;
    auto [pEnd, ec] = std::from_chars(str.data(), str.data() + str.size(), nValue);
    if (ec != std::errc() || pEnd != str.data() + str.size() || str.empty())
        return std::nullopt;
    return nValue;
}

int64_t ToInt(std::string_view str)
{
    return ToNumber(str).value_or(0);
}

bool IsEqualNoCase(std::string_view strA, std::string_view strB)
{
    auto lower = [](char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; };
    return strA.size() == strB.size() &&
           std::equal(strA.begin(), strA.end(), strB.begin(), [&](char a, char b) { return lower(a) == lower(b); });
}

// The value of an attribute of a start tag, or nullptr when it has none.
const char* FindAttribute(const char** ppAttributes, std::string_view strName)
{
    for (const char** pp = ppAttributes; *pp; pp += 2) {
        if (strName == pp[0])
            return pp[1];
    }
    return nullptr;
}

// The filter and the parser each find a document type declaration; the file
// is refused the same way whichever sees it first.
std::string DocTypeRefusal(int64_t nLine)
{
    return "refused: it has a document type declaration (line " + std::to_string(nLine) +
           "), which backup files never have";
}

// The parser's errors at the end of the input that mean the file broke off.
bool IsBreak(XML_Error error)
{
    return error == XML_ERROR_NO_ELEMENTS || error == XML_ERROR_UNCLOSED_TOKEN || error == XML_ERROR_PARTIAL_CHAR ||
           error == XML_ERROR_UNCLOSED_CDATA_SECTION;
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

CBackupReader::~CBackupReader()
{
    if (m_pParser)
        XML_ParserFree(m_pParser);
}

int CBackupReader::Fail(std::string strText)
{
    m_strError = m_strPath + ": " + std::move(strText);
    return -1;
}

int CBackupReader::FailXml()
{
    XML_Error error = XML_GetErrorCode(m_pParser);
    if (error == XML_ERROR_NO_MEMORY && m_memory.bExceeded)
        return Fail("refused: reading it would take more than " + std::to_string(kParserMemoryLimit >> 20) +
                    " MiB of memory, which no backup file needs");
    auto nLine = static_cast<int64_t>(XML_GetCurrentLineNumber(m_pParser));
    int64_t nColumn = m_filter.InputColumnAt(nLine, static_cast<int64_t>(XML_GetCurrentColumnNumber(m_pParser)));
    return Fail("not well-formed XML at line " + std::to_string(nLine) + ", column " + std::to_string(nColumn) +
                ": " + XML_ErrorString(error));
}

void CBackupReader::Stop()
{
    XML_StopParser(m_pParser, XML_FALSE);
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

    CMemoryScope scope(&m_memory);
    m_pParser = XML_ParserCreate_MM(nullptr, &kCountedMemory, nullptr);
    if (!m_pParser)
        return Fail("cannot be read: out of memory");
    XML_SetUserData(m_pParser, this);
    XML_SetElementHandler(m_pParser, OnStartElement, OnEndElement);
    XML_SetStartDoctypeDeclHandler(m_pParser, OnStartDocType);
    return 0;
}

int CBackupReader::Read(CBackupRecordSink* pSink)
{
    m_pSink = pSink;
    // A small file needs no buffer of a whole piece.
    uint64_t nFileBytes = m_pReport->nFileBytes;
    size_t cbBuffer = nFileBytes > 0 && nFileBytes < kChunkBytes ? static_cast<size_t>(nFileBytes) + 1 : kChunkBytes;
    std::vector<char> buffer(cbBuffer);
    std::string strFiltered;
    strFiltered.reserve(cbBuffer + 4096);
    uint64_t nDone = 0;
    bool bFirst = true;
    Parsed parsed = Parsed::More;
    while (parsed == Parsed::More) {
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
        parsed = Parse(strFiltered.data(), strFiltered.size(), nRead == 0);
        if (parsed == Parsed::Failed || (parsed == Parsed::More && pSink->OnPieceDone() != 0))
            return -1;
        if (m_options.pfnProgress && nRead > 0)
            m_options.pfnProgress(nDone, m_pReport->nFileBytes);
    }

    m_pReport->nLoneHalves = m_filter.LoneHalves();
    m_pReport->nInvalidReferences = m_filter.InvalidReferences();
    m_pReport->nDroppedControls = m_filter.DroppedControls();
    m_pReport->nMediaBytes = m_filter.StrippedBytes();
    const CReferenceFilter::Oversize& oversize = m_filter.OversizeRecords();
    for (auto [pCounts, nCount] : {std::pair {&m_pReport->calls, oversize.nCalls},
                                   std::pair {&m_pReport->sms, oversize.nSms}, std::pair {&m_pReport->mms, oversize.nMms}}) {
        pCounts->nRead += nCount;
        pCounts->nOversize += nCount;
    }
    m_pReport->nOtherElements += oversize.nOthers;
    if (parsed == Parsed::Ended)
        return 0;
    if (nDone == 0)
        return Fail("is empty; not a calls or messages backup");
    if (!m_bRootSeen)
        return Fail("has no root element; not a calls or messages backup");

    int64_t nLine = m_filter.InputLine(), nColumn = m_filter.InputColumn();
    std::string strWhere = "line " + std::to_string(nLine) + ", column " + std::to_string(nColumn);
    if (!m_options.bSalvage)
        return Fail("truncated at " + strWhere + " (the file breaks off before its end); " +
                    std::to_string(m_nRecords + oversize.Total()) + " complete records before it; nothing imported (--salvage " +
                    "imports the complete records)");
    m_pReport->bTruncated = true;
    m_pReport->nBreakLine = nLine;
    m_pReport->nBreakColumn = nColumn;
    return 0;
}

CBackupReader::Parsed CBackupReader::Parse(const char* pData, size_t cbData, bool bFinal)
{
    // A piece of filtered text is a piece read and at most one record held
    // back, far below what expat takes at once.
    static_assert(kChunkBytes + 2 * kMostRecordBytes < size_t(INT_MAX));
    CMemoryScope scope(&m_memory);
    if (XML_Parse(m_pParser, pData, static_cast<int>(cbData), bFinal ? XML_TRUE : XML_FALSE) == XML_STATUS_OK)
        return bFinal ? Parsed::Ended : Parsed::More;
    XML_Error error = XML_GetErrorCode(m_pParser);
    if (error == XML_ERROR_ABORTED)
        return m_bEnded ? Parsed::Ended : Parsed::Failed;
    if (bFinal && IsBreak(error))
        return Parsed::Truncated;
    FailXml();
    return Parsed::Failed;
}

void CBackupReader::OnStartElement(void* pUser, const char* pszName, const char** ppAttributes)
{
    auto* pReader = static_cast<CBackupReader*>(pUser);
    if (pReader->OnStart(pszName, ppAttributes) != 0)
        pReader->Stop();
}

void CBackupReader::OnEndElement(void* pUser, const char* /*pszName*/)
{
    auto* pReader = static_cast<CBackupReader*>(pUser);
    if (pReader->OnEnd() != 0)
        pReader->Stop();
    else if (pReader->m_bEnded)
        pReader->Stop();
}

void CBackupReader::OnStartDocType(void* pUser, const char*, const char*, const char*, int)
{
    auto* pReader = static_cast<CBackupReader*>(pUser);
    pReader->OnDocType();
    pReader->Stop();
}

int CBackupReader::OnDocType()
{
    return Fail(DocTypeRefusal(static_cast<int64_t>(XML_GetCurrentLineNumber(m_pParser))));
}

int CBackupReader::OnStart(const char* pszName, const char** ppAttributes)
{
    ++m_nDepth;
    if (m_nSkipDepth)
        return 0;
    std::string_view name(pszName);
    if (m_nDepth == 1) {
        m_bRootSeen = true;
        if (name == "calls")
            m_pReport->kind = BackupKind::Calls;
        else if (name == "smses")
            m_pReport->kind = BackupKind::Messages;
        else
            return Fail("not a calls or messages backup (its root element is <" + std::string(name) + ">)");
        if (const char* pszCount = FindAttribute(ppAttributes, "count"))
            m_pReport->nDeclaredRecords = ToNumber(pszCount);
        return 0;
    }
    if (m_nDepth == 2) {
        if (name == "call") {
            ReadCall(ppAttributes);
        } else if (name == "sms") {
            ReadSms(ppAttributes);
        } else if (name == "mms") {
            ReadMms(ppAttributes);
        } else {
            ++m_pReport->nOtherElements;
            m_nSkipDepth = m_nDepth;
        }
        return 0;
    }
    if (m_record == Record::Mms && m_nDepth == 4) {
        if (name == "part")
            ReadPart(ppAttributes);
        else if (name == "addr")
            ReadAddress(ppAttributes);
    }
    return 0;
}

int CBackupReader::OnEnd()
{
    int nDepth = m_nDepth--;
    if (nDepth == 1)
        m_bEnded = true;
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

void CBackupReader::ReadCall(const char** ppAttributes)
{
    m_record = Record::Call;
    m_call = CallRecord {};
    for (const char** pp = ppAttributes; *pp; pp += 2) {
        std::string_view name(pp[0]);
        const char* pszValue = pp[1];
        if (name == "number")
            m_call.strNumber = pszValue;
        else if (name == "duration")
            m_call.nDuration = ToInt(pszValue);
        else if (name == "date")
            m_call.nDate = ToNumber(pszValue);
        else if (name == "type")
            m_call.nType = ToInt(pszValue);
        else if (name == "presentation")
            m_call.nPresentation = ToInt(pszValue);
        else if (name == "contact_name")
            m_call.strContactName = pszValue;
        else if (name == "readable_date")
            m_call.strReadableDate = pszValue;
    }
}

void CBackupReader::ReadSms(const char** ppAttributes)
{
    m_record = Record::Sms;
    m_sms = SmsRecord {};
    for (const char** pp = ppAttributes; *pp; pp += 2) {
        std::string_view name(pp[0]);
        const char* pszValue = pp[1];
        if (name == "address")
            m_sms.strAddress = pszValue;
        else if (name == "date")
            m_sms.nDate = ToNumber(pszValue);
        else if (name == "type")
            m_sms.nType = ToInt(pszValue);
        else if (name == "body")
            m_sms.strBody = pszValue;
        else if (name == "contact_name")
            m_sms.strContactName = pszValue;
        else if (name == "subject")
            m_sms.strSubject = pszValue;
        else if (name == "readable_date")
            m_sms.strReadableDate = pszValue;
    }
}

void CBackupReader::ReadMms(const char** ppAttributes)
{
    m_record = Record::Mms;
    m_mms = MmsRecord {};
    for (const char** pp = ppAttributes; *pp; pp += 2) {
        std::string_view name(pp[0]);
        const char* pszValue = pp[1];
        if (name == "date")
            m_mms.nDate = ToNumber(pszValue);
        else if (name == "msg_box")
            m_mms.nBox = ToInt(pszValue);
        else if (name == "m_type")
            m_mms.nMessageType = ToInt(pszValue);
        else if (name == "m_id")
            m_mms.strId = pszValue;
        else if (name == "sub")
            m_mms.strSubject = pszValue;
        else if (name == "address")
            m_mms.strAddress = pszValue;
        else if (name == "contact_name")
            m_mms.strContactName = pszValue;
    }
}

void CBackupReader::ReadPart(const char** ppAttributes)
{
    const char* pszType = FindAttribute(ppAttributes, "ct");
    std::string_view type(pszType ? pszType : "");
    if (IsEqualNoCase(type, "text/plain")) {
        const char* pszText = FindAttribute(ppAttributes, "text");
        if (!pszText || std::string_view(pszText) == "null")
            return;
        if (m_mms.strText)
            *m_mms.strText += '\n';
        else
            m_mms.strText.emplace();
        *m_mms.strText += pszText;
    } else if (!IsEqualNoCase(type, "application/smil")) {
        // The slide layout carries nothing of the message; everything else is media.
        ++m_pReport->nMediaParts;
    }
}

void CBackupReader::ReadAddress(const char** ppAttributes)
{
    const char* pszType = FindAttribute(ppAttributes, "type");
    const char* pszAddress = FindAttribute(ppAttributes, "address");
    MmsAddress address;
    address.nType = static_cast<int>(ToInt(pszType ? pszType : ""));
    address.strAddress = pszAddress ? pszAddress : "";
    m_mms.addresses.push_back(std::move(address));
}
