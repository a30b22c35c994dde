#include "platform/DeviceWatch.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace {

bool SameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

const char* const kAddCall = "INSERT INTO calllog (start_time, end_time, iom) VALUES (1, 2, 0)";

// A watch with a connection opened as its owners open theirs: after the
// first look, and tracked until it closes.
class CWatchedDevice
{
public:
    explicit CWatchedDevice(CDeviceWatch& watch)
        : m_watch(watch)
    {
        EXPECT_EQ(m_watch.Check(), DeviceChange::File);
        EXPECT_EQ(m_reader.OpenReadOnly(m_watch.Path(), StoreCheck::Schema), DeviceStatus::Ok) << m_reader.ErrorText();
        m_watch.Track(&m_reader.Database());
    }
    ~CWatchedDevice() { m_watch.Track(nullptr); }

private:
    CDeviceWatch& m_watch;
    CDeviceStore m_reader;
};

TEST(DeviceWatch, LooksAgainOnlyAfterTheRecheckTime)
{
    CWatchClockGuard clock;
    CTestDevice device;
    CDeviceWatch watch;
    {
        CWatchedDevice watched(watch);
        EXPECT_EQ(watch.Path(), device.Path());
        EXPECT_TRUE(watch.Exists());
        EXPECT_EQ(watch.Looks(), 1u);

        // Nothing changed: no look within the recheck time, and looks that
        // find nothing after it.
        EXPECT_EQ(watch.Check(), DeviceChange::None);
        clock.Step(CDeviceWatch::kRecheckMs - 1);
        EXPECT_EQ(watch.Check(), DeviceChange::None);
        EXPECT_EQ(watch.Looks(), 1u);
        clock.Step(1);
        EXPECT_EQ(watch.Check(), DeviceChange::None);
        EXPECT_EQ(watch.Looks(), 2u);
        // A clock that went back is no reason to trust the last look.
        clock.Step(-5);
        EXPECT_EQ(watch.Check(), DeviceChange::None);
        EXPECT_EQ(watch.Looks(), 3u);
    }
}

TEST(DeviceWatch, OwnCommitsAreSeenAtOnce)
{
    CWatchClockGuard clock;
    CTestDevice device;
    CDeviceWatch watch;
    CWatchedDevice watched(watch);
    ASSERT_EQ(device.Store().AddCalls({MakeTestCall("Anna", "+4930", 1, 1000)}), 0);
    EXPECT_EQ(watch.Check(), DeviceChange::Contents);
    EXPECT_EQ(watch.Check(), DeviceChange::None);

    // A commit to another store has the watch look, and find nothing.
    CTempDir dir;
    CDeviceStore other;
    ASSERT_EQ(other.Create(dir.File("other.db")), DeviceStatus::Ok);
    ASSERT_EQ(other.AddCalls({MakeTestCall("Bob", "+4931", 1, 1000)}), 0);
    uint64_t nLooks = watch.Looks();
    EXPECT_EQ(watch.Check(), DeviceChange::None);
    EXPECT_EQ(watch.Looks(), nLooks + 1);
}

TEST(DeviceWatch, AnotherConnectionsCommitIsSeenAtTheNextRecheck)
{
    struct Case {
        const char* pszWhat;
        const char* pszJournal;
        bool bLogThere;               // without a -wal file a store in WAL mode is read as immutable
        bool bWriterStays;            // a writer that goes last takes the -wal file with it
        const char* pszWriterJournal; // the journal the other writer switches to
        DeviceChange change;
    };
    const Case kCases[] = {
        {"rollback journal", "DELETE", false, true, nullptr, DeviceChange::Contents},
        {"write-ahead log", "WAL", true, true, nullptr, DeviceChange::Contents},
        {"write-ahead log that appears", "WAL", false, true, nullptr, DeviceChange::File},
        {"write-ahead log that comes and goes", "WAL", false, false, nullptr, DeviceChange::File},
        {"rollback journal turned into a write-ahead log", "DELETE", false, true, "WAL", DeviceChange::File},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.pszWhat);
        CWatchClockGuard clock;
        CTestDevice device;
        ASSERT_EQ(device.Store().Database().Exec((std::string("PRAGMA journal_mode = ") + c.pszJournal).c_str()),
                  SQLITE_OK);
        ASSERT_EQ(device.Store().AddCalls({MakeTestCall("Anna", "+4930", 1, 1000)}), 0);
        if (!c.bLogThere)
            device.Store().Close();
        std::string strWal = device.Path() + "-wal";
        struct stat st {};
        ASSERT_EQ(::stat(strWal.c_str(), &st) == 0, c.bLogThere);

        CDeviceWatch watch;
        CWatchedDevice watched(watch);
        std::optional<CForeignWriter> writer(std::in_place, device.Path());
        if (c.pszWriterJournal)
            writer->Exec(std::string("PRAGMA journal_mode = ") + c.pszWriterJournal);
        writer->Exec(kAddCall);
        if (!c.bWriterStays) {
            writer.reset();
            ASSERT_NE(::stat(strWal.c_str(), &st), 0);
        }
        EXPECT_EQ(watch.Check(), DeviceChange::None);
        clock.PassRecheckTime();
        EXPECT_EQ(watch.Check(), c.change);
        clock.PassRecheckTime();
        EXPECT_EQ(watch.Check(), DeviceChange::None);
    }
}

// In WAL mode a commit may leave the file and its log as they were to the
// file system: here a log that starts over with a commit of the same size,
// its time set back. Only the connection's data version shows it.
TEST(DeviceWatch, ACommitThatLeavesTheLogsSizeAndTimeIsSeen)
{
    CWatchClockGuard clock;
    CTestDevice device;
    CDatabase& db = device.Store().Database();
    ASSERT_EQ(db.Exec("PRAGMA journal_mode = WAL"), SQLITE_OK);
    ASSERT_EQ(device.Store().AddCalls({MakeTestCall("Anna", "+4930", 1, 1000)}), 0);
    ASSERT_EQ(db.Exec("PRAGMA wal_checkpoint(RESTART)"), SQLITE_OK);

    CDeviceWatch watch;
    CWatchedDevice watched(watch);
    std::string strWal = device.Path() + "-wal";
    struct stat walBefore {
    }, dbBefore {};
    ASSERT_EQ(::stat(strWal.c_str(), &walBefore), 0);
    ASSERT_EQ(::stat(device.Path().c_str(), &dbBefore), 0);
    CForeignWriter writer(device.Path());
    writer.Exec(kAddCall);
    timespec times[2] = {walBefore.st_atim, walBefore.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, strWal.c_str(), times, 0), 0);

    // The case holds only if the file system sees nothing new.
    struct stat walAfter {
    }, dbAfter {};
    ASSERT_EQ(::stat(strWal.c_str(), &walAfter), 0);
    ASSERT_EQ(::stat(device.Path().c_str(), &dbAfter), 0);
    ASSERT_EQ(walAfter.st_size, walBefore.st_size);
    ASSERT_TRUE(SameTime(walAfter.st_mtim, walBefore.st_mtim));
    ASSERT_EQ(dbAfter.st_size, dbBefore.st_size);
    ASSERT_TRUE(SameTime(dbAfter.st_mtim, dbBefore.st_mtim));
    ASSERT_TRUE(SameTime(dbAfter.st_ctim, dbBefore.st_ctim));
    clock.PassRecheckTime();
    EXPECT_EQ(watch.Check(), DeviceChange::Contents);
}

TEST(DeviceWatch, AnotherFileAtThePathIsSeen)
{
    CWatchClockGuard clock;
    CTestDevice device;
    CTempDir dir;
    std::string strOther = dir.File("other.db");
    CDeviceStore other;
    ASSERT_EQ(other.Create(strOther), DeviceStatus::Ok);
    other.Close();
    CDeviceWatch watch;
    CWatchedDevice watched(watch);

    // Another path is looked at at once.
    {
        CEnvVar other("RINGTALLY_DEVICE", strOther);
        EXPECT_EQ(watch.Check(), DeviceChange::File);
        EXPECT_EQ(watch.Path(), strOther);
    }
    EXPECT_EQ(watch.Check(), DeviceChange::File);

    // A file put in the store's place, and then none.
    device.Store().Close();
    ASSERT_EQ(std::rename(strOther.c_str(), device.Path().c_str()), 0);
    clock.PassRecheckTime();
    EXPECT_EQ(watch.Check(), DeviceChange::File);
    EXPECT_TRUE(watch.Exists());
    ASSERT_EQ(std::remove(device.Path().c_str()), 0);
    clock.PassRecheckTime();
    EXPECT_EQ(watch.Check(), DeviceChange::File);
    EXPECT_FALSE(watch.Exists());
    clock.PassRecheckTime();
    EXPECT_EQ(watch.Check(), DeviceChange::None);
}

} // namespace
