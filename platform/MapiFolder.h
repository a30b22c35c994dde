#pragma once

// A folder of the message store and what is opened from it: its contents
// table, its messages and their recipient tables.

#include "platform/MapiStore.h"

#include <cstdint>
#include <memory>

class CStoreDb;

// Opens the folder of store nStoreId that has this entry identifier, after
// the checks of CheckOpenEntry: MAPI_E_NOT_FOUND when there is none.
HRESULT OpenMapiFolder(const std::shared_ptr<CStoreDb>& pDb, int64_t nStoreId, ULONG cbEntryID, const ENTRYID* pEntryID,
                       IMAPIFolder** ppFolder);
