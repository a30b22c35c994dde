#include "platform/Process.h"

#include "platform/AutomationOutput.h"
#include "platform/WideText.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <map>
#include <memory>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::wstring_view kMessagingApp = L"\\windows\\tmail.exe";
constexpr const char* kMessagingProgram = "ringtally-tmail";
constexpr auto kWaitSlice = std::chrono::milliseconds(10);

// A started process. pid 0 stands for a launch under automation, which has
// ended before it began.
struct CProcessState {
    pid_t m_pid = 0;
    bool m_bEnded = false;

    ~CProcessState();
    // Reaps the process if it has ended; true once it has.
    bool Poll()
    {
        if (m_bEnded)
            return true;
        int nStatus = 0;
        pid_t r = waitpid(m_pid, &nStatus, WNOHANG);
        // ECHILD: someone else has reaped it, so it has ended all the same.
        if (r == m_pid || (r < 0 && errno == ECHILD))
            m_bEnded = true;
        return m_bEnded;
    }
};

// Open handles, and processes whose handles are all closed while they still
// run: those are reaped later so that none stays a zombie.
struct CProcessTable {
    std::vector<pid_t> m_orphans;
    std::map<uintptr_t, std::shared_ptr<CProcessState>> m_handles;
    uintptr_t m_nNextHandle = 0x1000;
    uint64_t m_nCreateCalls = 0;

    void ReapOrphans()
    {
        std::erase_if(m_orphans, [](pid_t pid) {
            int nStatus = 0;
            pid_t r = waitpid(pid, &nStatus, WNOHANG);
            return r == pid || (r < 0 && errno == ECHILD);
        });
    }
    HANDLE Open(const std::shared_ptr<CProcessState>& pState)
    {
        uintptr_t nHandle = m_nNextHandle;
        m_nNextHandle += 4;
        m_handles.emplace(nHandle, pState);
        return reinterpret_cast<HANDLE>(nHandle);
    }
    std::shared_ptr<CProcessState> Find(HANDLE h) const
    {
        auto it = m_handles.find(reinterpret_cast<uintptr_t>(h));
        return it == m_handles.end() ? nullptr : it->second;
    }
};

CProcessTable& Table()
{
    static CProcessTable table;
    return table;
}

CProcessState::~CProcessState()
{
    if (m_pid > 0 && !Poll())
        Table().m_orphans.push_back(m_pid);
}

bool IsMessagingApp(LPCWSTR pszImageName)
{
    std::wstring_view strName(pszImageName);
    return std::equal(strName.begin(), strName.end(), kMessagingApp.begin(), kMessagingApp.end(),
                      [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); });
}

bool IsExecutableFile(const std::string& strPath)
{
    struct stat st {};
    return ::stat(strPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(strPath.c_str(), X_OK) == 0;
}

// A name with a slash is a path; a bare name is looked up on PATH.
std::string ResolveProgram(const std::string& strProgram)
{
    if (strProgram.find('/') != std::string::npos)
        return IsExecutableFile(strProgram) ? strProgram : std::string();
    const char* pszPath = std::getenv("PATH");
    std::string_view strPath = pszPath ? pszPath : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        size_t nColon = strPath.find(':');
        std::string strDir(strPath.substr(0, nColon));
        std::string strCandidate = (strDir.empty() ? std::string(".") : strDir) + "/" + strProgram;
        if (IsExecutableFile(strCandidate))
            return strCandidate;
        if (nColon == std::string_view::npos)
            return {};
        strPath.remove_prefix(nColon + 1);
    }
}

std::filesystem::path RunningProgramDir()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath().toStdString();
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
}

std::string FindMessagingProgram()
{
    const char* pszChosen = std::getenv("RINGTALLY_TMAIL");
    if (pszChosen && *pszChosen)
        return ResolveProgram(pszChosen);
    return FindCompanionProgram(kMessagingProgram);
}

pid_t Spawn(const std::string& strProgram, const std::vector<std::string>& args, bool bNewSession)
{
    std::vector<std::string> words {strProgram};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& strWord : words)
        argv.push_back(strWord.data());
    argv.push_back(nullptr);

    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0)
        return -1;
    if (bNewSession)
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    int nError = posix_spawn(&pid, strProgram.c_str(), nullptr, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    return nError == 0 ? pid : -1;
}

pid_t Spawn(const std::string& strProgram, const std::vector<std::wstring>& words, bool bNewSession)
{
    std::vector<std::string> args;
    for (const std::wstring& strWord : words)
        args.push_back(Utf8FromWide(strWord));
    return Spawn(strProgram, args, bNewSession);
}

// Lets the calling thread's windows paint for one slice of a wait. Clicks
// and keys wait until the caller carries on, as they would on the phone.
void WaitOneSlice(std::chrono::steady_clock::duration slice)
{
    QCoreApplication* pApp = QCoreApplication::instance();
    if (pApp && QThread::currentThread() == pApp->thread())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    std::this_thread::sleep_for(slice);
}

// A program left running is reaped from the event loop once it ends, so
// that it does not stay a zombie until the next launch.
void ReapInTheBackground(pid_t pid)
{
    Table().m_orphans.push_back(pid);
    QCoreApplication* pApp = QCoreApplication::instance();
    if (!pApp || QThread::currentThread() != pApp->thread())
        return;
    static QTimer* s_pTimer = nullptr;
    if (!s_pTimer) {
        s_pTimer = new QTimer(pApp);
        s_pTimer->setInterval(1000);
        QObject::connect(s_pTimer, &QTimer::timeout, [] {
            Table().ReapOrphans();
            if (Table().m_orphans.empty())
                s_pTimer->stop();
        });
        QObject::connect(s_pTimer, &QObject::destroyed, [] { s_pTimer = nullptr; });
    }
    s_pTimer->start();
}

} // namespace

std::string FindCompanionProgram(const char* pszName)
{
    std::filesystem::path dir = RunningProgramDir();
    if (!dir.empty()) {
        // In the build tree the program sits in app/ and the tools in tools/.
        for (const std::filesystem::path& candidate : {dir / pszName, dir.parent_path() / "tools" / pszName}) {
            if (IsExecutableFile(candidate.string()))
                return candidate.string();
        }
    }
    return ResolveProgram(pszName);
}

BOOL CreateProcessW(LPCWSTR pszImageName, LPCWSTR pszCmdLine, SECURITY_ATTRIBUTES* psaProcess,
                    SECURITY_ATTRIBUTES* psaThread, BOOL fInheritHandles, DWORD fdwCreate, void* pvEnvironment,
                    LPCWSTR pszCurDir, STARTUPINFOW* psiStartInfo, PROCESS_INFORMATION* pProcInfo)
{
    CProcessTable& table = Table();
    ++table.m_nCreateCalls;
    table.ReapOrphans();
    // The platform takes none of these; a caller that passes them expects
    // something that does not happen here.
    if (psaProcess || psaThread || fInheritHandles || pvEnvironment || pszCurDir || psiStartInfo)
        return FALSE;
    if (!pszImageName || !pProcInfo || !IsMessagingApp(pszImageName))
        return FALSE;
    if (!pszCmdLine)
        pszCmdLine = L"";

    auto pState = std::make_shared<CProcessState>();
    if (IsAutomationActive()) {
        AutomationPrint({L"launch", pszImageName, pszCmdLine});
        pState->m_bEnded = true;
    } else {
        std::string strProgram = FindMessagingProgram();
        if (strProgram.empty())
            return FALSE;
        pid_t pid = Spawn(strProgram, SplitCommandLine(pszCmdLine), (fdwCreate & CREATE_NEW_CONSOLE) != 0);
        if (pid <= 0)
            return FALSE;
        pState->m_pid = pid;
    }
    pProcInfo->hProcess = table.Open(pState);
    pProcInfo->hThread = table.Open(pState);
    pProcInfo->dwProcessId = static_cast<DWORD>(pState->m_pid);
    pProcInfo->dwThreadId = static_cast<DWORD>(pState->m_pid);
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    std::shared_ptr<CProcessState> pState = Table().Find(hHandle);
    if (!pState)
        return WAIT_FAILED;
    const auto start = std::chrono::steady_clock::now();
    const auto limit = std::chrono::milliseconds(dwMilliseconds);
    while (!pState->Poll()) {
        auto elapsed = std::chrono::steady_clock::now() - start;
        if (dwMilliseconds != INFINITE && elapsed >= limit)
            return WAIT_TIMEOUT;
        auto slice = std::chrono::duration_cast<std::chrono::steady_clock::duration>(kWaitSlice);
        if (dwMilliseconds != INFINITE)
            slice = std::min(slice, limit - elapsed);
        WaitOneSlice(slice);
        Table().ReapOrphans();
    }
    return WAIT_OBJECT_0;
}

BOOL CloseHandle(HANDLE hObject)
{
    CProcessTable& table = Table();
    if (table.m_handles.erase(reinterpret_cast<uintptr_t>(hObject)) == 0)
        return FALSE;
    table.ReapOrphans();
    return TRUE;
}

std::vector<std::wstring> SplitCommandLine(std::wstring_view strCommandLine)
{
    std::vector<std::wstring> words;
    std::wstring strWord;
    bool bInWord = false;
    bool bQuoted = false;
    size_t i = 0;
    const size_t n = strCommandLine.size();
    while (i < n) {
        wchar_t c = strCommandLine[i];
        if (!bQuoted && (c == L' ' || c == L'\t')) {
            if (bInWord)
                words.push_back(std::move(strWord));
            strWord.clear();
            bInWord = false;
            ++i;
            continue;
        }
        bInWord = true;
        if (c == L'\\') {
            size_t nSlashes = 0;
            while (i < n && strCommandLine[i] == L'\\') {
                ++nSlashes;
                ++i;
            }
            if (i < n && strCommandLine[i] == L'"') {
                strWord.append(nSlashes / 2, L'\\');
                if (nSlashes % 2 == 1) {
                    strWord += L'"';
                    ++i;
                }
            } else {
                strWord.append(nSlashes, L'\\');
            }
            continue;
        }
        if (c == L'"') {
            if (bQuoted && i + 1 < n && strCommandLine[i + 1] == L'"') {
                strWord += L'"';
                i += 2;
                continue;
            }
            bQuoted = !bQuoted;
            ++i;
            continue;
        }
        strWord += c;
        ++i;
    }
    if (bInWord)
        words.push_back(std::move(strWord));
    return words;
}

std::wstring QuoteCommandLineWord(std::wstring_view strWord)
{
    std::wstring strQuoted = L"\"";
    size_t nSlashes = 0;
    for (wchar_t c : strWord) {
        if (c == L'\\') {
            ++nSlashes;
            continue;
        }
        // Backslashes before a quote are read in pairs; the quote itself
        // then needs one more.
        strQuoted.append(c == L'"' ? 2 * nSlashes + 1 : nSlashes, L'\\');
        strQuoted += c;
        nSlashes = 0;
    }
    strQuoted.append(2 * nSlashes, L'\\');
    strQuoted += L'"';
    return strQuoted;
}

uint64_t CreateProcessCalls()
{
    return Table().m_nCreateCalls;
}

WatchedStart StartAndWatch(const std::string& strProgram, const std::vector<std::string>& args, DWORD dwMilliseconds)
{
    Table().ReapOrphans();
    std::string strPath = ResolveProgram(strProgram);
    pid_t pid = strPath.empty() ? -1 : Spawn(strPath, args, true);
    if (pid <= 0)
        return WatchedStart::NotStarted;
    const auto start = std::chrono::steady_clock::now();
    const auto limit = std::chrono::milliseconds(dwMilliseconds);
    while (true) {
        int nStatus = 0;
        pid_t r = waitpid(pid, &nStatus, WNOHANG);
        if (r == pid)
            return WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0 ? WatchedStart::Succeeded : WatchedStart::Failed;
        // Reaped by someone else: its status is lost, and nothing tells of a failure.
        if (r < 0)
            return WatchedStart::Succeeded;
        auto elapsed = std::chrono::steady_clock::now() - start;
        if (elapsed >= limit) {
            ReapInTheBackground(pid);
            return WatchedStart::StillRunning;
        }
        WaitOneSlice(
            std::min(std::chrono::duration_cast<std::chrono::steady_clock::duration>(kWaitSlice), limit - elapsed));
    }
}
