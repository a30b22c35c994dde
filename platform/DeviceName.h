#pragma once

// How the desktop shell names the device it shows.

#include <string>

// The device store's file name, with " (demo)" when it is an invented demo
// phone; the file name alone when it cannot be opened.
std::wstring DeviceTitle();

// Whether the device the program shows is an invented demo phone.
bool DeviceIsDemo();
