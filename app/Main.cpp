#include "app/MainApp.h"
#include "app/ProgramArgs.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

CMainApp theApp;

int main(int argc, char** argv)
{
    // Help and the version need no window, and are answered before Qt starts
    // so that they need no display either. Everything else waits until Qt
    // has taken its own options out of the arguments.
    ProgramArgs early = ParseProgramArgs(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    if (early.action == ProgramArgs::Action::Help || early.action == ProgramArgs::Action::Version)
        return PrintProgramAnswer(early, stdout, stderr);
    return AfxWinMain(argc, argv);
}
