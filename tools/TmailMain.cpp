// ringtally-tmail: the messaging application that Ringtally starts to write
// a text message. Ringtally starts it twice, first on its SMS service, then
// with the number as a mailto address (and the contact's name, if it has one).

#include "tools/ComposeWnd.h"
#include "tools/TmailCommandLine.h"

#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void PrintUsage()
{
    std::printf("Usage: ringtally-tmail [-service NAME] [-contact NAME] [mailto:NUMBER]\n"
                "\n"
                "The messaging application that Ringtally starts to write a text message.\n"
                "With no arguments it opens a new text message to a number yet to be typed;\n"
                "with arguments but no mailto: it ends at once.\n"
                "\n"
                "  -service NAME   selects the messaging service; only Sms is available.\n"
                "  -contact NAME   the name of the person the number belongs to, shown\n"
                "                  beside the number.\n"
                "  mailto:NUMBER   opens a new text message to NUMBER. Everything after\n"
                "                  mailto: is the number, blanks included. Send hands the\n"
                "                  message to the desktop's handler for sms: links; when\n"
                "                  there is none, the window says so and stays open.\n"
                "  --help          this text\n"
                "  --version       the version\n"
                "\n"
                "Exit status: 0 when the service was selected or the message sent, 1 when\n"
                "the message was cancelled, 2 on a usage error.\n");
}

} // namespace

int main(int argc, char** argv)
{
    TmailCommandLine command = ParseTmailCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (command.action) {
    case TmailCommandLine::Action::Help:
        PrintUsage();
        return 0;
    case TmailCommandLine::Action::Version:
        std::printf("ringtally-tmail %s\n", RINGTALLY_VERSION);
        return 0;
    case TmailCommandLine::Action::Mistaken:
        std::fprintf(stderr, "ringtally-tmail: %s (see ringtally-tmail --help)\n", command.strError.c_str());
        return 2;
    case TmailCommandLine::Action::Done:
        return 0;
    case TmailCommandLine::Action::Compose:
        break;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ringtally-tmail"));
    CComposeWnd wnd(QString::fromLocal8Bit(command.strNumber.c_str()),
                    QString::fromLocal8Bit(command.strContact.c_str()));
    return wnd.exec() == QDialog::Accepted ? 0 : 1;
}
