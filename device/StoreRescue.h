#pragma once

#include "device/DeviceStore.h"

#include <cstdint>
#include <string>
#include <vector>

// What a rescue made of one table of the damaged store.
struct RescuedTable {
    std::string strName;
    int64_t nRows = 0;      // copied into the new store
    int64_t nRefused = 0;   // read, but refused by the new store (a damaged value)
    int64_t nGaps = 0;      // stretches of rows that could not be read
    std::string strError;   // the first error met in reading, if any
    std::string strRefusal; // why the first refused row was refused

    bool Whole() const { return nRefused == 0 && nGaps == 0 && strError.empty(); }
};

// Copies what can still be read of a damaged store into a new store.
class CStoreRescue
{
public:
    // Reads the store open in from (see CDeviceStore::OpenForExamining) and
    // makes a new store at strTo holding every row of the five tables that
    // can still be read, with its id and the further columns that the table
    // has (the importer's among them), written in one transaction. Where rows
    // cannot be read, the copy goes on with the next readable row. A rescue
    // that fails, or reads nothing at all, leaves nothing at strTo. Returns
    // 0, or -1 with ErrorText().
    int Run(CDeviceStore& from, const std::string& strTo);

    const std::vector<RescuedTable>& Tables() const { return m_tables; }
    const std::string& ErrorText() const { return m_strError; }

private:
    int Fill(CDatabase& from, CDeviceStore& to);
    int CopyTable(CDatabase& from, CDatabase& to, RescuedTable* pTable);
    int Fail(const std::string& strText);

    std::vector<RescuedTable> m_tables;
    std::string m_strError;
};
