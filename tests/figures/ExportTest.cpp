#include "figures/Export.h"

#include "platform/PlatformTime.h"
#include "tests/support/TestDevice.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestGuards.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string Written(ExportFormat format, const std::vector<std::vector<std::string>>& rows)
{
    char* pBuffer = nullptr;
    size_t nSize = 0;
    std::FILE* pOut = open_memstream(&pBuffer, &nSize);
    CExportWriter writer(format, {{"name", false}, {"seconds", true}}, pOut);
    for (const auto& row : rows)
        writer.WriteRow(row);
    EXPECT_TRUE(writer.Finish());
    std::fclose(pOut);
    std::string strText(pBuffer, nSize);
    std::free(pBuffer);
    return strText;
}

} // namespace

TEST(Export, CsvCellsAreQuotedAsNeededAndFormulasStayText)
{
    struct Case {
        const char* pszText;
        const char* pszCell;
    };
    const Case cases[] = {
        {"Anna", "Anna"},
        {"", ""},
        {"Smith, Anna", "\"Smith, Anna\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\rhere", "\"cr\rhere\""},
        {"=SUM(A1:A2)", "'=SUM(A1:A2)"},
        {"+4930123", "'+4930123"},
        {"-1", "'-1"},
        {"@cmd", "'@cmd"},
        {"\tx", "'\tx"},
        {"=HYPERLINK(\"a\",\"b\")", "\"'=HYPERLINK(\"\"a\"\",\"\"b\"\")\""},
        {"Émile 😀", "Émile 😀"},
        {"a=b", "a=b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CsvTextCell(c.pszText), c.pszCell) << c.pszText;
}

TEST(Export, WritesCsvWithAHeaderAndJsonAsOneArray)
{
    const std::vector<std::vector<std::string>> rows = {{"Anna \"A\"", "65"}, {"+49\\1\n\x01", "0"}};
    EXPECT_EQ(Written(ExportFormat::Csv, rows), "name,seconds\r\n\"Anna \"\"A\"\"\",65\r\n\"'+49\\1\n\x01\",0\r\n");
    EXPECT_EQ(Written(ExportFormat::Json, rows),
              "[\n{\"name\":\"Anna \\\"A\\\"\",\"seconds\":65},\n{\"name\":\"+49\\\\1\\n\\u0001\",\"seconds\":0}\n]\n");
    EXPECT_EQ(Written(ExportFormat::Csv, {}), "name,seconds\r\n");
    EXPECT_EQ(Written(ExportFormat::Json, {}), "[]\n");
}

// The offset is the zone's at the time itself, summer or winter.
TEST(Export, LocalTimesCarryTheirOffset)
{
    CTimeZone zone("Europe/Berlin");
    EXPECT_EQ(IsoLocalTime(TicksToFileTime(static_cast<uint64_t>(UtcTicks(2024, 1, 5, 9, 7, 3)))),
              "2024-01-05T09:07:03+01:00");
    EXPECT_EQ(IsoLocalTime(TicksToFileTime(static_cast<uint64_t>(UtcTicks(2024, 7, 5, 23, 0, 0)))),
              "2024-07-05T23:00:00+02:00");
    EXPECT_EQ(IsoLocalTime(TicksToFileTime(0)), "");
    CTimeZone newYork("America/New_York");
    EXPECT_EQ(IsoLocalTime(TicksToFileTime(static_cast<uint64_t>(UtcTicks(2024, 1, 5, 9, 7, 3)))),
              "2024-01-05T09:07:03-05:00");
}

TEST(Export, AnExistingFileIsReplacedOnlyByACompleteOne)
{
    CTempDir dir;
    std::string strPath = dir.File("out.csv");
    std::ofstream(strPath) << "old";
    std::string strError;
    // A write that fails part way leaves the old file and nothing beside it.
    EXPECT_EQ(ReplaceFile(
                  strPath,
                  [](std::FILE* pOut) {
                      std::fputs("part", pOut);
                      return false;
                  },
                  &strError),
              -1);
    EXPECT_NE(strError.find("out.csv"), std::string::npos);
    EXPECT_EQ(ReadFile(strPath), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

    EXPECT_EQ(ReplaceFile(
                  strPath,
                  [](std::FILE* pOut) {
                      std::fputs("new", pOut);
                      return true;
                  },
                  &strError),
              0);
    EXPECT_EQ(ReadFile(strPath), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    EXPECT_EQ(ReplaceFile(
                  dir.File("none/out.csv"), [](std::FILE*) { return true; }, &strError),
              -1);
}
