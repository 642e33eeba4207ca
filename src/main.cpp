// Program entry: the command line, the visual style, the instance folder, the program's
// objects, start-up, then the event loop until the program ends.
#include <cstdio>
#include <cstdlib>

#include <QApplication>

#include "app/EndSignals.h"
#include "app/Instance.h"
#include "app/ZtTools.h"
#include "common/XPLook.h"
#include "gui/app/GuiOperator.h"
#include "gui/app/Program.h"

int main(int argc, char **argv)
{
    // The command line is answered without a window, and so without a display.
    QStringList rawArguments;
    for (int i = 0; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    const QString calledAs = ExeNameOf(rawArguments.value(0));
    const StartArguments arguments = ParseStartArguments(rawArguments);
    switch (arguments.action) {
    case StartArguments::Action::Help:
        std::fputs(UsageText(calledAs).toLocal8Bit().constData(), stdout);
        return 0;
    case StartArguments::Action::Version:
        std::fputs(VersionText(calledAs).toLocal8Bit().constData(), stdout);
        return 0;
    case StartArguments::Action::Error:
        std::fprintf(stderr, "%s: unknown argument '%s'\n\n%s", qPrintable(calledAs),
                     qPrintable(arguments.error), qPrintable(UsageText(calledAs)));
        return 2;
    case StartArguments::Action::Run:
        break;
    }

    XPLook::InitXPLook();
    const bool themeActive = XPLook::IsThemeActiveSafe();

    QApplication app(argc, argv);
    const QString exeName = ExeNameOf(QCoreApplication::applicationFilePath());
    const InstanceFolder instance =
        ChooseInstanceFolder({QCoreApplication::applicationDirPath(), exeName,
                              arguments.instanceDir, DefaultConfigHome()});
    if (!instance.failure.isEmpty()) {
        // Nothing is running yet: no log, no settings, so the box and the console tell it.
        std::fprintf(stderr, "%s\n", qPrintable(QString(instance.failure).remove(u'\r')));
        GuiOperator(nullptr).messageBox(instance.failure, BoxIcon::Exclamation, exeName);
        return 1;
    }

    Program program(instance.dir, exeName);
    program.setStartFile(arguments.dataFile);
    program.zt().setThemeActive(themeActive);
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
