#include "import/android/ReferenceFilter.h"

#include "import/ImportReport.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace {

enum class ByteClass : unsigned char {
    Lead,     // ASCII or the lead byte of a character
    Continue, // a UTF-8 continuation byte
    Stop,     // a byte that the text loop hands to the state machine
};

constexpr std::array<ByteClass, 256> MakeClasses()
{
    std::array<ByteClass, 256> classes {};
    for (int c = 0; c < 256; ++c) {
        if (c < 0x20 && c != '\t' && c != '\r')
            classes[c] = ByteClass::Stop; // line feed and control bytes
        else if (c == '<' || c == '&' || c == '"' || c == '\'')
            classes[c] = ByteClass::Stop;
        else if (c >= 0x80 && c < 0xC0)
            classes[c] = ByteClass::Continue;
        else
            classes[c] = ByteClass::Lead;
    }
    return classes;
}

constexpr std::array<ByteClass, 256> kClasses = MakeClasses();

// How the bytes inside a tag are taken: runs of name bytes and of separators
// in bulk, the rest one by one.
enum class TagByte : unsigned char {
    Name,      // a byte of an element or attribute name
    Separator, // space, tab, carriage return or '=': ends a name
    Single,    // line feed, control bytes, '/', '>' and quotes
};

constexpr std::array<TagByte, 256> MakeTagBytes()
{
    std::array<TagByte, 256> bytes {};
    for (int c = 0; c < 256; ++c) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '=')
            bytes[c] = TagByte::Separator;
        else if (c < 0x20 || c == '/' || c == '>' || c == '"' || c == '\'')
            bytes[c] = TagByte::Single;
        else
            bytes[c] = TagByte::Name;
    }
    return bytes;
}

constexpr std::array<TagByte, 256> kTagBytes = MakeTagBytes();

// The first bytes of the open tag's names that are kept: enough to tell
// "part" and "data" from longer names.
constexpr size_t kMostNameBytes = 9;

// A buffer kept for the next record after a record larger than this goes.
constexpr size_t kKeptRecordCapacity = size_t(1) << 20;

// More marks than this on the lines of one chunk only cost column precision.
constexpr size_t kMaxMarks = size_t(1) << 18;

bool IsSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

bool IsHexDigit(unsigned char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool StartsWith(std::string_view strWhole, std::string_view strPart)
{
    return strWhole.substr(0, strPart.size()) == strPart;
}

const std::string kReplacement = "&#65533;";

// "&#x" and the digits of the longest reference that goes out as written;
// longer ones go out in the shortest form of their value.
constexpr size_t kMostHeldReference = 13;
// Any value from here on is no character; larger ones are held as this.
constexpr uint64_t kBeyondUnicode = 0x110000;

} // namespace

CReferenceFilter::CReferenceFilter()
{
    m_strHeld.reserve(16);
}

void CReferenceFilter::Feed(const char* pData, size_t cbData, std::string* pOut)
{
    int64_t nFirstLine = m_bInRecord ? m_nRecordLine : m_nLine;
    auto firstKept = std::find_if(m_marks.begin(), m_marks.end(),
                                  [&](const Mark& mark) { return mark.nLine >= nFirstLine; });
    m_marks.erase(m_marks.begin(), firstKept);
    SetOutput(pOut);

    const auto* p = reinterpret_cast<const unsigned char*>(pData);
    size_t i = 0;
    while (i < cbData) {
        bool bConsumed = true;
        switch (m_state) {
        case State::Text:
        case State::Value:
            FeedText(p, cbData, &i);
            bConsumed = false;
            break;
        case State::Data:
            FeedData(p, cbData, &i);
            bConsumed = false;
            break;
        case State::Markup:
            FeedMarkup(p[i], &bConsumed);
            break;
        case State::Ref:
            FeedRef(p[i], &bConsumed);
            break;
        case State::Tag:
            if (kTagBytes[p[i]] == TagByte::Single) {
                FeedTag(p[i]);
            } else {
                FeedTagRun(p, cbData, &i);
                bConsumed = false;
            }
            break;
        case State::Comment:
        case State::CData:
        case State::Pi:
        case State::Decl:
            FeedUntil(p[i]);
            break;
        }
        if (bConsumed)
            ++i;
        if (m_bInRecord) {
            if (m_bDropping)
                m_strDiscard.clear();
            else if (m_strRecord.size() > kMostRecordBytes)
                DropRecord();
        }
    }
    SetOutput(nullptr);
}

void CReferenceFilter::Finish(std::string* pOut)
{
    SetOutput(pOut);
    if (m_state == State::Ref) {
        FlushPendingHigh();
        EmitHeldReference();
        m_state = m_refReturn;
    } else if (m_state == State::Markup) {
        EmitHeld();
        m_state = State::Text;
    }
    FlushPendingHigh();
    // What there is of a record that breaks off goes out, for the parser to
    // tell where it breaks.
    if (m_bInRecord && !m_bDropping)
        *pOut += m_strRecord;
    m_bInRecord = m_bDropping = false;
    m_strRecord.clear();
    SetOutput(nullptr);
}

int64_t CReferenceFilter::InputColumnAt(int64_t nLine, int64_t nOutColumn) const
{
    auto after = std::upper_bound(m_marks.begin(), m_marks.end(), Mark {nLine, nOutColumn, 0},
                                  [](const Mark& a, const Mark& b) {
                                      return a.nLine != b.nLine ? a.nLine < b.nLine : a.nOutChars < b.nOutChars;
                                  });
    int64_t nBefore = nOutColumn;
    if (after != m_marks.begin() && (after - 1)->nLine == nLine)
        nBefore = (after - 1)->nInChars + (nOutColumn - (after - 1)->nOutChars);
    return std::max<int64_t>(nBefore, 0) + 1;
}

void CReferenceFilter::FeedText(const unsigned char* p, size_t n, size_t* pnAt)
{
    size_t i = *pnAt;
    unsigned char c = p[i];
    if (m_bPendingHigh && c != '&')
        FlushPendingHigh();
    size_t nStart = i;
    int64_t nChars = 0;
    while (i < n) {
        c = p[i];
        ByteClass k = kClasses[c];
        if (k == ByteClass::Stop)
            break;
        nChars += k == ByteClass::Lead;
        ++i;
    }
    m_nInChars += nChars;
    m_nOutChars += nChars;
    m_pOut->append(reinterpret_cast<const char*>(p + nStart), i - nStart);
    *pnAt = i;
    if (i == n)
        return;
    ++*pnAt;
    if (c == '&') {
        m_strHeld.assign(1, '&');
        m_refReturn = m_state;
        m_state = State::Ref;
    } else if (m_state == State::Value && c == m_chQuote) {
        CopyByte(c);
        m_state = State::Tag;
    } else if (m_state == State::Text && c == '<') {
        m_strHeld.assign(1, '<');
        m_state = State::Markup;
    } else {
        CopyByte(c);
    }
}

void CReferenceFilter::FeedMarkup(unsigned char c, bool* pbConsumed)
{
    if (m_strHeld.size() == 1) {
        if (c == '!') {
            m_strHeld += static_cast<char>(c);
            return;
        }
        m_strElement.clear();
        m_strAttribute.clear();
        m_bInAttributeName = false;
        m_nRun = 0;
        if (c == '?' || c == '/') {
            m_strHeld += static_cast<char>(c);
            m_state = c == '?' ? State::Pi : State::Tag;
            m_strElement.assign(1, '/');
            m_bInElementName = false;
        } else {
            m_state = State::Tag;
            m_bInElementName = true;
            *pbConsumed = false;
            if (m_nDepth == 1)
                StartRecord();
        }
        m_bSlashLast = false;
        EmitHeld();
        return;
    }
    static constexpr std::string_view kComment = "<!--", kCData = "<![CDATA[", kDocType = "<!DOCTYPE";
    m_strHeld += static_cast<char>(c);
    m_nRun = 0;
    if (m_strHeld == kComment) {
        m_state = State::Comment;
    } else if (m_strHeld == kCData) {
        m_state = State::CData;
    } else if (m_strHeld == kDocType) {
        if (m_nDocTypeLine == 0)
            m_nDocTypeLine = m_nLine;
        m_state = State::Decl;
    } else if (StartsWith(kComment, m_strHeld) || StartsWith(kCData, m_strHeld) || StartsWith(kDocType, m_strHeld)) {
        return;
    } else {
        m_state = State::Decl;
    }
    EmitHeld();
}

void CReferenceFilter::FeedTag(unsigned char c)
{
    CopyByte(c);
    if (c == '>') {
        m_state = State::Text;
        if (!m_strElement.empty() && m_strElement.front() == '/')
            --m_nDepth;
        else if (!m_bSlashLast)
            ++m_nDepth;
        if (m_bInRecord && m_nDepth <= 1)
            EndRecord();
        return;
    }
    m_bSlashLast = c == '/';
    if (c == '"' || c == '\'') {
        m_chQuote = c;
        m_bInElementName = m_bInAttributeName = false;
        if (m_strElement == "part" && m_strAttribute == "data") {
            m_state = State::Data;
            ++m_nStrippedValues;
        } else {
            m_state = State::Value;
        }
        return;
    }
    if (IsSpace(c) || c == '=' || c == '/') {
        m_bInElementName = m_bInAttributeName = false;
    } else if (m_bInElementName) {
        if (m_strElement.size() < kMostNameBytes)
            m_strElement += static_cast<char>(c);
    } else {
        if (!m_bInAttributeName) {
            m_strAttribute.clear();
            m_bInAttributeName = true;
        }
        if (m_strAttribute.size() < kMostNameBytes)
            m_strAttribute += static_cast<char>(c);
    }
}

void CReferenceFilter::FeedTagRun(const unsigned char* p, size_t n, size_t* pnAt)
{
    // What FeedTag does byte by byte for these bytes, in bulk: they go out
    // as they are, each but a continuation byte one character, and name
    // bytes extend the open name up to its kept length.
    size_t nStart = *pnAt, i = nStart;
    int64_t nContinuations = 0;
    while (i < n) {
        unsigned char c = p[i];
        TagByte k = kTagBytes[c];
        if (k == TagByte::Single)
            break;
        if (k == TagByte::Separator) {
            m_bInElementName = m_bInAttributeName = false;
            ++i;
            continue;
        }
        std::string* pName = &m_strElement;
        if (!m_bInElementName) {
            if (!m_bInAttributeName) {
                m_strAttribute.clear();
                m_bInAttributeName = true;
            }
            pName = &m_strAttribute;
        }
        size_t nName = i;
        while (i < n && kTagBytes[p[i]] == TagByte::Name) {
            nContinuations += kClasses[p[i]] == ByteClass::Continue;
            ++i;
        }
        if (pName->size() < kMostNameBytes)
            pName->append(reinterpret_cast<const char*>(p + nName), std::min(i - nName, kMostNameBytes - pName->size()));
    }
    m_pOut->append(reinterpret_cast<const char*>(p + nStart), i - nStart);
    int64_t nChars = static_cast<int64_t>(i - nStart) - nContinuations;
    m_nInChars += nChars;
    m_nOutChars += nChars;
    m_bSlashLast = false;
    *pnAt = i;
}

void CReferenceFilter::FeedData(const unsigned char* p, size_t n, size_t* pnAt)
{
    size_t i = *pnAt;
    const auto* pQuote = static_cast<const unsigned char*>(std::memchr(p + i, m_chQuote, n - i));
    size_t nEnd = pQuote ? static_cast<size_t>(pQuote - p) : n;
    m_nStrippedBytes += static_cast<int64_t>(nEnd - i);
    // Line feeds stay, so that line numbers after the value stay the file's;
    // the media is base64 text, so a byte counts as one character.
    size_t nSegment = i;
    while (const void* pLine = std::memchr(p + nSegment, '\n', nEnd - nSegment)) {
        size_t nLineFeed = static_cast<size_t>(static_cast<const unsigned char*>(pLine) - p);
        m_nInChars += static_cast<int64_t>(nLineFeed - nSegment);
        NewLine();
        nSegment = nLineFeed + 1;
    }
    m_nInChars += static_cast<int64_t>(nEnd - nSegment);
    Checkpoint();
    *pnAt = nEnd;
    if (pQuote) {
        CopyByte(m_chQuote);
        m_state = State::Tag;
        ++*pnAt;
    }
}

void CReferenceFilter::FeedRef(unsigned char c, bool* pbConsumed)
{
    size_t nHeld = m_strHeld.size();
    bool bHex = nHeld > 2 && (m_strHeld[2] == 'x' || m_strHeld[2] == 'X');
    bool bMore;
    if (nHeld == 1)
        bMore = c == '#';
    else if (nHeld == 2)
        bMore = c == 'x' || c == 'X' || IsDigit(c);
    else
        bMore = c == ';' || (bHex ? IsHexDigit(c) : IsDigit(c));
    if (!bMore) {
        // Not a numeric reference (a named one, or a malformed one that the
        // parser will report): it goes out as it stands.
        FlushPendingHigh();
        EmitHeldReference();
        m_state = m_refReturn;
        *pbConsumed = false;
        return;
    }
    if (c == ';') {
        m_strHeld += ';';
        EndReference();
        m_state = m_refReturn;
        return;
    }
    if (nHeld == 1 || (nHeld == 2 && !IsDigit(c))) {
        m_strHeld += static_cast<char>(c);
        return;
    }
    // Digits beyond the window only count, so that a reference of any length
    // is judged by its value and costs no more to hold than a short one.
    unsigned nDigit = IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10;
    m_nRefValue = std::min<uint64_t>(m_nRefValue * (bHex ? 16 : 10) + nDigit, kBeyondUnicode);
    m_bRefDigits = true;
    if (nHeld < kMostHeldReference)
        m_strHeld += static_cast<char>(c);
    else
        ++m_nRefDropped;
}

void CReferenceFilter::EndReference()
{
    if (!m_bRefDigits) {
        FlushPendingHigh();
        EmitHeldReference();
        return;
    }
    uint64_t nCode = m_nRefValue;
    int64_t nRefChars = static_cast<int64_t>(m_strHeld.size()) + m_nRefDropped;

    if (nCode >= 0xD800 && nCode <= 0xDBFF) {
        FlushPendingHigh();
        m_bPendingHigh = true;
        m_nPendingHigh = static_cast<uint32_t>(nCode);
        m_nPendingChars = nRefChars;
    } else if (nCode >= 0xDC00 && nCode <= 0xDFFF) {
        if (m_bPendingHigh) {
            uint32_t nChar = 0x10000 + ((m_nPendingHigh - 0xD800) << 10) + static_cast<uint32_t>(nCode - 0xDC00);
            m_bPendingHigh = false;
            EmitReplacement("&#" + std::to_string(nChar) + ";", m_nPendingChars + nRefChars);
        } else {
            ++m_nLoneHalves;
            EmitReplacement(kReplacement, nRefChars);
        }
    } else {
        FlushPendingHigh();
        if (nCode < 0x20 && nCode != '\t' && nCode != '\n' && nCode != '\r') {
            ++m_nDroppedControls;
            EmitReplacement(std::string(), nRefChars);
        } else if (nCode == 0xFFFE || nCode == 0xFFFF || nCode > 0x10FFFF) {
            ++m_nInvalidReferences;
            EmitReplacement(kReplacement, nRefChars);
        } else if (m_nRefDropped > 0) {
            EmitReplacement("&#" + std::to_string(nCode) + ";", nRefChars);
        } else {
            *m_pOut += m_strHeld;
            m_nInChars += nRefChars;
            m_nOutChars += nRefChars;
        }
    }
    ResetReference();
}

void CReferenceFilter::EmitHeldReference()
{
    EmitHeld();
    if (m_nRefDropped > 0) {
        m_nInChars += m_nRefDropped;
        Checkpoint();
    }
    ResetReference();
}

void CReferenceFilter::ResetReference()
{
    m_strHeld.clear();
    m_nRefValue = 0;
    m_nRefDropped = 0;
    m_bRefDigits = false;
}

void CReferenceFilter::FeedUntil(unsigned char c)
{
    CopyByte(c);
    switch (m_state) {
    case State::Comment:
    case State::CData:
        if (c == (m_state == State::Comment ? '-' : ']')) {
            ++m_nRun;
        } else {
            if (c == '>' && m_nRun >= 2)
                m_state = State::Text;
            m_nRun = 0;
        }
        break;
    case State::Pi:
        if (c == '>' && m_nRun > 0)
            m_state = State::Text;
        m_nRun = c == '?';
        break;
    default:
        if (c == '>')
            m_state = State::Text;
        break;
    }
}

void CReferenceFilter::EmitHeld()
{
    for (char ch : m_strHeld)
        CopyByte(static_cast<unsigned char>(ch));
    m_strHeld.clear();
}

void CReferenceFilter::EmitReplacement(const std::string& strText, int64_t nInChars)
{
    *m_pOut += strText;
    m_nOutChars += static_cast<int64_t>(strText.size());
    m_nInChars += nInChars;
    Checkpoint();
}

void CReferenceFilter::FlushPendingHigh()
{
    if (!m_bPendingHigh)
        return;
    m_bPendingHigh = false;
    ++m_nLoneHalves;
    EmitReplacement(kReplacement, m_nPendingChars);
}

void CReferenceFilter::CopyByte(unsigned char c)
{
    if (c == '\n') {
        NewLine();
        return;
    }
    if (c < 0x20 && c != '\t' && c != '\r') {
        ++m_nDroppedControls;
        ++m_nInChars;
        Checkpoint();
        return;
    }
    *m_pOut += static_cast<char>(c);
    if (kClasses[c] == ByteClass::Continue)
        return;
    ++m_nInChars;
    ++m_nOutChars;
}

void CReferenceFilter::NewLine()
{
    *m_pOut += '\n';
    ++m_nLine;
    m_nInChars = 0;
    m_nOutChars = 0;
}

void CReferenceFilter::SetOutput(std::string* pOut)
{
    m_pFedOut = pOut;
    if (!pOut)
        m_pOut = nullptr;
    else if (m_bInRecord)
        m_pOut = m_bDropping ? &m_strDiscard : &m_strRecord;
    else
        m_pOut = pOut;
}

void CReferenceFilter::StartRecord()
{
    m_bInRecord = true;
    m_bDropping = false;
    m_nRecordLine = m_nLine;
    m_nRecordOutChars = m_nOutChars;
    m_strRecord.clear();
    m_pOut = &m_strRecord;
}

void CReferenceFilter::EndRecord()
{
    if (!m_bDropping) {
        *m_pFedOut += m_strRecord;
        // A record far larger than most leaves no buffer of its size behind.
        if (m_strRecord.capacity() > kKeptRecordCapacity)
            std::string().swap(m_strRecord);
        m_strRecord.clear();
    } else {
        // Only the record's line feeds go out, so that the parser's line
        // numbers stay the file's.
        m_pFedOut->append(static_cast<size_t>(m_nLine - m_nRecordLine), '\n');
        m_nOutChars = m_nLine == m_nRecordLine ? m_nRecordOutChars : 0;
        Checkpoint();
        ++*m_pDroppedCount;
    }
    m_bInRecord = m_bDropping = false;
    m_pOut = m_pFedOut;
}

void CReferenceFilter::DropRecord()
{
    std::string_view strName(m_strRecord);
    strName.remove_prefix(1);
    size_t nEnd = strName.find_first_of(" \t\r\n/>");
    if (nEnd == std::string_view::npos)
        strName = {};
    else
        strName = strName.substr(0, nEnd);
    // Counted when it ends: one that breaks off is no complete record.
    m_pDroppedCount = strName == "call" ? &m_oversize.nCalls
                      : strName == "sms" ? &m_oversize.nSms
                      : strName == "mms" ? &m_oversize.nMms
                                         : &m_oversize.nOthers;
    m_bDropping = true;
    std::string().swap(m_strRecord);
    m_pOut = &m_strDiscard;
}

void CReferenceFilter::Checkpoint()
{
    if (m_marks.size() < kMaxMarks)
        m_marks.push_back(Mark {m_nLine, m_nOutChars, m_nInChars});
}
