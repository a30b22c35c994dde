#include "device/DeviceStore.h"
#include "import/ImportReport.h"
#include "import/android/BackupImporter.h"
#include "import/ios/IosImporter.h"
#include "tools/DeviceTool.h"
#include "tools/StoreAccess.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

// Files smaller than this import too fast for a progress bar to help.
constexpr uint64_t kProgressFrom = 16u << 20;

std::string Megabytes(uint64_t nBytes)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f MB", static_cast<double>(nBytes) / 1e6);
    return buf;
}

std::string Size(uint64_t nBytes)
{
    if (nBytes >= 1000000)
        return Megabytes(nBytes);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f kB", static_cast<double>(nBytes) / 1e3);
    return buf;
}

std::string Count(int64_t nCount, const char* pszOne, const char* pszMany)
{
    return std::to_string(nCount) + " " + (nCount == 1 ? pszOne : pszMany);
}

// A one-line bar on standard error, redrawn at most ten times a second, for
// terminals only.
class CProgressBar
{
public:
    explicit CProgressBar(std::string strName)
        : m_strName(std::move(strName))
        , m_bTerminal(::isatty(2) != 0)
    {}
    ~CProgressBar() { Clear(); }

    void Show(uint64_t nDone, uint64_t nTotal)
    {
        if (!m_bTerminal || nTotal < kProgressFrom)
            return;
        auto now = std::chrono::steady_clock::now();
        if (m_bShown && now - m_last < std::chrono::milliseconds(100) && nDone < nTotal)
            return;
        m_last = now;
        m_bShown = true;
        int nPercent = static_cast<int>(nDone * 100 / nTotal);
        int nFilled = nPercent * 30 / 100;
        std::string strBar =
            std::string(static_cast<size_t>(nFilled), '#') + std::string(30 - static_cast<size_t>(nFilled), '-');
        std::fprintf(stderr, "\r%s [%s] %3d%% %s of %s", m_strName.c_str(), strBar.c_str(), nPercent,
                     Megabytes(nDone).c_str(), Megabytes(nTotal).c_str());
        std::fflush(stderr);
    }

    void Clear()
    {
        if (m_bShown)
            std::fprintf(stderr, "\r\033[K");
        m_bShown = false;
    }

private:
    std::string m_strName;
    bool m_bTerminal;
    bool m_bShown = false;
    std::chrono::steady_clock::time_point m_last;
};

// The password of an encrypted backup, from the first line of a file.
std::optional<std::string> PasswordFromFile(const std::string& strPath, std::string* pstrError)
{
    FILE* pFile = std::fopen(strPath.c_str(), "rb");
    if (!pFile) {
        *pstrError = strPath + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string strPassword;
    int c;
    while ((c = std::fgetc(pFile)) != EOF && c != '\n' && strPassword.size() < 4096)
        strPassword += static_cast<char>(c);
    std::fclose(pFile);
    if (!strPassword.empty() && strPassword.back() == '\r')
        strPassword.pop_back();
    return strPassword;
}

// Asks for the password on the terminal without showing it; nullopt when
// there is no terminal.
std::optional<std::string> PasswordFromTerminal(const std::string& strBackup)
{
    int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string strPrompt = "Password of the encrypted backup " + strBackup + ": ";
    if (::write(fd, strPrompt.data(), strPrompt.size()) < 0) {
        ::close(fd);
        return std::nullopt;
    }
    termios old {};
    bool bRestore = ::tcgetattr(fd, &old) == 0;
    if (bRestore) {
        termios quiet = old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    std::string strPassword;
    char c;
    while (::read(fd, &c, 1) == 1 && c != '\n' && strPassword.size() < 4096)
        strPassword += c;
    if (bRestore)
        ::tcsetattr(fd, TCSAFLUSH, &old);
    if (::write(fd, "\n", 1) < 0) {
        // The line break only tidies the terminal.
    }
    ::close(fd);
    return strPassword;
}

void PrintCounts(const char* pszKind, const ImportCounts& counts)
{
    std::printf("  %s: %lld read, %lld added, %s skipped\n", pszKind, static_cast<long long>(counts.nRead),
                static_cast<long long>(counts.nAdded), Count(counts.nDuplicates, "duplicate", "duplicates").c_str());
}

std::string Joined(const std::vector<std::string>& parts, const char* pszBetween)
{
    std::string strLine;
    for (const std::string& str : parts)
        strLine += (strLine.empty() ? "" : pszBetween) + str;
    return strLine;
}

void PrintIosReport(const std::string& strPath, const ImportReport& report)
{
    const IosReportPart& ios = report.ios;
    std::printf("%s: %s backup\n", strPath.c_str(), BackupKindText(report.kind));
    std::vector<std::string> phone;
    if (!ios.strDeviceName.empty())
        phone.push_back(ios.strDeviceName);
    if (!ios.strPhoneNumber.empty())
        phone.push_back(ios.strPhoneNumber);
    if (!ios.strIosVersion.empty())
        phone.push_back("iOS " + ios.strIosVersion);
    if (!ios.strLastBackup.empty())
        phone.push_back("backed up " + ios.strLastBackup);
    if (!phone.empty())
        std::printf("  phone: %s\n", Joined(phone, ", ").c_str());
    if (!ios.missing.empty())
        std::printf("  missing from the backup: %s\n", Joined(ios.missing, ", ").c_str());
    if (report.kind == BackupKind::IosContacts || ios.nContacts > 0)
        std::printf("  address book: %s read, for the names of calls and messages\n",
                    Count(ios.nContacts, "contact", "contacts").c_str());
    if (report.kind == BackupKind::IosCalls || report.calls.nRead > 0)
        PrintCounts("calls", report.calls);
    if (report.kind == BackupKind::IosMessages || report.sms.nRead > 0)
        PrintCounts("SMS", report.sms);
    for (const auto& [strStore, counts] : ios.stores)
        PrintCounts(strStore.c_str(), counts);

    if (ios.nAndroidDuplicates)
        std::printf("  of the duplicates, %s already imported from an Android backup\n",
                    Count(ios.nAndroidDuplicates, "message", "messages").c_str());

    std::vector<std::string> leftOut;
    if (report.calls.nUndated)
        leftOut.push_back(Count(report.calls.nUndated, "call", "calls") + " without a usable date");
    int64_t nUndated = report.sms.nUndated;
    int64_t nOversize = report.sms.nOversize;
    for (const auto& [strStore, counts] : ios.stores) {
        nUndated += counts.nUndated;
        nOversize += counts.nOversize;
    }
    if (nUndated)
        leftOut.push_back(Count(nUndated, "message", "messages") + " without a usable date");
    std::string strOver = " over " + std::to_string(kMostRecordBytes >> 20) + " MiB";
    if (report.calls.nOversize)
        leftOut.push_back(Count(report.calls.nOversize, "call", "calls") + strOver);
    if (nOversize)
        leftOut.push_back(Count(nOversize, "message", "messages") + strOver);
    if (ios.nReactions)
        leftOut.push_back(Count(ios.nReactions, "reaction or edit", "reactions and edits"));
    if (ios.nGroupEvents)
        leftOut.push_back(Count(ios.nGroupEvents, "chat event", "chat events"));
    if (ios.nRecipientsCut)
        leftOut.push_back("recipients beyond " + std::to_string(kMostRecipients) + " of " +
                          Count(ios.nRecipientsCut, "message", "messages"));
    if (!leftOut.empty())
        std::printf("  left out: %s\n", Joined(leftOut, "; ").c_str());
    if (ios.nUnreadableText)
        std::printf("  text: %s whose text could not be read, kept with an empty body\n",
                    Count(ios.nUnreadableText, "message", "messages").c_str());
}

void PrintReport(const std::string& strPath, const ImportReport& report)
{
    switch (report.kind) {
    case BackupKind::IosBackup:
    case BackupKind::IosCalls:
    case BackupKind::IosMessages:
    case BackupKind::IosContacts:
        PrintIosReport(strPath, report);
        return;
    default:
        break;
    }
    std::printf("%s: %s backup, %s\n", strPath.c_str(), BackupKindText(report.kind), Size(report.nFileBytes).c_str());
    if (report.kind == BackupKind::Calls || report.calls.nRead > 0)
        PrintCounts("calls", report.calls);
    if (report.kind == BackupKind::Messages || report.sms.nRead > 0)
        PrintCounts("SMS", report.sms);
    if (report.kind == BackupKind::Messages || report.mms.nRead > 0)
        PrintCounts("MMS", report.mms);

    std::vector<std::string> leftOut;
    if (report.calls.nUndated)
        leftOut.push_back(Count(report.calls.nUndated, "call", "calls") + " without a usable date");
    if (report.sms.nUndated)
        leftOut.push_back(Count(report.sms.nUndated, "SMS", "SMS") + " without a usable date");
    if (report.mms.nUndated)
        leftOut.push_back(Count(report.mms.nUndated, "MMS", "MMS") + " without a usable date");
    std::string strOver = " over " + std::to_string(kMostRecordBytes >> 20) + " MiB";
    if (report.calls.nOversize)
        leftOut.push_back(Count(report.calls.nOversize, "call", "calls") + strOver);
    if (report.sms.nOversize)
        leftOut.push_back(Count(report.sms.nOversize, "SMS", "SMS") + strOver);
    if (report.mms.nOversize)
        leftOut.push_back(Count(report.mms.nOversize, "MMS", "MMS") + strOver + " without their media");
    if (report.nMediaParts || report.nMediaBytes)
        leftOut.push_back(Count(report.nMediaParts, "MMS media part", "MMS media parts") + " (" +
                          Size(static_cast<uint64_t>(report.nMediaBytes)) + " of encoded media)");
    if (report.nOtherElements)
        leftOut.push_back(Count(report.nOtherElements, "element that is no record", "elements that are no records"));
    if (!leftOut.empty()) {
        std::string strLine;
        for (const std::string& str : leftOut)
            strLine += (strLine.empty() ? "" : "; ") + str;
        std::printf("  left out: %s\n", strLine.c_str());
    }

    std::vector<std::string> repaired;
    if (report.nLoneHalves)
        repaired.push_back(Count(report.nLoneHalves, "unpaired surrogate half", "unpaired surrogate halves") +
                           " replaced by U+FFFD");
    if (report.nInvalidReferences)
        repaired.push_back(
            Count(report.nInvalidReferences, "reference to a non-character", "references to non-characters") +
            " replaced by U+FFFD");
    if (report.nDroppedControls)
        repaired.push_back(Count(report.nDroppedControls, "control character", "control characters") + " dropped");
    if (!repaired.empty()) {
        std::string strLine;
        for (const std::string& str : repaired)
            strLine += (strLine.empty() ? "" : "; ") + str;
        std::printf("  text: %s\n", strLine.c_str());
    }
    std::vector<std::string> inSeconds;
    if (report.calls.nDatesInSeconds)
        inSeconds.push_back(Count(report.calls.nDatesInSeconds, "call", "calls"));
    if (report.sms.nDatesInSeconds)
        inSeconds.push_back(Count(report.sms.nDatesInSeconds, "SMS", "SMS"));
    if (!inSeconds.empty()) {
        std::string strLine;
        for (const std::string& str : inSeconds)
            strLine += (strLine.empty() ? "" : ", ") + str;
        std::printf("  dates in seconds instead of milliseconds, read as seconds: %s\n", strLine.c_str());
    }
    if (report.bTruncated)
        std::printf("  truncated at line %lld, column %lld: read the %lld complete records before it, added %lld\n",
                    static_cast<long long>(report.nBreakLine), static_cast<long long>(report.nBreakColumn),
                    static_cast<long long>(report.CompleteRecords()), static_cast<long long>(report.AddedRecords()));
    if (report.nDeclaredRecords && *report.nDeclaredRecords != report.CompleteRecords())
        std::printf("  count: the file says %lld records, and %s %lld\n",
                    static_cast<long long>(*report.nDeclaredRecords), report.bTruncated ? "breaks off after" : "holds",
                    static_cast<long long>(report.CompleteRecords()));
}

} // namespace

int RunImport(const std::string& strDevice, const std::vector<std::string>& args)
{
    bool bSalvage = false;
    bool bIntoDemo = false;
    std::string strRegion;
    std::optional<std::string> strPasswordFile;
    std::vector<std::string> files;
    bool bOptions = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& strArg = args[i];
        if (bOptions && strArg == "--")
            bOptions = false;
        else if (bOptions && (strArg == "--password-file" || strArg.rfind("--password-file=", 0) == 0)) {
            if (strArg == "--password-file") {
                if (i + 1 >= args.size())
                    return UsageError("import: --password-file needs a file");
                strPasswordFile = args[++i];
            } else {
                strPasswordFile = strArg.substr(std::strlen("--password-file="));
            }
        } else if (bOptions && (strArg == "--region" || strArg.rfind("--region=", 0) == 0)) {
            if (strArg == "--region") {
                if (i + 1 >= args.size())
                    return UsageError("import: --region needs a country code such as DE");
                strRegion = args[++i];
            } else {
                strRegion = strArg.substr(std::strlen("--region="));
            }
            if (strRegion.size() != 2 || !std::isalpha(static_cast<unsigned char>(strRegion[0])) ||
                !std::isalpha(static_cast<unsigned char>(strRegion[1])))
                return UsageError("import: --region needs a two-letter country code such as DE");
            std::transform(strRegion.begin(), strRegion.end(), strRegion.begin(),
                           [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
        } else if (bOptions && strArg == "--salvage")
            bSalvage = true;
        else if (bOptions && strArg == "--into-demo")
            bIntoDemo = true;
        else if (bOptions && strArg.size() > 1 && strArg[0] == '-')
            return UsageError("import: unknown option " + strArg);
        else
            files.push_back(strArg);
    }
    if (files.empty())
        return UsageError("import needs at least one backup file");

    CDeviceStore store;
    if (int nStatus = SetToolLockWait(store, strDevice))
        return nStatus;
    DeviceStatus status = OpenForWritingRecovering(store, strDevice);
    // A new store is made for the files, and kept only when one of them
    // could be imported: a mistyped name leaves nothing behind.
    bool bCreated = false;
    if (status == DeviceStatus::Missing) {
        std::filesystem::path dir = std::filesystem::path(strDevice).parent_path();
        std::error_code ec;
        if (!dir.empty())
            std::filesystem::create_directories(dir, ec);
        if (ec)
            return ToolError(dir.string() + ": cannot create the folder: " + ec.message());
        if (store.Create(strDevice) != DeviceStatus::Ok)
            return ToolError(store.ErrorText());
        bCreated = true;
    } else if (status != DeviceStatus::Ok) {
        return ToolError(store.ErrorText());
    } else if (store.IsDemo() && !bIntoDemo) {
        return ToolError(strDevice +
                         ": is a demo phone of invented calls and messages, and your backups would be mixed "
                         "with them; import into your own device (without --device, or another file), or give "
                         "--into-demo to import into the demo all the same");
    }

    // An iPhone's address book names the people of the databases given with
    // it, so it is read before them.
    std::stable_partition(files.begin(), files.end(),
                          [](const std::string& strFile) { return CIosImporter::IsAddressBook(strFile); });

    CBackupImporter importer(store);
    CIosImporter iosImporter(store);
    iosImporter.SetRegion(strRegion);
    int nFailed = 0;
    int nImported = 0;
    for (const std::string& strFile : files) {
        CProgressBar bar(std::filesystem::path(strFile).filename().string());
        ImportOptions options;
        options.bSalvage = bSalvage;
        options.pfnProgress = [&bar](uint64_t nDone, uint64_t nTotal) { bar.Show(nDone, nTotal); };
        std::string strPasswordError;
        options.pfnPassword = [&]() -> std::optional<std::string> {
            if (strPasswordFile)
                return PasswordFromFile(*strPasswordFile, &strPasswordError);
            return PasswordFromTerminal(strFile);
        };
        options.pfnNotice = [](const std::string& strText) {
            std::fprintf(stderr, "ringtally-device: %s\n", strText.c_str());
            std::fflush(stderr);
        };
        ImportReport report;
        bool bIos = CIosImporter::Recognises(strFile);
        int nResult =
            bIos ? iosImporter.ImportPath(strFile, options, &report) : importer.ImportFile(strFile, options, &report);
        bar.Clear();
        if (nResult != 0) {
            if (!strPasswordError.empty())
                ToolError(strPasswordError);
            ToolError(bIos ? iosImporter.ErrorText() : importer.ErrorText());
            ++nFailed;
            continue;
        }
        if (bCreated && nImported == 0)
            std::printf("Created a new device store at %s\n", strDevice.c_str());
        ++nImported;
        PrintReport(strFile, report);
        std::fflush(stdout);
    }
    if (nImported == 0) {
        if (bCreated) {
            store.Close();
            std::filesystem::remove(strDevice);
        }
        return files.size() > 1 ? ToolError("none of the " + std::to_string(files.size()) + " files was imported") : 1;
    }
    if (nFailed > 0)
        return ToolError(std::to_string(nFailed) + " of " + std::to_string(files.size()) +
                         " files not imported; the others are in the store");
    return 0;
}
