#include "tests/e2e/E2eSupport.h"

#include "device/DeviceStore.h"
#include "tests/support/TestDevice.h"
#include "tests/support/TestShell.h"

#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

void FileTimeFunction(sqlite3_context* pContext, int, sqlite3_value** ppArgs)
{
    const char* pszText = reinterpret_cast<const char*>(sqlite3_value_text(ppArgs[0]));
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    if (!pszText || std::sscanf(pszText, "%d-%d-%d %d:%d:%d.%d", &y, &mo, &d, &h, &mi, &s, &ms) < 6) {
        sqlite3_result_error(pContext, "ft() takes 'YYYY-MM-DD HH:MM:SS[.mmm]'", -1);
        return;
    }
    sqlite3_result_int64(pContext, UtcTicks(y, mo, d, h, mi, s, ms));
}

} // namespace

std::string MakeDevice(const std::string& strPath, const std::string& strSql)
{
    CDeviceStore store;
    if (store.Create(strPath) != DeviceStatus::Ok)
        return store.ErrorText();
    sqlite3_create_function(store.Database().Handle(), "ft", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            &FileTimeFunction, nullptr, nullptr);
    if (store.Database().Exec(strSql.c_str()) != SQLITE_OK)
        return store.Database().LastError();
    return {};
}

RingtallyRun RunRingtally(const std::string& strScriptPath, const std::string& strDevicePath,
                          const std::string& strWorkDir, const std::vector<std::string>& environment,
                          const std::string& strArguments)
{
    // Built by appending: GCC 12 warns falsely (-Wrestrict) about literal + string at -O3.
    std::string strCommand = "cd ";
    strCommand += ShellQuote(strWorkDir);
    strCommand += " && env QT_QPA_PLATFORM=offscreen RINGTALLY_AUTOMATION=";
    strCommand += ShellQuote(strScriptPath);
    strCommand += " RINGTALLY_DEVICE=";
    strCommand += ShellQuote(strDevicePath.empty() ? strWorkDir + "/no-device.db" : strDevicePath);
    for (const std::string& strSetting : environment) {
        strCommand += ' ';
        strCommand += ShellQuote(strSetting);
    }
    strCommand += ' ';
    strCommand += ShellQuote(RINGTALLY_BIN);
    strCommand += ' ';
    strCommand += strArguments;
    RingtallyRun run;
    std::string strErr;
    run.nStatus = RunCommand(strCommand, &run.strOutput, &strErr);
    std::istringstream lines(strErr);
    for (std::string strLine; std::getline(lines, strLine);) {
        if (strLine.rfind("error\t", 0) == 0)
            run.strErrors += strLine + "\n";
        else if (strLine.rfind("ringtally: ", 0) == 0)
            run.strWarnings += strLine + "\n";
    }
    return run;
}
