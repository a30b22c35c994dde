#include "import/android/BackupReader.h"
#include "tests/import/ImporterTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Text(const std::optional<std::string>& str)
{
    return str ? "'" + *str + "'" : "-";
}

std::string Number(const std::optional<int64_t>& nValue)
{
    return nValue ? std::to_string(*nValue) : "-";
}

// Writes each record down as one line, and stops after nStopAfter records.
class CRecordList : public CBackupRecordSink
{
public:
    int OnCall(CallRecord&& r) override
    {
        return Add("call " + Number(r.nDate) + " " + std::to_string(r.nDuration) + " " + std::to_string(r.nType) +
                   " " + std::to_string(r.nPresentation) + " '" + r.strNumber + "' '" + r.strContactName + "' '" +
                   r.strReadableDate + "'");
    }
    int OnSms(SmsRecord&& r) override
    {
        return Add("sms " + Number(r.nDate) + " " + std::to_string(r.nType) + " '" + r.strAddress + "' '" +
                   r.strContactName + "' " + Text(r.strBody) + " '" + r.strSubject + "' '" + r.strReadableDate + "'");
    }
    int OnMms(MmsRecord&& r) override
    {
        std::string strLine = "mms " + Number(r.nDate) + " " + std::to_string(r.nBox) + "/" +
                              std::to_string(r.nMessageType) + " '" + r.strId + "' '" +
                              r.strSubject + "' '" + r.strAddress + "' '" + r.strContactName + "' " + Text(r.strText);
        for (const MmsAddress& address : r.addresses)
            strLine += " " + std::to_string(address.nType) + ":" + address.strAddress;
        return Add(strLine);
    }

    std::vector<std::string> lines;
    size_t nStopAfter = SIZE_MAX;

private:
    int Add(std::string strLine)
    {
        lines.push_back(std::move(strLine));
        return lines.size() < nStopAfter ? 0 : -1;
    }
};

class BackupReaderTest : public ::testing::Test
{
protected:
    // Reads the text as a file; returns Read's result.
    int Read(const std::string& strXml, CRecordList* pList, bool bSalvage = false)
    {
        m_report = ImportReport {};
        m_options.bSalvage = bSalvage;
        std::string strPath = WriteFile(m_dir.File("backup.xml"), strXml);
        CBackupReader reader(strPath, m_options, &m_report);
        int nResult = reader.Open();
        if (nResult == 0)
            nResult = reader.Read(pList);
        m_strError = reader.ErrorText();
        return nResult;
    }

    CTempDir m_dir;
    ImportOptions m_options;
    ImportReport m_report;
    std::string m_strError;
};

TEST_F(BackupReaderTest, RecordsAsTheFileWritesThem)
{
    struct Case {
        const char* pszXml;
        std::vector<std::string> records;
    };
    const Case kCases[] = {
        {"<calls><call number=' +49 1 ' duration=' 65 ' date='1709287200000' type='7' presentation='2' "
         "contact_name='(Unknown)' other='x' readable_date='1 Mar 2024'/></calls>",
         {"call 1709287200000 65 7 2 ' +49 1 ' '(Unknown)' '1 Mar 2024'"}},
        // Numbers that are none read as 0; a date that is none, as no date.
        {"<calls><call date='soon' duration='long' type='x'/><call/></calls>",
         {"call - 0 0 0 '' '' ''", "call - 0 0 0 '' '' ''"}},
        {"<smses><sms address='+491~+492' date='-5' type='2' body='a&amp;b&#10;c' contact_name='A, B' "
         "subject='null' readable_date='x'/><sms date='1'/></smses>",
         {"sms -5 2 '+491~+492' 'A, B' 'a&b\nc' 'null' 'x'", "sms 1 0 '' '' - '' ''"}},
        // Text parts join line by line; "null" and missing texts are none;
        // the layout part and media are no text.
        {"<smses><mms date='1709290000' msg_box='1' m_type='132' m_id='m' sub='s' address='+491' contact_name='A'><parts>"
         "<part ct='application/smil' text='&lt;smil/&gt;'/><part ct='TEXT/PLAIN' text='one'/>"
         "<part ct='image/png' data='QUJD'/><part ct='text/plain' text='null'/><part ct='text/plain'/>"
         "<part ct='text/plain' text=''/><part ct='text/plain' text='two'/></parts>"
         "<addrs><addr address='+491' type='137'/><addr address='+492' type='151'/><addr type='x'/></addrs></mms>"
         "</smses>",
         {"mms 1709290000 1/132 'm' 's' '+491' 'A' 'one\n\ntwo' 137:+491 151:+492 0:"}},
        {"<smses><mms date='1' m_type='x'><parts/></mms></smses>", {"mms 1 0/0 '' '' '' '' -"}},
        // Parts and addresses count only inside an MMS, one level down.
        {"<smses><sms date='1'><part ct='text/plain' text='x'/></sms><mms date='2'><part ct='text/plain' "
         "text='x'/><addr address='+1' type='137'/></mms></smses>",
         {"sms 1 0 '' '' - '' ''", "mms 2 0/0 '' '' '' '' -"}},
    };
    for (const Case& c : kCases) {
        CRecordList list;
        ASSERT_EQ(Read(c.pszXml, &list), 0) << m_strError;
        EXPECT_EQ(list.lines, c.records) << c.pszXml;
    }
}

TEST_F(BackupReaderTest, WhatIsNoRecordGoesIntoTheReport)
{
    CRecordList list;
    // Parts count as media only in an MMS; the filter drops any part's data.
    std::string strXml = "<smses count=' 7 '>\n<sms date='1'><parts><part ct='image/png' data='QQ=='/></parts></sms>\n"
                         "<contact name='x'><sms date='2'/></contact>\n<mms date='3'><parts>"
                         "<part ct='image/jpeg' data='QUJDRA=='/><part ct='video/mp4' data='QQ=='/>"
                         "<part ct='application/smil' text='x'/></parts></mms>\n<call date='4'/>\n</smses>\n";
    ASSERT_EQ(Read(strXml, &list), 0) << m_strError;
    EXPECT_EQ(list.lines.size(), 3u);
    EXPECT_EQ(m_report.kind, BackupKind::Messages);
    EXPECT_EQ(m_report.nOtherElements, 1);
    EXPECT_EQ(m_report.nMediaParts, 2);
    EXPECT_EQ(m_report.nMediaBytes, 16);
    EXPECT_EQ(m_report.nFileBytes, strXml.size());
    EXPECT_EQ(m_report.nDeclaredRecords, 7);
    EXPECT_FALSE(m_report.bTruncated);

    for (const char* pszXml : {"<calls/>", "<calls count='many'/>", "<calls count=''/>"}) {
        ASSERT_EQ(Read(pszXml, &list), 0) << m_strError;
        EXPECT_EQ(m_report.nDeclaredRecords, std::nullopt) << pszXml;
    }
}

TEST_F(BackupReaderTest, ASinkThatStopsStopsTheReading)
{
    CRecordList list;
    list.nStopAfter = 2;
    EXPECT_EQ(Read("<calls><call date='1'/><call date='2'/><call date='3'/></calls>", &list), -1);
    EXPECT_EQ(list.lines.size(), 2u);
    EXPECT_EQ(m_strError, "") << "the sink tells its own reason";
}

TEST_F(BackupReaderTest, ABreakIsRefusedOrSalvagedAfterTheLastWholeRecord)
{
    const std::string strXml = "<calls>\n<call date='1'/>\n<call date='2'/>\n<call date='3' ty";
    CRecordList refused;
    EXPECT_EQ(Read(strXml, &refused), -1);
    EXPECT_NE(m_strError.find(": truncated at line 4, column 18 (the file breaks off before its end); 2 complete "
                              "records before it"),
              std::string::npos)
        << m_strError;

    CRecordList salvaged;
    ASSERT_EQ(Read(strXml, &salvaged, true), 0) << m_strError;
    EXPECT_EQ(salvaged.lines.size(), 2u);
    EXPECT_TRUE(m_report.bTruncated);
    EXPECT_EQ(m_report.nBreakLine, 4);
    EXPECT_EQ(m_report.nBreakColumn, 18);
}

TEST_F(BackupReaderTest, ADocumentTypeIsRefused)
{
    CRecordList list;
    EXPECT_EQ(Read("<?xml version='1.0'?>\n\n<!DOCTYPE calls>\n<calls/>\n", &list), -1);
    EXPECT_NE(m_strError.find(": refused: it has a document type declaration (line 3), which backup files never have"),
              std::string::npos)
        << m_strError;
    EXPECT_TRUE(list.lines.empty());
}

TEST_F(BackupReaderTest, AnyNumberOfAttributesIsRead)
{
    std::string strXml = "<calls><call";
    for (int i = 0; i < 100000; ++i)
        strXml += " x" + std::to_string(i) + "='" + std::to_string(i) + "'";
    strXml += " date='1709287200000' number='+491'/><call date='2' x1='1' x1='2'/></calls>";
    CRecordList list;
    EXPECT_EQ(Read(strXml, &list), -1);
    EXPECT_EQ(list.lines, (std::vector<std::string> {"call 1709287200000 0 0 0 '+491' '' ''"}));
    EXPECT_NE(m_strError.find("not well-formed XML at line 1, column "), std::string::npos) << m_strError;
    EXPECT_NE(m_strError.find("duplicate attribute"), std::string::npos) << m_strError;
}

TEST_F(BackupReaderTest, AFileThatWouldTakeTooMuchMemoryToReadIsRefused)
{
    // The parser keeps every different attribute name it meets; millions of
    // them are refused at a fixed bound instead of taking what they ask for.
    std::string strXml = "<calls>\n";
    for (int nElement = 0; nElement < 40000; ++nElement) {
        strXml += "<x";
        for (int i = 0; i < 100; ++i)
            strXml += " a" + std::to_string(nElement * 100 + i) + "=''";
        strXml += "/>\n";
    }
    strXml += "<call date='1'/>\n</calls>\n";
    CRecordList list;
    EXPECT_EQ(Read(strXml, &list), -1);
    EXPECT_NE(m_strError.find(": refused: reading it would take more than 128 MiB of memory, which no backup file "
                              "needs"),
              std::string::npos)
        << m_strError;
    EXPECT_TRUE(list.lines.empty());
}

} // namespace
