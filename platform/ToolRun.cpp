#include "platform/ToolRun.h"

#include "device/Statement.h"
#include "platform/Process.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

ToolRun RunDeviceTool(const std::vector<std::string>& args)
{
    ToolRun run;
    std::string strTool = FindCompanionProgram("ringtally-device");
    if (strTool.empty()) {
        run.strOutput = "ringtally-device cannot be found beside Ringtally or on PATH.";
        return run;
    }
    QStringList arguments;
    for (const std::string& strArg : args)
        arguments << QString::fromStdString(strArg);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QString::fromStdString(strTool), arguments);
    if (!process.waitForStarted()) {
        run.strOutput = strTool + " cannot be started: " + process.errorString().toStdString();
        return run;
    }
    QCoreApplication* pApp = QCoreApplication::instance();
    const bool bPumpEvents = pApp && QThread::currentThread() == pApp->thread();
    while (!process.waitForFinished(20)) {
        if (process.state() == QProcess::NotRunning)
            break;
        if (bPumpEvents)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    run.strOutput = process.readAll().toStdString();
    // Whatever the tool wrote is seen at the next look, however soon.
    NoteCommitOnRequest();
    if (process.exitStatus() == QProcess::NormalExit)
        run.nStatus = process.exitCode();
    return run;
}
