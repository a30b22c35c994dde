#include "figures/Export.h"

#include "platform/PlatformTime.h"
#include "platform/WideText.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kFlushAt = 1 << 16;

bool NeedsQuotes(std::string_view text)
{
    return text.find_first_of(",\"\r\n") != std::string_view::npos;
}

} // namespace

std::string CsvTextCell(std::string_view text)
{
    std::string strCell;
    if (!text.empty() && std::strchr("=+-@\t\r", text.front()))
        strCell += '\'';
    strCell += text;
    if (!NeedsQuotes(strCell))
        return strCell;
    std::string strQuoted = "\"";
    for (char ch : strCell) {
        if (ch == '"')
            strQuoted += '"';
        strQuoted += ch;
    }
    strQuoted += '"';
    return strQuoted;
}

std::string JsonString(std::string_view text)
{
    std::string strOut = "\"";
    for (char ch : text) {
        auto uch = static_cast<unsigned char>(ch);
        switch (ch) {
        case '"':
            strOut += "\\\"";
            break;
        case '\\':
            strOut += "\\\\";
            break;
        case '\n':
            strOut += "\\n";
            break;
        case '\r':
            strOut += "\\r";
            break;
        case '\t':
            strOut += "\\t";
            break;
        default:
            if (uch < 0x20) {
                char szEscape[8];
                std::snprintf(szEscape, sizeof szEscape, "\\u%04x", uch);
                strOut += szEscape;
            } else {
                strOut += ch;
            }
        }
    }
    strOut += '"';
    return strOut;
}

std::string IsoLocalTime(const FILETIME& ftLocal)
{
    if (FileTimeToTicks(ftLocal) == 0)
        return {};
    SYSTEMTIME st {};
    if (!FileTimeToSystemTime(&ftLocal, &st))
        return {};
    // The offset is that of the zone at this local time: mktime reads the
    // fields as local time, timegm as UTC, and the difference is the offset.
    std::tm local {};
    local.tm_year = st.wYear - 1900;
    local.tm_mon = st.wMonth - 1;
    local.tm_mday = st.wDay;
    local.tm_hour = st.wHour;
    local.tm_min = st.wMinute;
    local.tm_sec = st.wSecond;
    local.tm_isdst = -1;
    std::tm asUtc = local;
    time_t nLocal = std::mktime(&local);
    long nOffset = static_cast<long>(timegm(&asUtc) - nLocal);
    char szText[64];
    char chSign = nOffset < 0 ? '-' : '+';
    // Zone offsets lie within a day either way.
    nOffset = std::abs(nOffset) % 86400;
    std::snprintf(szText, sizeof szText, "%04u-%02u-%02uT%02u:%02u:%02u%c%02ld:%02ld", st.wYear, st.wMonth, st.wDay,
                  st.wHour, st.wMinute, st.wSecond, chSign, nOffset / 3600, nOffset / 60 % 60);
    return szText;
}

CExportWriter::CExportWriter(ExportFormat format, std::vector<ExportColumn> columns, std::FILE* pOut)
    : m_format(format)
    , m_columns(std::move(columns))
    , m_pOut(pOut)
{}

void CExportWriter::Put(std::string_view text)
{
    m_strBuffer += text;
    if (m_strBuffer.size() >= kFlushAt) {
        if (std::fwrite(m_strBuffer.data(), 1, m_strBuffer.size(), m_pOut) != m_strBuffer.size())
            m_bFailed = true;
        m_strBuffer.clear();
    }
}

void CExportWriter::Begin()
{
    m_bBegun = true;
    if (m_format == ExportFormat::Json) {
        Put("[");
        return;
    }
    for (size_t i = 0; i < m_columns.size(); ++i) {
        if (i)
            Put(",");
        Put(CsvTextCell(m_columns[i].pszName));
    }
    Put("\r\n");
}

void CExportWriter::WriteRow(const std::vector<std::string>& cells)
{
    if (!m_bBegun)
        Begin();
    if (m_format == ExportFormat::Json) {
        Put(m_bFirstRow ? "\n{" : ",\n{");
        for (size_t i = 0; i < m_columns.size() && i < cells.size(); ++i) {
            if (i)
                Put(",");
            Put(JsonString(m_columns[i].pszName));
            Put(":");
            Put(m_columns[i].bNumber ? std::string(cells[i]) : JsonString(cells[i]));
        }
        Put("}");
    } else {
        for (size_t i = 0; i < m_columns.size() && i < cells.size(); ++i) {
            if (i)
                Put(",");
            Put(m_columns[i].bNumber ? std::string(cells[i]) : CsvTextCell(cells[i]));
        }
        Put("\r\n");
    }
    m_bFirstRow = false;
}

bool CExportWriter::Finish()
{
    if (!m_bBegun)
        Begin();
    if (m_format == ExportFormat::Json)
        Put(m_bFirstRow ? "]\n" : "\n]\n");
    if (!m_strBuffer.empty() && std::fwrite(m_strBuffer.data(), 1, m_strBuffer.size(), m_pOut) != m_strBuffer.size())
        m_bFailed = true;
    m_strBuffer.clear();
    if (std::fflush(m_pOut) != 0)
        m_bFailed = true;
    return !m_bFailed;
}

int ReplaceFile(const std::string& strPath, const std::function<bool(std::FILE*)>& write, std::string* pstrError)
{
    std::string strTemp = strPath + ".XXXXXX";
    int fd = mkstemp(strTemp.data());
    if (fd < 0) {
        *pstrError = strPath + ": cannot write beside it: " + std::strerror(errno);
        return -1;
    }
    // mkstemp makes the file for the owner alone; a replaced export should
    // read like any other new file.
    mode_t nMask = umask(0);
    umask(nMask);
    fchmod(fd, 0666 & ~nMask);
    std::FILE* pFile = fdopen(fd, "wb");
    if (!pFile) {
        *pstrError = strPath + ": " + std::strerror(errno);
        close(fd);
        unlink(strTemp.c_str());
        return -1;
    }
    std::string strWhy;
    errno = 0;
    if (!write(pFile))
        strWhy = std::strerror(errno ? errno : EIO);
    else if (std::fflush(pFile) != 0 || fsync(fileno(pFile)) != 0)
        strWhy = std::strerror(errno);
    if (std::fclose(pFile) != 0 && strWhy.empty())
        strWhy = std::strerror(errno);
    if (strWhy.empty() && std::rename(strTemp.c_str(), strPath.c_str()) != 0)
        strWhy = std::strerror(errno);
    if (!strWhy.empty()) {
        unlink(strTemp.c_str());
        *pstrError = strPath + ": cannot write: " + strWhy;
        return -1;
    }
    return 0;
}

bool WriteRankingRows(const std::vector<CallerRankingRow>& rows, ExportFormat format, std::FILE* pOut)
{
    CExportWriter writer(format,
                         {{"caller", false},
                          {"number", false},
                          {"talk_seconds", true},
                          {"incoming_seconds", true},
                          {"outgoing_seconds", true},
                          {"missed", true},
                          {"sms_received", true},
                          {"sms_sent", true},
                          {"last", false}},
                         pOut);
    for (const CallerRankingRow& row : rows) {
        writer.WriteRow({Utf8FromWide(row.strKey), Utf8FromWide(row.strNumber), std::to_string(TotalTalkSeconds(row)),
                         std::to_string(row.calls.nIncomingSeconds), std::to_string(row.calls.nOutgoingSeconds),
                         std::to_string(row.calls.nMissed), std::to_string(row.nReceived), std::to_string(row.nSent),
                         IsoLocalTime(row.ftLast)});
    }
    return writer.Finish();
}
