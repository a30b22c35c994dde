#pragma once

#include "device/DeviceStore.h"
#include "tests/support/TestFiles.h"

#include <string>
#include <vector>

// The path of a hand-written backup file under tests/data.
std::string DataFile(const std::string& strName);
// Every row of every table, as text lines in a fixed order, to compare two
// states of a store.
std::vector<std::string> DumpStore(CDatabase& db);
// The result of a query as lines of '|'-joined columns (NULL as "NULL").
std::vector<std::string> QueryRows(CDatabase& db, const std::string& strSql);
