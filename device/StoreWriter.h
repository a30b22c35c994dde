#pragma once

#include "device/DeviceRecords.h"
#include "device/Statement.h"

#include <cstddef>
#include <span>

// How an insert meets a row that a unique index already holds.
enum class OnDuplicate {
    Fail, // the insert fails
    Skip, // the row is left out, and the insert tells so
};

// The device store's inserts of calls and of messages with their
// recipients, prepared once for any number of rows. A writer may give
// columns of its own (added to the store beforehand), which follow the
// store's columns in every row.
class CStoreWriter
{
public:
    // Returns 0, or -1 with the database's error set. The database must stay
    // open while the writer is used.
    int Prepare(CDatabase& db, OnDuplicate onDuplicate = OnDuplicate::Fail,
                std::span<const char* const> callColumns = {}, std::span<const char* const> messageColumns = {});

    // Each takes the values of the writer's own columns in their order, and
    // returns 0 or -1. *pAdded tells whether the row was added or a unique
    // index left it out; a message left out gets no recipients.
    int InsertCall(const DeviceCall& call, std::span<const SqlValue> extra = {}, bool* pAdded = nullptr);
    int InsertMessage(const DeviceMessage& message, std::span<const SqlValue> extra = {}, bool* pAdded = nullptr);

private:
    int BindExtra(CStatement& stmt, int nFirst, size_t nColumns, std::span<const SqlValue> extra);
    int Finish(CStatement& stmt, bool* pAdded);

    CDatabase* m_pDb = nullptr;
    CStatement m_call;
    CStatement m_message;
    CStatement m_recipient;
    size_t m_nCallColumns = 0;
    size_t m_nMessageColumns = 0;
};
