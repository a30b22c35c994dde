#include "platform/DeviceName.h"

#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

TEST(DeviceName, TheTitleNamesTheFileAndSaysWhenItIsADemo)
{
    CTempDir dir;
    {
        CDeviceStore store;
        ASSERT_EQ(store.Create(dir.File("mine.db")), DeviceStatus::Ok);
        ASSERT_EQ(store.Create(dir.File("demo.db")), DeviceStatus::Ok);
        ASSERT_EQ(store.Database().Exec("CREATE TABLE demo (seed, calls, messages)"), SQLITE_OK);
    }
    WriteFile(dir.File("notes.db"), "not a store");
    struct Case {
        const char* pszFile;
        const wchar_t* pszTitle;
    };
    for (const Case& c : {Case {"mine.db", L"mine.db"}, Case {"demo.db", L"demo.db (demo)"},
                          Case {"notes.db", L"notes.db"}, Case {"missing.db", L"missing.db"}}) {
        CEnvVar device("RINGTALLY_DEVICE", dir.File(c.pszFile));
        EXPECT_EQ(DeviceTitle(), c.pszTitle) << c.pszFile;
    }
}
