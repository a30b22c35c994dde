#include "platform/DeviceName.h"

#include "device/DeviceStore.h"
#include "platform/WideText.h"

#include <filesystem>

std::wstring DeviceTitle()
{
    std::string strPath = DefaultDevicePath();
    std::wstring strTitle = WideFromUtf8(std::filesystem::path(strPath).filename().string());
    CDeviceStore store;
    if (store.OpenReadOnly(strPath, StoreCheck::Schema) == DeviceStatus::Ok && store.IsDemo())
        strTitle += L" (demo)";
    return strTitle;
}
