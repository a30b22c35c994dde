// ringtally-tmail: the messaging application that Ringtally starts to write
// a text message. Ringtally starts it twice, first on its SMS service, then
// with the number as a mailto address.

#include "tools/ComposeWnd.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

namespace {

void PrintUsage()
{
    std::printf("Usage: ringtally-tmail [-service NAME] [mailto:NUMBER]\n"
                "\n"
                "The messaging application that Ringtally starts to write a text message.\n"
                "With no arguments it opens a new text message to a number yet to be typed.\n"
                "\n"
                "  -service NAME   selects the messaging service; only Sms is available.\n"
                "                  Without mailto: the program ends at once.\n"
                "  mailto:NUMBER   opens a new text message to NUMBER. Everything after\n"
                "                  mailto: is the number, blanks included. Send hands the\n"
                "                  message to the desktop's handler for sms: links.\n"
                "  --help          this text\n"
                "  --version       the version\n"
                "\n"
                "Exit status: 0 when the service was selected or the message sent, 1 when\n"
                "the message was cancelled, 2 on a usage error.\n");
}

int UsageError(const std::string& strText)
{
    std::fprintf(stderr, "ringtally-tmail: %s (see ringtally-tmail --help)\n", strText.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    // Started on its own, it opens an empty message.
    bool bCompose = argc == 1;
    std::string strNumber;
    for (int i = 1; i < argc; ++i) {
        const char* pszArg = argv[i];
        if (std::strcmp(pszArg, "--help") == 0 || std::strcmp(pszArg, "-h") == 0) {
            PrintUsage();
            return 0;
        }
        if (std::strcmp(pszArg, "--version") == 0) {
            std::printf("ringtally-tmail %s\n", RINGTALLY_VERSION);
            return 0;
        }
        if (std::strcmp(pszArg, "-service") == 0) {
            if (i + 1 >= argc)
                return UsageError("-service needs a service name");
            const char* pszService = argv[++i];
            if (strcasecmp(pszService, "Sms") != 0)
                return UsageError(std::string("unknown service ") + pszService + "; only Sms is available");
            continue;
        }
        if (strncasecmp(pszArg, "mailto:", 7) == 0) {
            // The platform splits a command line at blanks, so a number
            // written with blanks arrives as several words.
            bCompose = true;
            strNumber = pszArg + 7;
            for (++i; i < argc; ++i)
                strNumber += std::string(" ") + argv[i];
            break;
        }
        return UsageError(std::string("unknown argument ") + pszArg);
    }
    if (!bCompose)
        return 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ringtally-tmail"));
    CComposeWnd wnd(QString::fromLocal8Bit(strNumber.c_str()));
    return wnd.exec() == QDialog::Accepted ? 0 : 1;
}
