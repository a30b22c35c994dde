#pragma once

#include "device/DeviceRecords.h"
#include "device/FileStamp.h"
#include "device/FileTimeTicks.h"
#include "device/Statement.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The device store: the SQLite file that stands for the phone's call log and
// message store. Its schema is a stable file format that users and tools may
// write with plain SQL.

constexpr int64_t kDeviceApplicationId = 1381256281; // 'RTLY'
constexpr int64_t kDeviceSchemaVersion = 1;
// The store's tables, each after those that its rows refer to.
inline constexpr const char* kDeviceTables[] = {"msgstore", "folder", "calllog", "message", "recipient"};

enum class DeviceStatus {
    Ok,
    Missing,      // no file at the path
    NotAStore,    // a file, but not a Ringtally device store
    NewerVersion, // a store written by a newer Ringtally
    Corrupt,      // a Ringtally store whose contents cannot be read
    Unreadable,   // the file exists but cannot be opened (permissions, a folder, ...)
    Interrupted,  // a write was interrupted and its journal waits to be rolled back,
                  // which only a connection that may write can do
    Exists,       // creating: something is already at the path
    WriteFailed,  // creating or writing failed (unwritable place, full disk, ...)
};

// The path the program and the device tool use when none is given:
// $RINGTALLY_DEVICE, else $XDG_DATA_HOME/ringtally/device.db, else
// ~/.local/share/ringtally/device.db.
std::string DefaultDevicePath();

// Where the invented demo phone lives unless a path is given: demo.db in the
// default device's folder under $XDG_DATA_HOME (or ~/.local/share), never
// at the device path itself, so that the demo's calls are never mixed with
// a user's real ones. $RINGTALLY_DEVICE does not move it.
std::string DemoDevicePath();

// The user's own device at its usual place, whatever $RINGTALLY_DEVICE says:
// device.db in the same folder as the demo.
std::string OwnDevicePath();

// The table whose presence marks a store as an invented demo phone, with
// how it was made. Only the demo maker creates it.
constexpr const char* kDemoMarkerTable = "demo";

// The display name that the store gives a new folder of this role: those of
// the five standard folders, else "Other".
const char* FolderDisplayName(std::string_view strRole);

// How much of a store is checked when it is opened. Whole reads every page
// (SQLite's quick check), which takes about half a second for a million calls
// and as many messages: right for the device tool, which reports on a store
// or writes into it. Schema reads the header and the schema only; a damaged
// page further in is then met as a failed read of the records on it.
enum class StoreCheck { Whole, Schema };

// What a check of a whole store found: nothing, when it is sound.
struct StoreCheckReport {
    std::vector<std::string> problems; // the first problems found, one line each
    bool bMoreProblems = false;        // there were more than those
    // The rows of the five tables, when all five could be counted.
    std::optional<int64_t> nCalls, nStores, nFolders, nMessages, nRecipients;

    bool Sound() const { return problems.empty(); }
};

class CDeviceStore
{
public:
    // Opens an existing store for reading only: SQLITE_OPEN_READONLY and
    // query_only. Never creates or changes a file, a store in WAL mode included.
    DeviceStatus OpenReadOnly(const std::string& strPath, StoreCheck check = StoreCheck::Whole);
    // Creates a new store with the schema and the "SMS" store and its five
    // folders. Refuses any existing file.
    DeviceStatus Create(const std::string& strPath);
    // Opens an existing store for writing, after the same checks as reading.
    // The unfinished changes of an interrupted write are rolled back first;
    // Interrupted tells why that cannot be done.
    DeviceStatus OpenForWriting(const std::string& strPath);
    // Opens an existing SQLite file for reading only, without any check of
    // its content: for examining a store that may be damaged. Interrupted
    // when a write was interrupted, as with OpenReadOnly.
    DeviceStatus OpenForExamining(const std::string& strPath);
    void Close();

    // How the opens that follow wait for another connection's lock (by
    // default a short wait): a writer may have to wait for another.
    void SetLockWait(std::optional<LockWait> wait);
    // Whether the last open for writing rolled back the unfinished changes of
    // an interrupted write.
    bool RolledBackInterruptedWrite() const { return m_bRolledBack; }
    // Rolls back what an interrupted write left in the store at strPath, if
    // anything, whatever else may be wrong with the store, and closes it:
    // Ok, or Interrupted telling why it cannot be done (or why the store
    // cannot be opened).
    DeviceStatus RollBackInterruptedWrite(const std::string& strPath);

    // Examines the store at strPath whole and changes nothing: SQLite's
    // integrity check of every page, index and constraint, and the store's
    // own format (application id, format version, the five tables and their
    // columns). Ok when the file could be examined, whatever was found;
    // otherwise why not (Missing, Unreadable, Interrupted, NewerVersion).
    // Leaves the store closed.
    DeviceStatus Check(const std::string& strPath, StoreCheckReport* pReport);

    // One clear line describing the last failure.
    const std::string& ErrorText() const { return m_strError; }
    const std::string& Path() const { return m_strPath; }
    // Whether the connection still reads the file as it was opened. One
    // opened as immutable (reading a store in WAL mode that no writer had
    // open) takes no locks and keeps what it has read, so once a writer has
    // been at the file it may read pages of two states; any other connection
    // reads one state per statement, and always gives true.
    bool ReadsAsOpened() const;
    CDatabase& Database() { return m_db; }
    int64_t SchemaVersion();
    // Whether the store is an invented demo phone.
    bool IsDemo();

    // Write API; each batch runs in one transaction and leaves the store as it
    // was when it fails. Return 0 on success and -1 on failure.
    int AddCalls(const std::vector<DeviceCall>& calls);
    int AddMessages(const std::vector<DeviceMessage>& messages);
    // Adds a store row with its five standard folders; returns its id or -1.
    int64_t AddStore(const std::optional<std::string>& strDisplayName);
    // The same inside a transaction that the caller holds.
    int64_t InsertStore(const std::optional<std::string>& strDisplayName);
    // The id of the first folder with this role in the first store of this
    // display name (any letter case), or -1.
    int64_t FindFolder(const std::string& strStoreName, const std::string& strRole);
    // The same, made when missing: a store of this name with its five
    // folders, or a folder of this role in the first store of this name.
    // Inside a transaction that the caller holds; -1 on failure.
    int64_t FolderFor(const std::string& strStoreName, const std::string& strRole);

private:
    int64_t InsertFolder(int64_t nStore, std::string_view strRole);
    DeviceStatus OpenFile(const std::string& strPath, bool bWrite);
    DeviceStatus OpenExisting(const std::string& strPath, bool bWrite, StoreCheck check);
    DeviceStatus FindInterruptedWrite(const std::string& strPath, bool* pbInterrupted);
    void CheckContent(int64_t nAppId, std::optional<int64_t> version, StoreCheckReport* pReport);
    DeviceStatus Fail(DeviceStatus status, std::string strText);

    CDatabase m_db;
    std::string m_strPath;
    // The file as it was just before an immutable connection opened it.
    FileStamp m_openStamp;
    std::string m_strError;
    bool m_bRolledBack = false;
};

// A short English description of a status, for messages.
const char* DeviceStatusText(DeviceStatus status);
