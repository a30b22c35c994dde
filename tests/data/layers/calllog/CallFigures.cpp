// A core file that reaches up into a screen, and one that names a header
// without its folder.
#include "reports/CallerSummeryDlg.h"
#include "CallLog.h"
