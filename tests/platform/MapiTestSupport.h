#pragma once

#include "platform/MapiStore.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// A logged-on session, released with everything when the test ends.
class CSessionGuard
{
public:
    CSessionGuard();
    ~CSessionGuard();
    CSessionGuard(const CSessionGuard&) = delete;
    CSessionGuard& operator=(const CSessionGuard&) = delete;
    IMAPISession* operator->() const { return m_pSession; }
    IMAPISession* Get() const { return m_pSession; }
    HRESULT Result() const { return m_hr; }

private:
    IMAPISession* m_pSession = nullptr;
    HRESULT m_hr = S_OK;
};

const ENTRYID* AsEntry(const Bytes& bytes);
Bytes ToBytes(const SBinary& bin);
Bytes QueryBlob(CDeviceStore& store, const std::string& strSql);
std::vector<Bytes> QueryBlobs(CDeviceStore& store, const std::string& strSql);

// A property value copied out of the memory it was handed out in.
struct Prop {
    ULONG ulTag = 0;
    SCODE err = 0;
    std::wstring strText;
    Bytes bytes;
};

// Fetches the next row of a table as copies of its values; empty at the end.
std::vector<Prop> NextRow(IMAPITable* pTable);

// Open an object by its entry identifier, expecting it to open.
IMsgStore* OpenStore(IMAPISession* pSession, const Bytes& entryId);
IMAPIFolder* OpenFolder(IMsgStore* pStore, const Bytes& entryId);
IMessage* OpenMessage(IMAPIFolder* pFolder, const Bytes& entryId);

// The recipient rows as "[n:name;a:address;]", one bracket per row, so
// that a row holding nothing shows as "[]".
std::wstring RecipientsOf(IMessage* pMessage);

// A test on a device of its own, with the entry identifiers of its objects.
class MapiTest : public ::testing::Test
{
protected:
    Bytes StoreEntry(int64_t nStore = 1);
    Bytes FolderEntry(int64_t nFolder);
    Bytes MessageEntry(int64_t nMessage);

    CTestDevice m_device;
};
