#pragma once

// Process launch and wait under the platform's names. The program starts one
// application, the messaging application "\windows\tmail.exe"; here that is
// the program named by RINGTALLY_TMAIL, else our own ringtally-tmail (next to
// the running program, in the build tree's tools folder, then on PATH). Any
// other application path fails: there is nothing here it could mean.
//
// Under automation nothing is started: each launch prints
// "launch PATH COMMANDLINE" and its process counts as ended at once.

#include "platform/PlatformTypes.h"

#include <string>
#include <string_view>
#include <vector>

constexpr DWORD MAX_PATH = 260;
constexpr DWORD CREATE_NEW_CONSOLE = 0x00000010;
constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0x00000000;
constexpr DWORD WAIT_TIMEOUT = 0x00000102;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// The program passes none of these; they exist so that the calls read as on
// the platform.
struct SECURITY_ATTRIBUTES;
struct STARTUPINFOW;

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};

// Starts pszImageName with the command line pszCmdLine (the arguments only,
// split into words as SplitCommandLine does). CREATE_NEW_CONSOLE starts the
// process in a session of its own. On success fills *pProcInfo with two
// handles that the caller closes with CloseHandle and returns TRUE; returns
// FALSE when the application is unknown or cannot be started.
BOOL CreateProcessW(LPCWSTR pszImageName, LPCWSTR pszCmdLine, SECURITY_ATTRIBUTES* psaProcess,
                    SECURITY_ATTRIBUTES* psaThread, BOOL fInheritHandles, DWORD fdwCreate, void* pvEnvironment,
                    LPCWSTR pszCurDir, STARTUPINFOW* psiStartInfo, PROCESS_INFORMATION* pProcInfo);

// Waits until the process of hHandle (either of its two handles) has ended,
// or dwMilliseconds have passed (INFINITE: no limit). Meanwhile the calling
// thread's windows keep painting but take no input. Returns WAIT_OBJECT_0,
// WAIT_TIMEOUT, or WAIT_FAILED for a handle that is not open.
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);

// Closes a handle from CreateProcessW. The process itself runs on. FALSE for
// a handle that is not open.
BOOL CloseHandle(HANDLE hObject);

// Splits a command line into words the way the platform's programs split
// theirs:
// - blanks (space, tab) outside double quotes separate words; runs of blanks
//   count as one, and leading and trailing blanks make no word;
// - a double quote begins or ends a quoted part and is not itself kept; a
//   quoted part keeps its blanks, so "" alone is an empty word;
// - inside a quoted part, two double quotes in a row stand for one;
// - backslashes are kept as they are unless a double quote follows them:
//   then 2n backslashes give n backslashes and the quote acts as above, and
//   2n+1 backslashes give n backslashes and a double quote that is kept.
std::vector<std::wstring> SplitCommandLine(std::wstring_view strCommandLine);

// The path of one of the programs that come with Ringtally (ringtally-tmail,
// ringtally-device): beside the running program, in the build tree's tools
// folder, then on PATH; empty when none is found.
std::string FindCompanionProgram(const char* pszName);

// Quotes a word so that SplitCommandLine gives it back exactly: between
// double quotes, with a double quote inside written \" and the backslashes
// before it (and before the closing quote) doubled.
std::wstring QuoteCommandLineWord(std::wstring_view strWord);

// How many times CreateProcessW has been called, failed calls included. Lets
// tests see whether a launch was attempted at all.
uint64_t CreateProcessCalls();

// How a program started by StartAndWatch fared in the time it was given.
enum class WatchedStart {
    NotStarted,   // no such program, or it could not be started
    Failed,       // it ended with a status other than 0, or by a signal
    Succeeded,    // it ended with status 0
    StillRunning, // it runs on; it is reaped once it ends
};

// Starts strProgram (a path, or a name looked up on PATH) with the arguments
// in a session of its own, and waits at most dwMilliseconds for it to end,
// the calling thread's windows painting meanwhile but taking no input. For
// handing something to a desktop program that tells by its exit status
// whether it could, such as the opener of links.
WatchedStart StartAndWatch(const std::string& strProgram, const std::vector<std::string>& args, DWORD dwMilliseconds);
