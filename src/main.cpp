// Program entry: the visual style, the program's objects, start-up, then the event loop
// until the program ends.
#include <cstdio>
#include <cstdlib>

#include <QApplication>

#include "app/EndSignals.h"
#include "app/Program.h"
#include "app/ZtTools.h"
#include "common/XPLook.h"

int main(int argc, char **argv)
{
    XPLook::InitXPLook();
    const bool themeActive = XPLook::IsThemeActiveSafe();

    QApplication app(argc, argv);
    Program program(QCoreApplication::applicationDirPath(), QStringLiteral("zteditor"));
    program.zt().ThemeActive = themeActive;
    // The end has closed the log, saved the positions and closed the port: the process
    // ends there, so no procedure still on the stack (a transfer waiting for an answer)
    // carries on after it.
    program.setAfterEnd([] {
        std::fflush(nullptr);
        std::_Exit(0);
    });
    // A kill ends the program as closing its window does.
    EndSignals endSignals([&program] { program.zt().EndProg(false); });

    if (!program.Main())
        return 0;
    return app.exec();
}
