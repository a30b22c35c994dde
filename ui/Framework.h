#pragma once

// Everything a dialog of the program needs from the platform's user
// interface, in one include.

#include "CommandBar.h"
#include "Controls.h"
#include "Dialog.h"
#include "Gdi.h"
#include "ImageList.h"
#include "ListCtrl.h"
#include "ListHelpers.h"
#include "MessageBox.h"
#include "Module.h"
#include "WinApp.h"
#include "Wnd.h"
