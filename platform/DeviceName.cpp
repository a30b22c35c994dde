#include "platform/DeviceName.h"

#include "device/DeviceStore.h"
#include "platform/WideText.h"

#include <filesystem>

bool DeviceIsDemo()
{
    CDeviceStore store;
    return store.OpenReadOnly(DefaultDevicePath(), StoreCheck::Schema) == DeviceStatus::Ok && store.IsDemo();
}

std::wstring DeviceTitle()
{
    std::wstring strTitle = WideFromUtf8(std::filesystem::path(DefaultDevicePath()).filename().string());
    if (DeviceIsDemo())
        strTitle += L" (demo)";
    return strTitle;
}
