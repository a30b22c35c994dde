#pragma once

// The messaging interface, standing in over the device store's message
// tables. It has the shape of the platform's MAPI but is not COM: objects
// are released with Release(), property values with MAPIFreeBuffer and row
// sets with FreeProws. Only what the program uses is declared. The device
// store is only ever read; a missing or unreadable store is a message
// store session without stores.
//
// The stand-in's parts: the property marshalling (MapiProps), its view of
// the device store (MapiStoreDb, MapiFolderSnapshot) and the objects
// (MapiTable, MapiFolder, and MapiStore.cpp with the functions below).

#include "platform/PlatformResult.h"
#include "platform/PlatformTypes.h"

#include <cstdint>
#include <functional>

using SCODE = LONG;
using ULONG_PTR = uintptr_t;

constexpr HRESULT MAPI_W_ERRORS_RETURNED = 0x00040380;
constexpr HRESULT MAPI_E_CALL_FAILED = E_FAIL;
constexpr HRESULT MAPI_E_INVALID_PARAMETER = E_INVALIDARG;
constexpr HRESULT MAPI_E_NOT_ENOUGH_MEMORY = E_OUTOFMEMORY;
constexpr HRESULT MAPI_E_NO_ACCESS = static_cast<HRESULT>(0x80070005);
constexpr HRESULT MAPI_E_NO_SUPPORT = static_cast<HRESULT>(0x80040102);
constexpr HRESULT MAPI_E_INVALID_ENTRYID = static_cast<HRESULT>(0x80040107);
constexpr HRESULT MAPI_E_NOT_FOUND = static_cast<HRESULT>(0x8004010F);
constexpr HRESULT MAPI_E_LOGON_FAILED = static_cast<HRESULT>(0x80040111);
constexpr HRESULT MAPI_E_CORRUPT_DATA = static_cast<HRESULT>(0x8004011B);
constexpr HRESULT MAPI_E_NOT_INITIALIZED = static_cast<HRESULT>(0x80040605);

constexpr ULONG MAPI_MODIFY = 0x00000001;
constexpr ULONG MAPI_BEST_ACCESS = 0x00000010;
constexpr ULONG MAPI_UNICODE = 0x80000000;

// Object types that OpenEntry reports.
constexpr ULONG MAPI_STORE = 1;
constexpr ULONG MAPI_FOLDER = 3;
constexpr ULONG MAPI_MESSAGE = 5;

constexpr ULONG PT_LONG = 0x0003;
constexpr ULONG PT_ERROR = 0x000A;
constexpr ULONG PT_UNICODE = 0x001F;
constexpr ULONG PT_SYSTIME = 0x0040;
constexpr ULONG PT_BINARY = 0x0102;

constexpr ULONG PROP_TAG(ULONG ulPropType, ULONG ulPropId)
{
    return (ulPropId << 16) | ulPropType;
}

constexpr ULONG PROP_TYPE(ULONG ulPropTag)
{
    return ulPropTag & 0xFFFF;
}

constexpr ULONG PROP_ID(ULONG ulPropTag)
{
    return ulPropTag >> 16;
}

constexpr ULONG PR_ENTRYID = PROP_TAG(PT_BINARY, 0x0FFF);
constexpr ULONG PR_DISPLAY_NAME = PROP_TAG(PT_UNICODE, 0x3001);
constexpr ULONG PR_EMAIL_ADDRESS = PROP_TAG(PT_UNICODE, 0x3003);
constexpr ULONG PR_SENDER_NAME = PROP_TAG(PT_UNICODE, 0x0C1A);
constexpr ULONG PR_SUBJECT = PROP_TAG(PT_UNICODE, 0x0037);
constexpr ULONG PR_MESSAGE_DELIVERY_TIME = PROP_TAG(PT_SYSTIME, 0x0E06);
// Store properties holding the entry identifiers of the Inbox and of Sent Items.
constexpr ULONG PR_CE_IPM_INBOX_ENTRYID = PROP_TAG(PT_BINARY, 0x8106);
constexpr ULONG PR_IPM_SENTMAIL_ENTRYID = PROP_TAG(PT_BINARY, 0x35E4);

struct ENTRYID {
    BYTE abFlags[4];
    BYTE ab[1];
};

struct SBinary {
    ULONG cb;
    BYTE* lpb;
};

union PV {
    LONG l;
    FILETIME ft;
    LPWSTR lpszW;
    SBinary bin;
    SCODE err;
};

// A value whose tag has the type PT_ERROR carries in err why the requested
// property could not be had.
struct SPropValue {
    ULONG ulPropTag;
    ULONG dwAlignPad;
    PV Value;
};

struct SPropTagArray {
    ULONG cValues;
    ULONG aulPropTag[1];
};

// A tag array of a fixed size, passed where an SPropTagArray is expected:
//   SizedSPropTagArray(2, columns) = {2, {PR_ENTRYID, PR_DISPLAY_NAME}};
#define SizedSPropTagArray(n, name)                                                                        \
    struct SPropTagArray_##name {                                                                         \
        ULONG cValues;                                                                                     \
        ULONG aulPropTag[n];                                                                               \
    } name

struct SRow {
    ULONG ulAdrEntryPad;
    ULONG cValues;
    SPropValue* lpProps;
};

struct SRowSet {
    ULONG cRows;
    SRow aRow[1];
};

class IUnknown
{
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

class IMAPITable : public IUnknown
{
public:
    virtual HRESULT SetColumns(const SPropTagArray* lpPropTagArray, ULONG ulFlags) = 0;
    // Hands out the next rows from the current position, at most lRowCount;
    // an empty row set at the end of the table.
    virtual HRESULT QueryRows(LONG lRowCount, ULONG ulFlags, SRowSet** lppRows) = 0;
    virtual HRESULT GetRowCount(ULONG ulFlags, ULONG* lpulCount) = 0;
};

class IMAPIProp : public IUnknown
{
public:
    // The values of the given tags, in their order. A property that the
    // object lacks comes back as an error value, and the result is then
    // MAPI_W_ERRORS_RETURNED.
    virtual HRESULT GetProps(const SPropTagArray* lpPropTagArray, ULONG ulFlags, ULONG* lpcValues,
                             SPropValue** lppPropArray) = 0;
};

class IMessage : public IMAPIProp
{
public:
    // One row per recipient, holding PR_DISPLAY_NAME and then
    // PR_EMAIL_ADDRESS; a property the recipient lacks is left out of its row.
    virtual HRESULT GetRecipientTable(ULONG ulFlags, IMAPITable** lppTable) = 0;
};

class IMAPIContainer : public IMAPIProp
{
public:
    // The folder's messages in ascending order of their identity in the
    // store, with the single column PR_ENTRYID.
    virtual HRESULT GetContentsTable(ULONG ulFlags, IMAPITable** lppTable) = 0;
    virtual HRESULT OpenEntry(ULONG cbEntryID, const ENTRYID* lpEntryID, const void* lpInterface, ULONG ulFlags,
                              ULONG* lpulObjType, IUnknown** lppUnk) = 0;
};

class IMAPIFolder : public IMAPIContainer
{
};

class IMsgStore : public IMAPIProp
{
public:
    // Opens a folder of the store; the store is read-only, so MAPI_MODIFY
    // is refused.
    virtual HRESULT OpenEntry(ULONG cbEntryID, const ENTRYID* lpEntryID, const void* lpInterface, ULONG ulFlags,
                              ULONG* lpulObjType, IUnknown** lppUnk) = 0;
};

class IMAPISession : public IUnknown
{
public:
    // The stores in the device's order, with the columns PR_ENTRYID and
    // PR_DISPLAY_NAME.
    virtual HRESULT GetMsgStoresTable(ULONG ulFlags, IMAPITable** lppTable) = 0;
    // Opens a store by the entry identifier from the stores table.
    virtual HRESULT OpenEntry(ULONG cbEntryID, const ENTRYID* lpEntryID, const void* lpInterface, ULONG ulFlags,
                              ULONG* lpulObjType, IUnknown** lppUnk) = 0;
    virtual HRESULT Logoff(ULONG_PTR ulUIParam, ULONG ulFlags, ULONG ulReserved) = 0;
};

HRESULT MAPIInitialize(void* lpMapiInit);
void MAPIUninitialize();
// Opens a session on the device store named by the environment. Needs
// MAPIInitialize first.
HRESULT MAPILogonEx(ULONG_PTR ulUIParam, LPWSTR lpszProfileName, LPWSTR lpszPassword, ULONG ulFlags,
                    IMAPISession** lppSession);
ULONG MAPIFreeBuffer(void* lpBuffer);
void FreeProws(SRowSet* lpRows);

// What the stand-in has read so far in this process. Lets tests count what
// a step costs.
struct MapiReadCounts {
    uint64_t nFoldersOpened = 0;
    uint64_t nContentsTablesOpened = 0;
    uint64_t nContentsRowsFetched = 0; // rows handed out by contents tables
    uint64_t nMessagesOpened = 0;
    uint64_t nStoreRowsRead = 0; // rows read from the device store by any query
};
MapiReadCounts MapiStoreReadCounts();
// Waits until a folder being read ahead of its walk has been read, so that
// a test can change the store after that reading rather than during it.
void MapiWaitForReadingAhead();

// The failure seam for tests: when set, it is asked before a message is
// opened, before its properties are read and before its recipient table is
// opened, with the message's row id in the device store. A failing code
// makes that step fail with it.
enum class MapiFaultStep {
    OpenMessage,
    GetProps,
    GetRecipientTable,
};
using MapiFault = std::function<HRESULT(MapiFaultStep step, int64_t nMessageId)>;
void SetMapiFault(MapiFault fault);
