#pragma once

#include "import/ImportOptions.h"
#include "import/ImportReport.h"
#include "import/android/BackupRecords.h"
#include "import/android/ReferenceFilter.h"

#include <cstddef>
#include <memory>
#include <string>

struct XML_ParserStruct;

// Owns an open file descriptor, and closes it.
class CFileDescriptor
{
public:
    CFileDescriptor() = default;
    ~CFileDescriptor() { Reset(); }
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;

    // Closes the one held and takes fd (-1 for none).
    void Reset(int fd = -1);
    int Get() const { return m_fd; }

private:
    int m_fd = -1;
};

// Takes the records of a backup file one at a time, in file order; each
// record is the sink's, to move its texts out of. Each returns 0, or -1 to
// stop the reading.
class CBackupRecordSink
{
public:
    virtual ~CBackupRecordSink() = default;
    virtual int OnCall(CallRecord&& record) = 0;
    virtual int OnSms(SmsRecord&& record) = 0;
    virtual int OnMms(MmsRecord&& record) = 0;
    // Told after the records of each piece read, before the next piece is
    // read, which may wait for its input (a pipe).
    virtual int OnPieceDone() { return 0; }
};

// The memory that the XML parser of one file may hold. Enough for the
// largest record that is read, and a fixed bound whatever the file holds.
constexpr size_t kParserMemoryLimit = size_t(128) << 20;

// Reads a calls file (root <calls>) or a messages file (root <smses>) as a
// stream, in pieces of a fixed size whatever the file's size: the bytes go
// through the reference filter to the XML parser (expat), and each complete
// record to the sink. What the reading meets besides records goes into the
// report: the file's kind and size, elements that are no record, media parts
// and the filter's repairs, and where a salvaged file breaks off.
class CBackupReader
{
public:
    CBackupReader(const std::string& strPath, const ImportOptions& options, ImportReport* pReport);
    ~CBackupReader();
    CBackupReader(const CBackupReader&) = delete;
    CBackupReader& operator=(const CBackupReader&) = delete;

    // Each returns 0, or -1 with ErrorText() set, unless the sink stopped
    // the reading.
    int Open();
    int Read(CBackupRecordSink* pSink);
    // One line naming the file and what is wrong with it.
    const std::string& ErrorText() const { return m_strError; }

    // The parser's memory, counted against kParserMemoryLimit.
    struct ParserMemory {
        size_t nUsed = 0;
        bool bExceeded = false;
    };

private:
    enum class Record { None, Call, Sms, Mms };
    // How a piece of parsing ended.
    enum class Parsed { More, Ended, Failed, Truncated };

    Parsed Parse(const char* pData, size_t cbData, bool bFinal);
    int OnStart(const char* pszName, const char** ppAttributes);
    int OnEnd();
    int OnDocType();
    void ReadCall(const char** ppAttributes);
    void ReadSms(const char** ppAttributes);
    void ReadMms(const char** ppAttributes);
    void ReadPart(const char** ppAttributes);
    void ReadAddress(const char** ppAttributes);
    int Fail(std::string strText);
    int FailXml();
    // Ends the parsing from inside a handler.
    void Stop();

    static void OnStartElement(void* pUser, const char* pszName, const char** ppAttributes);
    static void OnEndElement(void* pUser, const char* pszName);
    static void OnStartDocType(void* pUser, const char* pszName, const char* pszSystem, const char* pszPublic,
                               int bInternal);

    const std::string& m_strPath;
    const ImportOptions& m_options;
    ImportReport* m_pReport;
    std::string m_strError;
    CFileDescriptor m_file;
    CBackupRecordSink* m_pSink = nullptr;

    CReferenceFilter m_filter;
    ParserMemory m_memory;
    XML_ParserStruct* m_pParser = nullptr;
    int m_nDepth = 0;
    int m_nSkipDepth = 0; // inside an element that is left out, from this depth
    bool m_bRootSeen = false;
    bool m_bEnded = false;
    int64_t m_nRecords = 0;

    Record m_record = Record::None;
    CallRecord m_call;
    SmsRecord m_sms;
    MmsRecord m_mms;
};
