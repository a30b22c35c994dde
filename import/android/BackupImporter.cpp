#include "import/android/BackupImporter.h"

#include "import/BackupWriter.h"
#include "import/android/BackupReader.h"
#include "import/android/RecordMapping.h"

#include <utility>
#include <vector>

namespace {

// Takes the records from the reader, maps them and writes them.
class CImportRun : public CBackupRecordSink
{
public:
    CImportRun(CBackupWriter& writer, ImportReport* pReport)
        : m_writer(writer)
        , m_pReport(pReport)
    {
    }

    int OnCall(CallRecord&& record) override
    {
        ++m_pReport->calls.nRead;
        int64_t nType = record.nType;
        bool bInSeconds = false;
        std::optional<DeviceCall> call = CallFromRecord(std::move(record), &bInSeconds);
        if (!call) {
            ++m_pReport->calls.nUndated;
            return 0;
        }
        m_pReport->calls.nDatesInSeconds += bInSeconds;
        return m_writer.WriteCall(std::move(*call), nType, &m_pReport->calls);
    }

    int OnSms(SmsRecord&& record) override
    {
        bool bInSeconds = false;
        std::optional<BackupMessage> message = MessageFromSms(std::move(record), &bInSeconds);
        m_pReport->sms.nDatesInSeconds += message && bInSeconds;
        return Write(std::move(message), &m_pReport->sms);
    }

    int OnMms(MmsRecord&& record) override
    {
        return Write(MessageFromMms(std::move(record)), &m_pReport->mms);
    }

    // The records read so far are written while the reader waits for more.
    int OnPieceDone() override { return m_writer.HandOver(); }

private:
    int Write(std::optional<BackupMessage> message, ImportCounts* pCounts)
    {
        ++pCounts->nRead;
        if (!message) {
            ++pCounts->nUndated;
            return 0;
        }
        return m_writer.WriteMessage(std::move(*message), pCounts);
    }

    CBackupWriter& m_writer;
    ImportReport* m_pReport;
};

} // namespace

CBackupImporter::CBackupImporter(CDeviceStore& store)
    : m_store(store)
{
}

int CBackupImporter::ImportFile(const std::string& strPath, const ImportOptions& options, ImportReport* pReport)
{
    *pReport = ImportReport {};
    m_strError.clear();
    CBackupReader reader(strPath, options, pReport);
    if (reader.Open() != 0) {
        m_strError = reader.ErrorText();
        return -1;
    }
    CBackupWriter writer(m_store);
    CImportRun run(writer, pReport);
    // The store is written on the writer's thread while the file is read.
    int nResult = writer.Begin(WriteMode::Background);
    if (nResult == 0) {
        int nRead = reader.Read(&run);
        // Every record given to the writer was read before whatever stopped
        // the reading, so one that cannot be written is what the file fails on.
        if (writer.Finish() != 0) {
            nResult = -1;
        } else if (nRead != 0) {
            m_strError = reader.ErrorText();
            return -1;
        }
    }
    if (nResult == 0)
        nResult = writer.Commit();
    if (nResult != 0) {
        m_strError = strPath + ": " + writer.ErrorText();
        return -1;
    }
    return 0;
}
