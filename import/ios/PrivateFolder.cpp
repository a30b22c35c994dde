#include "import/ios/PrivateFolder.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kMostPath = 4096;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// What the signal handler removes: plain arrays, as a handler may only use
// what is safe in it (unlink, rmdir, signal, raise).
char g_folder[kMostPath];
char g_files[CPrivateFolder::kMostFiles][kMostPath];
volatile sig_atomic_t g_nFiles = 0;
struct sigaction g_previous[std::size(kSignals)];

void OnSignal(int nSignal)
{
    for (int i = 0; i < g_nFiles; ++i)
        ::unlink(g_files[i]);
    if (g_folder[0])
        ::rmdir(g_folder);
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        if (kSignals[i] == nSignal)
            ::sigaction(nSignal, &g_previous[i], nullptr);
    }
    ::raise(nSignal);
}

} // namespace

CPrivateFolder::CPrivateFolder()
{
    const char* pszTmp = std::getenv("TMPDIR");
    std::string strTemplate = std::string(pszTmp && *pszTmp ? pszTmp : "/tmp") + "/ringtally-backup-XXXXXX";
    if (strTemplate.size() + 64 >= kMostPath || !::mkdtemp(strTemplate.data()))
        return;
    ::chmod(strTemplate.c_str(), 0700);
    m_strPath = strTemplate;
    std::strcpy(g_folder, m_strPath.c_str());
    g_nFiles = 0;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &action, &g_previous[i]);
}

CPrivateFolder::~CPrivateFolder()
{
    if (m_strPath.empty())
        return;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    std::error_code ec;
    std::filesystem::remove_all(m_strPath, ec);
    g_folder[0] = '\0';
    g_nFiles = 0;
}

std::string CPrivateFolder::NewFile(const std::string& strName)
{
    if (m_strPath.empty() || g_nFiles >= kMostFiles)
        return {};
    std::string strPath = m_strPath + "/" + strName;
    std::strcpy(g_files[g_nFiles], strPath.c_str());
    g_nFiles = g_nFiles + 1;
    return strPath;
}
