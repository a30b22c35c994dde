#pragma once

#include "figures/CallerRanking.h"
#include "platform/PlatformTypes.h"

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Rows written for other programs: CSV after RFC 4180 (UTF-8, a header row,
// fields quoted when they hold a comma, a quote or a line break, CRLF line
// ends) or JSON (one array of objects, one object a line).
enum class ExportFormat { Csv, Json };

// A column: its name in the header row or as the JSON key, and whether its
// cells are numbers (bare in JSON, never neutralised in CSV).
struct ExportColumn {
    const char* pszName;
    bool bNumber;
};

class CExportWriter
{
public:
    CExportWriter(ExportFormat format, std::vector<ExportColumn> columns, std::FILE* pOut);
    CExportWriter(const CExportWriter&) = delete;
    CExportWriter& operator=(const CExportWriter&) = delete;

    // One cell per column, in UTF-8. The header goes out before the first.
    void WriteRow(const std::vector<std::string>& cells);
    // Ends the output; false when any write failed.
    bool Finish();

private:
    void Begin();
    void Put(std::string_view text);

    ExportFormat m_format;
    std::vector<ExportColumn> m_columns;
    std::FILE* m_pOut;
    std::string m_strBuffer;
    bool m_bBegun = false;
    bool m_bFirstRow = true;
    bool m_bFailed = false;
};

// A text cell as CSV writes it: quoted when it must be, and a cell that a
// spreadsheet would take for a formula (starting with =, +, -, @, a tab or a
// carriage return) gets a leading apostrophe, so that it stays text.
std::string CsvTextCell(std::string_view text);
// A JSON string literal, quotes included.
std::string JsonString(std::string_view text);
// A local time as ISO 8601 with the zone's offset at that time,
// "2024-03-05T09:07:03+01:00"; empty for time 0.
std::string IsoLocalTime(const FILETIME& ftLocal);

// Writes strPath through write(), into a new file beside it that replaces
// strPath only when write() returned true and every byte reached the disk;
// otherwise strPath is left as it was and the new file removed. Returns 0,
// or -1 with the reason in *pstrError.
int ReplaceFile(const std::string& strPath, const std::function<bool(std::FILE*)>& write, std::string* pstrError);

// The ranking's rows as the screen shows them, with talk times in seconds.
bool WriteRankingRows(const std::vector<CallerRankingRow>& rows, ExportFormat format, std::FILE* pOut);
