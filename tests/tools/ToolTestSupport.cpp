#include "tests/tools/ToolTestSupport.h"

#include "device/DeviceStore.h"
#include "tests/support/TestDevice.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestShell.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>
#include <sys/stat.h>

std::vector<std::string> ToolRun::ErrLines() const
{
    std::vector<std::string> lines;
    std::istringstream in(strErr);
    for (std::string strLine; std::getline(in, strLine);)
        lines.push_back(strLine);
    return lines;
}

std::string ToolCommand(const std::string& strDevice, const std::string& strArgs, const std::string& strEnv)
{
    return strEnv + " " + ShellQuote(RINGTALLY_DEVICE_TOOL) + " --device " + ShellQuote(strDevice) + " " + strArgs;
}

ToolRun RunTool(const std::string& strDevice, const std::string& strArgs, const std::string& strEnv)
{
    ToolRun run;
    run.nStatus = RunCommand(ToolCommand(strDevice, strArgs, strEnv), &run.strOut, &run.strErr);
    return run;
}

void MakeSmallStore(const std::string& strPath)
{
    CDeviceStore store;
    ASSERT_EQ(store.Create(strPath), DeviceStatus::Ok) << store.ErrorText();
    ASSERT_EQ(store.AddCalls({MakeTestCall("Anna", "+491", 1, UtcTicks(2024, 1, 1, 9)),
                              MakeTestCall("Ben", "+492", 2, UtcTicks(2024, 1, 2, 9)),
                              MakeTestCall(nullptr, "+493", 0, UtcTicks(2024, 1, 3, 9))}),
              0);
    DeviceMessage message;
    message.nFolderId = store.FindFolder("SMS", "sent");
    message.nDeliveryTime = UtcTicks(2024, 1, 4);
    message.strBody = "Hi both";
    message.recipients = {{"Anna", "+491"}, {"Ben", "+492"}};
    ASSERT_EQ(store.AddMessages({message, message}), 0);
}

std::string CallsBackup(int nCalls, bool bEnd)
{
    std::string strXml =
        "<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n<calls count=\"" + std::to_string(nCalls) + "\">\n";
    for (int i = 0; i < nCalls; ++i)
        strXml += "  <call number=\"+4930" + std::to_string(100000 + i) + "\" duration=\"" + std::to_string(i % 600) +
                  "\" date=\"" + std::to_string(1709287200000LL + i * 60000LL) + "\" type=\"" +
                  std::to_string(1 + i % 3) + "\" />\n";
    return bEnd ? strXml + "</calls>\n" : strXml;
}

int64_t CountCalls(const std::string& strPath)
{
    CDeviceStore store;
    if (store.OpenReadOnly(strPath) != DeviceStatus::Ok)
        return -1;
    return store.Database().QueryInt("SELECT count(*) FROM calllog").value_or(-1);
}

std::string DescribeTree(const std::string& strDir)
{
    std::ostringstream out;
    for (const auto& item : std::filesystem::recursive_directory_iterator(strDir)) {
        struct stat st {};
        ::lstat(item.path().c_str(), &st);
        out << item.path().string() << " " << st.st_mode << " " << st.st_mtim.tv_sec << "." << st.st_mtim.tv_nsec << " "
            << std::hash<std::string> {}(item.is_regular_file() ? ReadFile(item.path()) : "") << "\n";
    }
    return out.str();
}
